// Reading the screen's text back through the ROM's character set; see
// screen_text.h.
#include "emulator/screen_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "machine/display_renderer.h"
#include "machine/machine.h"

namespace {

constexpr std::uint16_t kCharacterSet = 0x3D00;  // the ROM's font, code 32 first
constexpr int kFirstCode = 32;
constexpr int kCodeCount = 96;

std::uint64_t CellBits(const Machine& machine, int row, int column) {
  std::uint64_t bits = 0;
  for (int line = 0; line < 8; ++line) {
    bits = bits << 8 | machine.memory[BitmapAddress(row * 8 + line, column)];
  }
  return bits;
}

}  // namespace

std::string ScreenText(const Machine& machine) {
  // The glyphs as eight bytes in one number, and their inverses (INVERSE 1
  // or a cursor), sorted so a cell is found by halving.
  std::array<std::pair<std::uint64_t, char>, 2 * kCodeCount> glyphs;
  for (int code = 0; code < kCodeCount; ++code) {
    std::uint64_t bits = 0;
    for (int line = 0; line < 8; ++line) bits = bits << 8 | machine.memory[kCharacterSet + code * 8 + line];
    const char c = static_cast<char>(kFirstCode + code);
    glyphs[2 * code] = {bits, c};
    glyphs[2 * code + 1] = {~bits, c};
  }
  // A glyph drawn twice keeps its lowest code.
  std::stable_sort(glyphs.begin(), glyphs.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string text;
  text.reserve(24 * 32);
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) {
      const std::uint64_t bits = CellBits(machine, row, column);
      auto found = std::lower_bound(glyphs.begin(), glyphs.end(), bits,
                                    [](const auto& glyph, std::uint64_t b) { return glyph.first < b; });
      text += found != glyphs.end() && found->first == bits ? found->second : '\0';
    }
  }
  return text;
}

bool TextOnScreen(const Machine& machine, std::string_view text) {
  return ScreenText(machine).find(text) != std::string::npos;
}
