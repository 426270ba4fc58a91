// Kelbrin's state: the ROM image being edited, its code/data map and the
// settings the menu toggles. main() owns the one instance; every command
// (block files, Define, listings, Peek/Poke, NMI fix) works on it.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "data/rom_image.h"
#include "tools/host.h"
#include "tools/memory_view.h"

// One byte per ROM address 0-3FFFh.
using RomImage = std::array<std::uint8_t, kRomSize>;
// One byte per ROM address: 0 = code, 1 = data. A loaded .map file may bring
// other values; the listing treats any non-zero byte as data.
using RomMap = std::array<std::uint8_t, kRomSize>;

enum class LineKind : std::uint8_t { kCode, kData };

// Listing text is gathered here before it is appended to "dis.asm"; the
// longest possible listing of the whole image stays well below this.
constexpr std::size_t kTextOutputSize = 1000000;

struct RomEditor {
  RomImage rom_image{};
  RomMap rom_map{};
  bool hex_mode = true;        // "Output in HEX"
  bool map_enabled = true;     // "Enable ROM mapping"
  bool nmi_fix_mark = false;   // check mark of "NMI Fix": the last toggle's result
  // Kind of the line just listed; carries over from one listing to the next
  // so a new listing that starts in another kind begins with an empty line.
  LineKind line_kind = LineKind::kCode;
  std::string text_output;     // reserved once at start-up, kTextOutputSize
  // What the image and the map were when last loaded, saved or restored,
  // byte by byte (a block load or save keeps its range): quitting asks
  // first while they differ, so edits are not lost without a word.
  RomImage kept_image{};
  RomMap kept_map{};

  MemoryView ImageView() { return MemoryView{rom_image.data(), rom_image.size()}; }
  MemoryView MapView() { return MemoryView{rom_map.data(), rom_map.size()}; }
};

// Start-up state: built-in ROM, DefaultRomMap, the text buffer reserved.
void InitRomEditor(RomEditor& editor);
// "Restore default ROM" after the Yes: image and map only; the NMI check mark
// and the settings stay as they are.
void RestoreDefaultRom(RomEditor& editor);

// The range just loaded or saved now matches its file; a save without its
// .map file leaves the map's range as it was.
void KeepRange(RomEditor& editor, std::uint32_t base, std::uint32_t count, bool map_too);
// The image or the map differs from what was last loaded, saved or restored.
bool HasUnsavedChanges(const RomEditor& editor);

inline constexpr const char* kQuitTitle = "Quit Kelbrin";
inline constexpr const char* kQuitQuestion =
    "The ROM or its map has changed since it was last loaded or saved. Any unsaved changes will be lost, Quit?";

inline constexpr const char* kRestoreTitle = "Restore Default ROM";
inline constexpr const char* kRestoreQuestion = "Any unsaved changes will be lost, Proceed?";
// Menu id 3: asks first; No changes nothing.
void RestoreDefaultRomCommand(RomEditor& editor, Host& host);
