// POK trainer files ("infinite lives" and the like): read whole and checked
// line by line, then the trainers the user chooses are poked into the
// running machine. "File" > "Apply POKEs..." (main window) and vantro-run's
// --pokes call these; the check boxes are in pok_dialog.cpp.
//
// The format: a line "N<name>" starts a trainer, its pokes follow on lines
// "M bank address value original", the last one tagged Z instead of M, and
// a line "Y" ends the file (the rest is not read). Numbers are decimal.
// Bank bit 3 set means "any bank" (always so in 48K files), else bits 0-2
// name a 128K page; the value 256 means "ask the user for the value".
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

// The value a poke line gives when the user is to be asked for one.
constexpr std::uint16_t kAskedPokeValue = 256;

struct PokeLine {
  std::uint8_t bank = 8;
  std::uint16_t address = 0;
  std::uint16_t value = 0;  // 0-255, or kAskedPokeValue
  std::uint8_t original = 0;
};

struct Trainer {
  std::string name;
  std::vector<PokeLine> pokes;
  // A poke names a 128K page other than the one a 48K Spectrum has at
  // C000h (page 0, as a 128K pages it at start), so the trainer cannot be
  // applied here.
  bool needs_128k = false;
  bool asks_value = false;  // a poke has the value 256
};

// The trainers of the file at path, or the refusal ("Apply POKEs" / the
// line it fails on and why).
std::optional<FileProblem> ReadPokFile(const std::string& path, std::vector<Trainer>& trainers);
// The same for the file's bytes.
std::optional<FileProblem> ReadPokBytes(const std::vector<std::uint8_t>& bytes, std::vector<Trainer>& trainers);

// Stores the trainer's pokes; asked_values gives, in order, the value for
// each poke whose value is 256 (it must hold as many). Not for a trainer
// that needs_128k.
void ApplyTrainer(Machine& machine, const Trainer& trainer, const std::vector<std::uint8_t>& asked_values);

// What the user picked in the dialog: the trainers chosen, and for each its
// asked values (see ApplyTrainer).
struct ChosenTrainer {
  std::size_t index = 0;
  std::vector<std::uint8_t> asked_values;
};

// The dialog in front of "Apply POKEs...": the window's is in pok_dialog.cpp,
// tests give a scripted one. Nothing when the user cancels.
struct TrainerChooser {
  virtual ~TrainerChooser() = default;
  virtual std::optional<std::vector<ChosenTrainer>> ChooseTrainers(const std::vector<Trainer>& trainers) = 0;
};

// "Apply POKEs...": asks for a .pok file, reads it (a refused file is
// reported and changes nothing), lets the user choose trainers and pokes
// them all; cancelling either dialog changes nothing.
void ApplyPokesCommand(Machine& machine, Host& host, TrainerChooser& chooser);
