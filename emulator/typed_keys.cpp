// The --type notation of vantro-run (see typed_keys.h for the grammar).
#include "emulator/typed_keys.h"

#include <cctype>
#include <utility>

#include "machine/machine.h"

namespace {

std::uint64_t Bit(HostKey key) { return HostKeyBit(key); }

constexpr HostKey kLetterKeys[26] = {
    HostKey::A, HostKey::B, HostKey::C, HostKey::D, HostKey::E, HostKey::F, HostKey::G,
    HostKey::H, HostKey::I, HostKey::J, HostKey::K, HostKey::L, HostKey::M, HostKey::N,
    HostKey::O, HostKey::P, HostKey::Q, HostKey::R, HostKey::S, HostKey::T, HostKey::U,
    HostKey::V, HostKey::W, HostKey::X, HostKey::Y, HostKey::Z};
constexpr HostKey kDigitKeys[10] = {
    HostKey::Digit0, HostKey::Digit1, HostKey::Digit2, HostKey::Digit3, HostKey::Digit4,
    HostKey::Digit5, HostKey::Digit6, HostKey::Digit7, HostKey::Digit8, HostKey::Digit9};

// Signs printed on the 48K's keys in red, reached with SYMBOL SHIFT.
constexpr std::pair<char, HostKey> kSymbolKeys[] = {
    {'"', HostKey::P}, {';', HostKey::O}, {':', HostKey::Z}, {',', HostKey::N},
    {'.', HostKey::M}, {'+', HostKey::K}, {'-', HostKey::J}, {'*', HostKey::B},
    {'/', HostKey::V}, {'=', HostKey::L}, {'<', HostKey::R}, {'>', HostKey::T},
    {'(', HostKey::Digit8}, {')', HostKey::Digit9}, {'$', HostKey::Digit4},
    {'!', HostKey::Digit1}, {'@', HostKey::Digit2}, {'#', HostKey::Digit3},
    {'%', HostKey::Digit5}, {'&', HostKey::Digit6}, {'\'', HostKey::Digit7},
    {'_', HostKey::Digit0}, {'?', HostKey::C}, {'^', HostKey::H}};

constexpr std::uint64_t kCapsShift = std::uint64_t{1} << static_cast<unsigned>(HostKey::LeftShift);
constexpr std::uint64_t kSymbolShift = std::uint64_t{1} << static_cast<unsigned>(HostKey::RightShift);

std::uint64_t CharacterKeys(char c) {
  if (c >= 'a' && c <= 'z') return Bit(kLetterKeys[c - 'a']);
  if (c >= 'A' && c <= 'Z') return kCapsShift | Bit(kLetterKeys[c - 'A']);
  if (c >= '0' && c <= '9') return Bit(kDigitKeys[c - '0']);
  if (c == ' ') return Bit(HostKey::Space);
  if (c == '\n') return Bit(HostKey::Return);
  for (auto [sign, key] : kSymbolKeys) {
    if (sign == c) return kSymbolShift | Bit(key);
  }
  return 0;
}

// One name inside braces, upper case: a key or a shifted key of the 48K.
std::uint64_t NamedKeys(const std::string& name) {
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'A' && c <= 'Z') return Bit(kLetterKeys[c - 'A']);
    if (c >= '0' && c <= '9') return Bit(kDigitKeys[c - '0']);
    return 0;
  }
  const std::pair<const char*, std::uint64_t> names[] = {
      {"ENTER", Bit(HostKey::Return)}, {"SPACE", Bit(HostKey::Space)},
      {"CS", kCapsShift}, {"SS", kSymbolShift},
      {"DELETE", kCapsShift | Bit(HostKey::Digit0)}, {"EDIT", kCapsShift | Bit(HostKey::Digit1)},
      {"CAPSLOCK", kCapsShift | Bit(HostKey::Digit2)}, {"GRAPHICS", kCapsShift | Bit(HostKey::Digit9)},
      {"LEFT", kCapsShift | Bit(HostKey::Digit5)}, {"DOWN", kCapsShift | Bit(HostKey::Digit6)},
      {"UP", kCapsShift | Bit(HostKey::Digit7)}, {"RIGHT", kCapsShift | Bit(HostKey::Digit8)},
      {"BREAK", kCapsShift | Bit(HostKey::Space)}, {"EXTEND", kCapsShift | kSymbolShift},
  };
  for (auto [key_name, keys] : names) {
    if (name == key_name) return keys;
  }
  return 0;
}

std::uint64_t JoystickKeys(const std::string& name) {
  const std::pair<const char*, HostKey> names[] = {{"UP", HostKey::Up},       {"DOWN", HostKey::Down},
                                                   {"LEFT", HostKey::Left},   {"RIGHT", HostKey::Right},
                                                   {"FIRE", HostKey::LeftCtrl}};
  for (auto [line_name, key] : names) {
    if (name == line_name) return Bit(key);
  }
  return 0;
}

// Frame counts of WAIT, HOLD and JOY: 1 to 6 digits.
bool FrameCount(const std::string& text, int& frames) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  frames = std::stoi(text);
  return true;
}

// Names joined by '+', each turned into keys by `lookup`; 0 when one is unknown.
template <typename Lookup>
std::uint64_t JoinedKeys(const std::string& names, const std::string& inside, Lookup lookup, std::string& error) {
  std::uint64_t keys = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t plus = names.find('+', start);
    std::string part = names.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    std::uint64_t part_keys = lookup(part);
    if (part_keys == 0) {
      error = "--type: unknown key name '" + part + "' in {" + inside + "}";
      return 0;
    }
    keys |= part_keys;
    if (plus == std::string::npos) return keys;
    start = plus + 1;
  }
}

std::string Upper(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

}  // namespace

std::optional<std::vector<KeyChord>> ParseTypedKeys(std::string_view text, std::string& error) {
  std::vector<KeyChord> chords;
  for (std::size_t at = 0; at < text.size(); ++at) {
    char c = text[at];
    if (c != '{') {
      std::uint64_t keys = CharacterKeys(c);
      if (keys == 0) {
        error = std::string("--type: no Spectrum key for '") + c + "' (position " + std::to_string(at + 1) + ")";
        return std::nullopt;
      }
      chords.push_back({keys, 0});
      continue;
    }
    std::size_t close = text.find('}', at);
    if (close == std::string_view::npos) {
      error = "--type: '{' at position " + std::to_string(at + 1) + " is never closed";
      return std::nullopt;
    }
    std::string inside = Upper(text.substr(at + 1, close - at - 1));
    at = close;
    int frames = 0;
    if (inside.rfind("WAIT ", 0) == 0) {
      if (!FrameCount(inside.substr(5), frames)) {
        error = "--type: {WAIT N} needs a frame count of up to six digits";
        return std::nullopt;
      }
      chords.push_back({0, frames});
      continue;
    }
    const bool joystick = inside.rfind("JOY ", 0) == 0;
    if (joystick || inside.rfind("HOLD ", 0) == 0) {
      const std::size_t space = inside.rfind(' ');
      const std::string names = inside.substr(joystick ? 4 : 5, space - (joystick ? 4 : 5));
      if (space < 5 || !FrameCount(inside.substr(space + 1), frames) || frames == 0) {
        error = "--type: {" + inside + "} needs names joined by '+' and a frame count of up to six digits";
        return std::nullopt;
      }
      const std::uint64_t keys = joystick ? JoinedKeys(names, inside, JoystickKeys, error)
                                          : JoinedKeys(names, inside, NamedKeys, error);
      if (keys == 0) return std::nullopt;
      chords.push_back({keys, 0, frames});
      continue;
    }
    const std::uint64_t keys = JoinedKeys(inside, inside, NamedKeys, error);
    if (keys == 0) return std::nullopt;
    chords.push_back({keys, 0});
  }
  return chords;
}
