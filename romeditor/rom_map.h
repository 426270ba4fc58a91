// The built-in map of the 48K ROM and the commands that edit the map a range
// at a time ("Define CODE block", "Define DATA block"). Called from the
// menu dispatch and from start-up / "Restore default ROM".
#pragma once
#include <cstdint>
#include <span>

#include "romeditor/kelbrin_asker.h"
#include "romeditor/rom_editor.h"
#include "tools/host.h"

// One run of data bytes of the built-in map, both ends inclusive.
struct MapRun {
  std::uint16_t first;
  std::uint16_t last;
};

// The data runs of DefaultRomMap in address order; every other address is code.
std::span<const MapRun> DefaultRomMapRuns();
// The 16,384-byte map of the built-in ROM, built once from the runs.
const RomMap& DefaultRomMap();

// Sets map bytes first..last (inclusive) to value; the range is cut at 3FFFh.
void MarkMapRange(RomMap& map, std::uint32_t first, std::uint32_t last, std::uint8_t value);

// Menu ids 12 and 13: kind kCode for "Define CODE block", kData for
// "Define DATA block".
void DefineBlockCommand(RomEditor& editor, Host& host, KelbrinAsker& asker, LineKind kind);

inline constexpr const char* kRomMapTitle = "ROM Map";
inline constexpr const char* kMapDisabledText = "ROM Mapping is currently disabled.";
