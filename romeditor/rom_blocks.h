// "Load rom/bin" and "Save rom/bin" (menu ids 1 and 2): raw blocks of the ROM
// image moved to and from files, with the .map file that carries the code/data
// marks of the same bytes. Called from the menu dispatch; the loaders are also
// the fuzz target's entry.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "romeditor/kelbrin_asker.h"
#include "romeditor/rom_editor.h"
#include "tools/host.h"

inline constexpr const char* kLoadBlockTitle = "Load BIN file";
inline constexpr const char* kSaveBlockTitle = "Save BIN file";
// Any file loads as a block of raw bytes, so any file may be chosen.
inline constexpr const char* kLoadFilter = "All supported files (*.bin)|*.bin;*.rom;;All files (*)|*";
inline constexpr const char* kSaveFilter = "All supported files (*.bin)|*.bin;*.scr;*.rom";
inline constexpr const char* kLoadErrorTitle = "Load BIN";
inline constexpr const char* kLoadErrorText = "Can't read from file!";
inline constexpr const char* kSaveErrorTitle = "Save BIN";
inline constexpr const char* kSaveErrorText = "Can't open file!";
inline constexpr const char* kSaveWriteErrorText = "Can't write to file!";
inline constexpr const char* kSaveMapErrorText = "Can't open MAP file!";
inline constexpr const char* kSaveMapWriteErrorText = "Can't write to MAP file!";

// Block dialog field rules. Base: 0-16383. Count as typed: 1-16383; only the
// "ROM" button gives 16384. Anything else (empty, letters, too long) is none.
std::optional<std::uint32_t> ParseBlockBase(std::string_view text);
std::optional<std::uint32_t> ParseBlockCount(std::string_view text);

// The .map file beside a block file: the last three characters of the name
// replaced by "map" ("ROM48.rom" -> "ROM48.map"). When that would name the
// block file itself (a block called "x.map") or reach outside the file's own
// name, ".map" is appended instead, so a map can never overwrite its block or
// an unrelated file.
std::string MapFileName(std::string_view block_path);

// A save name without extension gets ".rom" for the whole ROM (base 0, count
// 16384) and ".bin" for anything else; a name with an extension is kept.
std::string WithBlockExtension(std::string_view path, std::uint32_t base, std::uint32_t count);

// A block reaching past 3FFFh is cut there; a base past 3FFFh gives 0 bytes.
std::uint32_t ClippedBlockCount(std::uint32_t base, std::uint32_t count);

// Reads the block file (and, by the map option, the map) into the editor.
// False when the block file cannot be opened; then nothing has changed.
bool LoadBlockFiles(RomEditor& editor, const std::string& path, const BlockRequest& request);

enum class SaveResult { kSaved, kCannotCreate, kWriteFailed, kMapCannotCreate, kMapWriteFailed };
// Writes the block (and with kMapFile its .map file) from the editor. The map
// results mean the block file itself was written in full.
SaveResult SaveBlockFiles(const RomEditor& editor, const std::string& path, const BlockRequest& request);

void LoadRomBlockCommand(RomEditor& editor, Host& host, KelbrinAsker& asker);
void SaveRomBlockCommand(RomEditor& editor, Host& host, KelbrinAsker& asker);
