// Start-up state and "Restore default ROM" for Kelbrin's image and map.
#include "romeditor/rom_editor.h"

#include <algorithm>

#include "romeditor/rom_map.h"

void InitRomEditor(RomEditor& editor) {
  editor = RomEditor{};
  editor.text_output.reserve(kTextOutputSize);
  RestoreDefaultRom(editor);
}

void RestoreDefaultRom(RomEditor& editor) {
  std::span<const std::uint8_t, kRomSize> rom = BuiltInRom();
  std::copy(rom.begin(), rom.end(), editor.rom_image.begin());
  editor.rom_map = DefaultRomMap();
  KeepRange(editor, 0, kRomSize, true);
}

void KeepRange(RomEditor& editor, std::uint32_t base, std::uint32_t count, bool map_too) {
  if (base >= kRomSize) return;
  const std::uint32_t end = std::min<std::uint32_t>(base + count, kRomSize);
  std::copy(editor.rom_image.begin() + base, editor.rom_image.begin() + end, editor.kept_image.begin() + base);
  if (map_too) std::copy(editor.rom_map.begin() + base, editor.rom_map.begin() + end, editor.kept_map.begin() + base);
}

bool HasUnsavedChanges(const RomEditor& editor) {
  return editor.rom_image != editor.kept_image || editor.rom_map != editor.kept_map;
}

void RestoreDefaultRomCommand(RomEditor& editor, Host& host) {
  if (host.AskYesNo(kRestoreTitle, kRestoreQuestion)) RestoreDefaultRom(editor);
}
