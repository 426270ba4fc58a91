// Raw BIN, SCR and ROM blocks: the base/count choice (BlockDialog's rules as
// a plain model, asked through BlockAsker so tests can script it) and the
// "Load Bin/Scr/Rom" (id 3) and "Save Bin/Scr/Rom" (id 4) commands of the
// main window and the debugger.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"
#include "tools/host.h"

struct BlockChoice {
  std::uint16_t block_base = 0;   // 0-65535
  std::uint16_t block_count = 0;  // 1-65535
};

constexpr BlockChoice kRomBlock{0, 16384};
constexpr BlockChoice kScreenBlock{16384, 6912};

// A digits-only field's text read as a number in [low, high]; nothing for an
// empty field, non-digits or a value out of range.
std::optional<std::uint32_t> FieldNumber(std::string_view text, std::uint32_t low,
                                         std::uint32_t high);

// The two fields of the block dialog and their rules; the Qt dialog mirrors
// base_text and count_text into its line edits after every event.
struct BlockFields {
  std::string base_text = "0";
  std::string count_text = "0";

  // The user changed a field: out-of-range text (a count of 0 included)
  // empties it.
  void EditBase(std::string_view text);
  void EditCount(std::string_view text);
  void PresetRom();     // "ROM": 0 / 16384
  void PresetScreen();  // "SCR": 16384 / 6912
  // "OK": the choice when both fields hold valid numbers, else nothing (the
  // dialog stays open).
  std::optional<BlockChoice> Accept() const;
};

// Runs the block dialog; nothing means Cancel.
struct BlockAsker {
  virtual ~BlockAsker() = default;
  virtual std::optional<BlockChoice> AskBlock() = 0;
};

// "Load Bin/Scr/Rom": a load at base 0 resets the processor; a load at 16384
// sets machine.screen_loaded for the debugger.
void LoadBlockCommand(Machine& machine, CpuState& cpu, Host& host, BlockAsker& asker);
// "Save Bin/Scr/Rom".
void SaveBlockCommand(Machine& machine, Host& host, BlockAsker& asker);

// The transfers behind the commands, once the block and path are known. The
// load stores the file's first block_count bytes (fewer when the file is
// shorter), or returns why not (unreadable or empty) and changes nothing.
std::optional<FileProblem> LoadBlockFile(Machine& machine, CpuState& cpu, BlockChoice block,
                                         const std::string& path);
void SaveBlockFile(const Machine& machine, Host& host, BlockChoice block, const std::string& path);
// ".scr" for 16384/6912, ".rom" for 0/16384, ".bin" otherwise.
std::string_view DefaultBlockExtension(BlockChoice block);
