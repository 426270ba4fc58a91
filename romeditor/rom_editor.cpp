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
}

void RestoreDefaultRomCommand(RomEditor& editor, Host& host) {
  if (host.AskYesNo(kRestoreTitle, kRestoreQuestion)) RestoreDefaultRom(editor);
}
