// The logic behind "Disassemble" and "Hex Dump", free of windows: the shared
// range state, the range dialog's field rules (a model the Qt dialog drives),
// the disassembly listing for a window or for "dis.asm", and the hex dump
// lines. Vantro's tool windows call it; Kelbrin reuses HexDumpLine, the field
// rules with its own limit, and the file append.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/memory_view.h"
#include "tools/text_format.h"

// Kept for the whole run and shared by both commands, so Hex Dump proposes
// the From address last entered in either of them.
struct ListingState {
  std::uint16_t range_from = 0;
  std::uint16_t range_to = 0;
  bool range_cancelled = false;
  std::uint16_t disasm_next = 0;  // where the next Disassemble continues
};

inline constexpr const char* kListingFileName = "dis.asm";
constexpr std::size_t kListingFileLimit = 64000;  // the file form stops adding lines here
constexpr std::uint16_t kVantroAddressMax = 65535;
constexpr std::uint16_t kKelbrinAddressMax = 16383;
constexpr std::uint16_t kProposedRangeLength = 1023;  // To = From + 1023

// --- Range dialog rules -----------------------------------------------------

// Opening the dialog: To is proposed as From + 1023, wrapping in 16 bits,
// and the fields show both in plain decimal.
struct RangeFieldTexts {
  std::string from_text;
  std::string to_text;
};
RangeFieldTexts BeginRangeDialog(ListingState& state);

// A field's text changed (digits only, read as decimal on every change). A
// value within 0..max_address is taken; anything else (empty, too large)
// answers the text the field must show instead, "0" for From and
// max_address for To, whose value is taken at once.
std::optional<std::string> FromFieldChanged(ListingState& state, std::string_view text,
                                            std::uint16_t max_address = kVantroAddressMax);
std::optional<std::string> ToFieldChanged(ListingState& state, std::string_view text,
                                          std::uint16_t max_address = kVantroAddressMax);
// "Use PC": From becomes PC; answers the From field's new text.
std::string UsePc(ListingState& state, std::uint16_t pc);
void CancelRangeDialog(ListingState& state);
// Ending either way: a To below From becomes max_address.
void EndRangeDialog(ListingState& state, std::uint16_t max_address = kVantroAddressMax);

// --- Disassemble ------------------------------------------------------------

// Every instruction starting at or before range_to is listed, the first one
// always (a single-byte range gives one instruction). Both forms also end
// once an instruction's next address wraps past FFFFh: 16-bit addresses
// never exceed a To of 65535, so without that a listing of the top of memory
// would start over from 0000h with lines nobody asked for. disasm_next
// receives the address after the last listed instruction.

// Window form: the header, an empty line, then one listing line per
// instruction.
std::vector<std::string> DisassembleToLines(const MemoryView& memory, ListingState& state,
                                            bool hex_mode, const ClockTime& time);

// File form: header CR LF CR LF, lines ending in CR LF, one more CR LF at
// the end. Adding lines stops as in the window form, or after the line that
// brings the text to 64,000 bytes or more. The text has a buffer of its own,
// so a trace being collected in Machine.trace_buffer is left intact.
std::string DisassembleToText(const MemoryView& memory, ListingState& state, bool hex_mode,
                              const ClockTime& time);

// Appends text at the end of file_path (created when absent). A file that
// cannot be opened drops the text without a word; answers whether it was
// written.
bool AppendListingFile(std::string_view text, const char* file_path = kListingFileName);

// DisassembleToText then AppendListingFile to the current directory's
// "dis.asm": the whole "to file" command after its range dialog.
bool DisassembleToFile(const MemoryView& memory, ListingState& state, bool hex_mode,
                       const ClockTime& time, const char* file_path = kListingFileName);

// --- Hex dump ---------------------------------------------------------------

// "16384 4000  00 00 00 00 00 00 00 00  ........": decimal and hexadecimal
// address, eight bytes (wrapping at FFFFh), their characters (32-127 as
// themselves, anything else as ".").
std::string HexDumpLine(const MemoryView& memory, std::uint16_t address);

// Lines of eight bytes from `from` while the line's address is at or below
// `to`; the last line may show up to 7 bytes past `to`. Ends once a line
// wraps past FFFFh, for the same reason as the disassembly.
std::vector<std::string> HexDumpLines(const MemoryView& memory, std::uint16_t from,
                                      std::uint16_t to);

// Client width of the hex dump window: wider when the list will scroll.
int HexDumpWindowWidth(std::uint16_t from, std::uint16_t to);
