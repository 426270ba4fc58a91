// The map-aware listing step and the two forms of the Disassemble command.
#include "romeditor/map_listing.h"

#include <algorithm>

#include "tools/disassembler.h"

namespace {

constexpr std::uint32_t kLastAddress = kRomSize - 1;

void AppendAddressField(std::string& text, std::uint32_t address) {
  AppendDec5(text, address);
  text += ' ';
  AppendHex4(text, address);
  text += "  ";
}

// Calls emit(line) for every listing step from range.from until the next
// address has passed range.to.
template <typename Emit>
void WalkRange(RomEditor& editor, const RomRange& range, Emit emit) {
  const std::uint32_t to = std::min(range.to, kLastAddress);
  std::uint32_t address = std::min(range.from, kLastAddress);
  MapListingLine line;
  do {
    MapListingStep(editor, address, to, line);
    if (!emit(line)) return;
    address = line.next_address;
  } while (address <= to);
}

}  // namespace

void MapListingStep(RomEditor& editor, std::uint32_t address, std::uint32_t to, MapListingLine& out) {
  const LineKind previous = editor.line_kind;
  address = std::min(address, kLastAddress);
  to = std::min(to, kLastAddress);
  out.text.clear();

  if (editor.map_enabled && editor.rom_map[address] != 0) {
    AppendAddressField(out.text, address);
    std::string defb = "DEFB ";
    std::string chars;
    std::uint32_t taken = 0;
    do {
      const std::uint8_t b = editor.rom_image[address];
      AppendHex2(defb, b);  // always hexadecimal, whatever "Output in HEX" says
      defb += ' ';
      chars += (b < 0x20 || b > 0x7F) ? '.' : static_cast<char>(b);
      ++address;
      ++taken;
      // to is at most 3FFFh, so the map is never read at 4000h.
    } while (taken < kDefbBytesPerLine && address <= to && editor.rom_map[address] != 0);
    defb.resize(std::max(defb.size(), kDefbColumnWidth), ' ');
    out.text += defb;
    out.text += chars;
    out.kind = LineKind::kData;
    out.next_address = address;
  } else {
    Disassembly code = DisassembleOne(editor.ImageView(), static_cast<std::uint16_t>(address),
                                      editor.hex_mode);
    AppendListingLine(out.text, code);
    out.kind = LineKind::kCode;
    // Bytes past 3FFFh read as 0 in the view; the next address then lies
    // past any range end, so the listing stops there (it cannot wrap: the
    // longest instruction ends before 4005h).
    out.next_address = code.next_address;
  }
  out.blank_before = editor.map_enabled && out.kind != previous;
  editor.line_kind = out.kind;
}

std::vector<std::string> MapListingWindowLines(RomEditor& editor, const RomRange& range,
                                               const ClockTime& now) {
  std::vector<std::string> lines;
  lines.push_back(StartStamp(now));
  lines.emplace_back();
  WalkRange(editor, range, [&](const MapListingLine& line) {
    if (line.blank_before) lines.emplace_back();
    lines.push_back(line.text);
    return true;
  });
  return lines;
}

void BuildMapListingText(RomEditor& editor, const RomRange& range, const ClockTime& now) {
  std::string& text = editor.text_output;
  text.clear();
  text += StartStamp(now);
  text += "\r\n\r\n";
  WalkRange(editor, range, [&](const MapListingLine& line) {
    // The whole image lists in well under the buffer's size; the test only
    // guarantees the buffer is never outgrown.
    if (text.size() + line.text.size() + 6 > kTextOutputSize) return false;
    if (line.blank_before) text += "\r\n";
    text += line.text;
    text += "\r\n";
    return true;
  });
  text += "\r\n";
}

void DisassembleToFileCommand(RomEditor& editor, KelbrinAsker& asker, const char* file_path) {
  std::optional<RomRange> range = asker.AskRange(kDisassemblyRangeTitle);
  if (!range) return;
  BuildMapListingText(editor, *range, LocalClockNow());
  AppendListingFile(editor.text_output, file_path);
}
