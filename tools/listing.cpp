// Range dialog rules, disassembly listings and hex dump lines for the
// Disassemble and Hex Dump commands. The window code only shows what these
// functions produce.
#include "tools/listing.h"

#include <cstdio>

#include "tools/disassembler.h"
#include "tools/text_format.h"

namespace {

// Digits-only field text as a number, or nothing when empty or above max.
std::optional<std::uint16_t> ReadAddress(std::string_view text, std::uint16_t max_address) {
  if (auto value = ReadDecimal(text, max_address)) return static_cast<std::uint16_t>(*value);
  return std::nullopt;
}

// A listing walks on while the next instruction starts inside the range and
// the cursor has not wrapped past FFFFh (instructions are at most 5 bytes,
// so a wrap always lands below the instruction's own address).
bool ListingGoesOn(std::uint16_t start, std::uint16_t next, std::uint16_t to) {
  return next > start && next <= to;
}

}  // namespace

RangeFieldTexts BeginRangeDialog(ListingState& state) {
  state.range_to = static_cast<std::uint16_t>(state.range_from + kProposedRangeLength);
  state.range_cancelled = false;
  return {std::to_string(state.range_from), std::to_string(state.range_to)};
}

std::optional<std::string> FromFieldChanged(ListingState& state, std::string_view text,
                                            std::uint16_t max_address) {
  if (auto value = ReadAddress(text, max_address)) {
    state.range_from = *value;
    return std::nullopt;
  }
  state.range_from = 0;
  return std::string("0");
}

std::optional<std::string> ToFieldChanged(ListingState& state, std::string_view text,
                                          std::uint16_t max_address) {
  if (auto value = ReadAddress(text, max_address)) {
    state.range_to = *value;
    return std::nullopt;
  }
  state.range_to = max_address;
  return std::to_string(max_address);
}

std::string UsePc(ListingState& state, std::uint16_t pc) {
  state.range_from = pc;
  return std::to_string(pc);
}

void CancelRangeDialog(ListingState& state) { state.range_cancelled = true; }

void EndRangeDialog(ListingState& state, std::uint16_t max_address) {
  if (state.range_to < state.range_from) state.range_to = max_address;
}

std::vector<std::string> DisassembleToLines(const MemoryView& memory, ListingState& state,
                                            bool hex_mode, const ClockTime& time) {
  std::vector<std::string> lines;
  lines.push_back(StartStamp(time));
  lines.emplace_back();
  Disassembly decoded;
  std::uint16_t address = state.range_from;
  for (;;) {
    DisassembleInto(memory, address, hex_mode, decoded);
    lines.push_back(ListingLine(decoded));
    const bool goes_on = ListingGoesOn(address, decoded.next_address, state.range_to);
    address = decoded.next_address;
    if (!goes_on) break;
  }
  state.disasm_next = address;
  return lines;
}

std::string DisassembleToText(const MemoryView& memory, ListingState& state, bool hex_mode,
                              const ClockTime& time) {
  std::string text = StartStamp(time);
  text += "\r\n\r\n";
  Disassembly decoded;
  std::uint16_t address = state.range_from;
  for (;;) {
    DisassembleInto(memory, address, hex_mode, decoded);
    AppendListingLine(text, decoded);
    text += "\r\n";
    const bool goes_on = ListingGoesOn(address, decoded.next_address, state.range_to);
    address = decoded.next_address;
    if (!goes_on || text.size() >= kListingFileLimit) break;
  }
  text += "\r\n";
  state.disasm_next = address;
  return text;
}

bool AppendListingFile(std::string_view text, const char* file_path) {
  std::FILE* file = std::fopen(file_path, "ab");  // earlier listings stay in front
  if (file == nullptr) return false;
  const std::size_t written = std::fwrite(text.data(), 1, text.size(), file);
  const bool closed = std::fclose(file) == 0;
  return written == text.size() && closed;
}

bool DisassembleToFile(const MemoryView& memory, ListingState& state, bool hex_mode,
                       const ClockTime& time, const char* file_path) {
  return AppendListingFile(DisassembleToText(memory, state, hex_mode, time), file_path);
}

std::string HexDumpLine(const MemoryView& memory, std::uint16_t address) {
  std::string line;
  line.reserve(48);
  AppendDec5(line, address);
  line += ' ';
  AppendHex4(line, address);
  line += "  ";
  char characters[8];
  for (int i = 0; i < 8; ++i) {
    const std::uint8_t byte = memory.Read(static_cast<std::uint16_t>(address + i));
    AppendHex2(line, byte);
    line += ' ';
    characters[i] = byte >= 32 && byte <= 127 ? static_cast<char>(byte) : '.';
  }
  line += ' ';
  line.append(characters, sizeof characters);
  return line;
}

std::vector<std::string> HexDumpLines(const MemoryView& memory, std::uint16_t from,
                                      std::uint16_t to) {
  std::vector<std::string> lines;
  std::uint16_t address = from;
  for (;;) {
    lines.push_back(HexDumpLine(memory, address));
    const auto next = static_cast<std::uint16_t>(address + 8);
    if (!ListingGoesOn(address, next, to)) break;
    address = next;
  }
  return lines;
}

int HexDumpWindowWidth(std::uint16_t from, std::uint16_t to) {
  return (static_cast<int>(to) - static_cast<int>(from)) / 16 > 32 ? 308 : 288;
}
