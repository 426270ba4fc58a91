// Fixed-width numbers for every text the programs write or show: listings,
// the instruction trace, the debugger's register display, Peek and Poke.
// Decimal is zero-padded to 3 digits for bytes and 5 for words, hexadecimal
// is upper case with 2 or 4 digits. Everyone formats numbers through these
// few helpers so the widths cannot drift apart between tools. Typed decimal
// fields are read back through ReadDecimal, for the same reason.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Write exactly the field width into out, no terminator; the value is taken
// modulo the field's range so a field never overflows its width.
void PutDec5(char* out, unsigned value);  // %05u, value modulo 100,000
void PutDec3(char* out, unsigned value);  // %03u, value modulo 1,000
void PutHex4(char* out, unsigned value);  // %04X, low 16 bits
void PutHex2(char* out, unsigned value);  // %02X, low 8 bits

void AppendDec5(std::string& text, unsigned value);
void AppendDec3(std::string& text, unsigned value);
void AppendHex4(std::string& text, unsigned value);
void AppendHex2(std::string& text, unsigned value);

std::string Dec5(unsigned value);   // "00042"
std::string Dec3(unsigned value);   // "042"
std::string Hex4(unsigned value);   // "002A"
std::string Hex2(unsigned value);   // "2A"
std::string Hex4h(unsigned value);  // "002Ah", the listing form
std::string Hex2h(unsigned value);  // "2Ah"

// An operand number as listings print it: decimal 3 or 5 digits, or
// hexadecimal 2 or 4 digits followed by a lower-case "h".
void AppendByteNumber(std::string& text, std::uint8_t value, bool hex_mode);
void AppendWordNumber(std::string& text, std::uint16_t value, bool hex_mode);

// The number a digits-only field names, if it is no greater than high.
// Nothing for empty text, any character but 0-9, or a larger number, however
// many digits it runs to.
std::optional<std::uint32_t> ReadDecimal(std::string_view text, std::uint32_t high);

// Local date and time as the programs stamp their written blocks. Taken as a
// value so tests can pass a fixed moment.
struct ClockTime {
  int hour = 0, minute = 0, second = 0;
  int day = 1, month = 1, year = 1970;
};
ClockTime LocalClockNow();
// "START hh:mm:ss dd/mm/yyyy" without line end: the first line of every
// block appended to "debug.lst" and "dis.asm".
std::string StartStamp(const ClockTime& time);
