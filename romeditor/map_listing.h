// Kelbrin's disassembly: the Z80 listing of the ROM image, with DEFB lines
// where the map marks data. Used by "Disassemble.." to file and to window
// (menu ids 10 and 11).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "romeditor/kelbrin_asker.h"
#include "romeditor/rom_editor.h"
#include "tools/listing.h"
#include "tools/text_format.h"

inline constexpr const char* kDisassemblyRangeTitle = "Disassembly";
// A data line: at most this many bytes, its DEFB text padded to this column.
constexpr std::uint32_t kDefbBytesPerLine = 8;
constexpr std::size_t kDefbColumnWidth = 30;

struct MapListingLine {
  LineKind kind = LineKind::kCode;
  // With mapping on, a change of kind from the line before (in this listing
  // or the last one) is set apart by an empty line.
  bool blank_before = false;
  std::string text;  // without line end
  std::uint32_t next_address = 0;
};

// One listing step at address (0-3FFFh) of a range ending at to (inclusive).
// A data run stops at 8 bytes, at the next code byte or past to. Nothing is
// read outside the image and the map: an instruction at the very end reads
// the missing bytes as 0. Updates editor.line_kind.
void MapListingStep(RomEditor& editor, std::uint32_t address, std::uint32_t to, MapListingLine& out);

// The window form: the header, an empty line, then the listing lines with
// their separating empty lines.
std::vector<std::string> MapListingWindowLines(RomEditor& editor, const RomRange& range,
                                               const ClockTime& now);
// The file form in editor.text_output: header CR LF CR LF, each line with
// CR LF (an extra CR LF before a change of kind), one more CR LF at the end.
void BuildMapListingText(RomEditor& editor, const RomRange& range, const ClockTime& now);
// Menu id 10: range dialog, listing, appended to "dis.asm" (file_path) in
// the current directory; a file that cannot be opened drops the listing
// without a word.
void DisassembleToFileCommand(RomEditor& editor, KelbrinAsker& asker,
                              const char* file_path = kListingFileName);
