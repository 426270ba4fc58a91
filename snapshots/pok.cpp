// POK files: the reader checks every line before any trainer is offered,
// so a file that fails on line 7 offers none of its first trainers either.
#include "snapshots/pok.h"

#include <cassert>

namespace {

constexpr char kTitle[] = "Apply POKEs";
constexpr char kDialogTitle[] = "Apply POKEs";
constexpr char kFilter[] = "POK trainers (*.pok)|*.pok";
constexpr char kCantOpen[] = "Can't open file for reading!";
constexpr char kTooLarge[] = "The file is too large for a POK file!";
constexpr char kDamaged[] = "This POK file cannot be used: ";
constexpr char kNoTrainers[] = "This POK file holds no trainers!";

// Far beyond any real trainer file, which is a few hundred bytes.
constexpr std::size_t kLargestPokFile = 1024 * 1024;

constexpr std::uint8_t kAnyBank = 0x08;
constexpr std::uint16_t kRamStart = 0x4000;
constexpr std::uint16_t kPagedSlot = 0xC000;  // where a 128K pages its RAM

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    const std::size_t start = at;
    while (at < text.size() && !IsBlank(text[at])) ++at;
    if (at > start) fields.push_back(text.substr(start, at - start));
  }
  return fields;
}

bool Decimal(const std::string& field, std::uint32_t highest, std::uint32_t& number) {
  if (field.empty() || field.size() > 6) return false;
  number = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return number <= highest;
}

std::string Trimmed(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// A character of the file as the message quotes it: control and non-ASCII
// bytes by their code, so the message stays one readable line.
std::string Shown(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code >= 0x20 && code < 0x7F) return "'" + std::string(1, c) + "'";
  static const char kHex[] = "0123456789ABCDEF";
  return std::string("the byte ") + kHex[code >> 4] + kHex[code & 15] + "h";
}

// A field as the message quotes it: printable, and cut short, since a
// damaged file may hold a "number" thousands of bytes long.
std::string QuotedField(const std::string& field) {
  std::string text;
  for (char c : field.substr(0, 12)) {
    const auto code = static_cast<unsigned char>(c);
    text += code >= 0x20 && code < 0x7F ? c : '?';
  }
  return "'" + text + (field.size() > 12 ? "...'" : "'");
}

// The poke of an M or Z line (its text after the tag), or the reason.
bool ReadPokeLine(const std::string& text, PokeLine& poke, std::string& reason) {
  const std::vector<std::string> fields = Fields(text);
  if (fields.size() != 4) {
    reason = "a poke line holds four numbers (bank, address, value, original), this one " +
             std::to_string(fields.size()) + " fields";
    return false;
  }
  std::uint32_t bank = 0, address = 0, value = 0, original = 0;
  if (!Decimal(fields[0], 255, bank)) {
    reason = "the bank " + QuotedField(fields[0]) + " is not a number 0-255";
    return false;
  }
  if (!Decimal(fields[1], 65535, address) || address < kRamStart) {
    reason = "the address " + QuotedField(fields[1]) + " is not in RAM (16384-65535)";
    return false;
  }
  if (!Decimal(fields[2], kAskedPokeValue, value)) {
    reason = "the value " + QuotedField(fields[2]) + " is not 0-255 (or 256 to ask for one)";
    return false;
  }
  if (!Decimal(fields[3], 255, original)) {
    reason = "the original value " + QuotedField(fields[3]) + " is not 0-255";
    return false;
  }
  poke.bank = static_cast<std::uint8_t>(bank);
  poke.address = static_cast<std::uint16_t>(address);
  poke.value = static_cast<std::uint16_t>(value);
  poke.original = static_cast<std::uint8_t>(original);
  return true;
}

// A 48K Spectrum's RAM is what a 128K shows with page 0 at C000h (pages 5
// and 2 below it never move), so only another page at C000h is missing.
bool NeedsOther128kPage(const PokeLine& poke) {
  return (poke.bank & kAnyBank) == 0 && poke.address >= kPagedSlot && (poke.bank & 7) != 0;
}

FileProblem LineProblem(std::size_t line, const std::string& reason) {
  return {kTitle, kDamaged + ("line " + std::to_string(line) + ": " + reason + ".")};
}

}  // namespace

std::optional<FileProblem> ReadPokBytes(const std::vector<std::uint8_t>& bytes, std::vector<Trainer>& trainers) {
  std::vector<Trainer> read;
  bool inside = false;  // after an N line, before its Z line
  std::size_t line_number = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = at;
    while (end < bytes.size() && bytes[end] != '\n') ++end;
    const std::string line(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(end));
    at = end + 1;
    ++line_number;
    if (Trimmed(line).empty()) continue;
    const char tag = line[0];
    if (tag == 'Y') {
      if (inside) return LineProblem(line_number, "the file ends (Y) before the trainer's last poke (Z)");
      break;
    }
    if (tag == 'N') {
      if (inside) return LineProblem(line_number, "a trainer starts before the last one's final poke (Z)");
      read.push_back(Trainer{Trimmed(line.substr(1)), {}, false, false});
      inside = true;
      continue;
    }
    if (tag == 'M' || tag == 'Z') {
      if (!inside) return LineProblem(line_number, "a poke comes before any trainer's name (N)");
      PokeLine poke;
      std::string reason;
      if (!ReadPokeLine(line.substr(1), poke, reason)) return LineProblem(line_number, reason);
      Trainer& trainer = read.back();
      trainer.pokes.push_back(poke);
      trainer.needs_128k = trainer.needs_128k || NeedsOther128kPage(poke);
      trainer.asks_value = trainer.asks_value || poke.value == kAskedPokeValue;
      inside = tag == 'M';
      continue;
    }
    return LineProblem(line_number, "a line starts with N, M, Z or Y, not " + Shown(tag));
  }
  if (inside) return LineProblem(line_number, "the file ends before the trainer's last poke (Z)");
  if (read.empty()) return FileProblem{kTitle, kNoTrainers};
  trainers = std::move(read);
  return std::nullopt;
}

std::optional<FileProblem> ReadPokFile(const std::string& path, std::vector<Trainer>& trainers) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kLargestPokFile, not_a_file);
  if (!file) return UnreadableFile(kTitle, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  return ReadPokBytes(file->bytes, trainers);
}

void ApplyTrainer(Machine& machine, const Trainer& trainer, const std::vector<std::uint8_t>& asked_values) {
  assert(!trainer.needs_128k);
  std::size_t asked = 0;
  for (const PokeLine& poke : trainer.pokes) {
    std::uint8_t value = static_cast<std::uint8_t>(poke.value);
    if (poke.value == kAskedPokeValue) {
      assert(asked < asked_values.size());
      value = asked < asked_values.size() ? asked_values[asked] : 0;
      ++asked;
    }
    StoreDirect(machine, poke.address, value);
  }
}

void ApplyPokesCommand(Machine& machine, Host& host, TrainerChooser& chooser) {
  const std::string path = host.AskOpenPath(kDialogTitle, kFilter);
  if (path.empty()) return;
  std::vector<Trainer> trainers;
  if (ShowProblem(host, ReadPokFile(path, trainers))) return;
  std::optional<std::vector<ChosenTrainer>> chosen = chooser.ChooseTrainers(trainers);
  if (!chosen) return;
  for (const ChosenTrainer& pick : *chosen) {
    if (pick.index < trainers.size() && !trainers[pick.index].needs_128k) {
      ApplyTrainer(machine, trainers[pick.index], pick.asked_values);
    }
  }
}
