// Fixed-width number helpers shared by the listings, the trace and the
// dialogs. Hand-rolled rather than snprintf: the traced step formats several
// numbers per emulated instruction, and these never allocate when appending
// into a string that already has capacity.
#include "tools/text_format.h"

#include <ctime>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void PutDecimal(char* out, unsigned value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

void PutHex(char* out, unsigned value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = kHexDigits[value & 0xF];
    value >>= 4;
  }
}

template <int Width, void (*Put)(char*, unsigned, int)>
void AppendField(std::string& text, unsigned value) {
  char field[Width];
  Put(field, value, Width);
  text.append(field, Width);
}

// Two decimal digits for the clock stamp; a broken clock value must not
// widen the line, so it is cut to its last two (or four) digits.
void AppendClockPart(std::string& text, int value, int width) {
  char field[4];
  PutDecimal(field, static_cast<unsigned>(value < 0 ? 0 : value), width);
  text.append(field, static_cast<std::size_t>(width));
}

}  // namespace

void PutDec5(char* out, unsigned value) { PutDecimal(out, value, 5); }
void PutDec3(char* out, unsigned value) { PutDecimal(out, value, 3); }
void PutHex4(char* out, unsigned value) { PutHex(out, value, 4); }
void PutHex2(char* out, unsigned value) { PutHex(out, value, 2); }

void AppendDec5(std::string& text, unsigned value) { AppendField<5, PutDecimal>(text, value); }
void AppendDec3(std::string& text, unsigned value) { AppendField<3, PutDecimal>(text, value); }
void AppendHex4(std::string& text, unsigned value) { AppendField<4, PutHex>(text, value); }
void AppendHex2(std::string& text, unsigned value) { AppendField<2, PutHex>(text, value); }

std::string Dec5(unsigned value) { std::string s; AppendDec5(s, value); return s; }
std::string Dec3(unsigned value) { std::string s; AppendDec3(s, value); return s; }
std::string Hex4(unsigned value) { std::string s; AppendHex4(s, value); return s; }
std::string Hex2(unsigned value) { std::string s; AppendHex2(s, value); return s; }
std::string Hex4h(unsigned value) { std::string s = Hex4(value); s += 'h'; return s; }
std::string Hex2h(unsigned value) { std::string s = Hex2(value); s += 'h'; return s; }

void AppendByteNumber(std::string& text, std::uint8_t value, bool hex_mode) {
  if (hex_mode) {
    AppendHex2(text, value);
    text += 'h';
  } else {
    AppendDec3(text, value);
  }
}

void AppendWordNumber(std::string& text, std::uint16_t value, bool hex_mode) {
  if (hex_mode) {
    AppendHex4(text, value);
    text += 'h';
  } else {
    AppendDec5(text, value);
  }
}

std::optional<std::uint32_t> ReadDecimal(std::string_view text, std::uint32_t high) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > high) return std::nullopt;  // also keeps long digit runs from overflowing
  }
  return static_cast<std::uint32_t>(value);
}

ClockTime LocalClockNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ClockTime time;
  if (localtime_r(&now, &local) == nullptr) return time;
  time.hour = local.tm_hour;
  time.minute = local.tm_min;
  time.second = local.tm_sec;
  time.day = local.tm_mday;
  time.month = local.tm_mon + 1;
  time.year = local.tm_year + 1900;
  return time;
}

std::string StartStamp(const ClockTime& time) {
  std::string text = "START ";
  AppendClockPart(text, time.hour, 2);
  text += ':';
  AppendClockPart(text, time.minute, 2);
  text += ':';
  AppendClockPart(text, time.second, 2);
  text += ' ';
  AppendClockPart(text, time.day, 2);
  text += '/';
  AppendClockPart(text, time.month, 2);
  text += '/';
  AppendClockPart(text, time.year, 4);
  return text;
}
