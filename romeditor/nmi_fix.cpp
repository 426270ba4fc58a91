// The NMI patch: one bit of one ROM byte, the map untouched.
#include "romeditor/nmi_fix.h"

void ToggleNmiFix(RomEditor& editor, Host& host) {
  std::uint8_t& opcode = editor.rom_image[kNmiJumpAddress];
  opcode ^= kNmiJumpConditionBit;
  // The byte itself is the state: a loaded or poked ROM whose byte is neither
  // JR NZ nor JR Z still counts as patched after the flip.
  if (opcode == 0x20) {
    host.ShowMessage(kNmiFixTitle, kNmiFixRemovedText);
    editor.nmi_fix_mark = false;
  } else {
    host.ShowMessage(kNmiFixTitle, kNmiFixInstalledText);
    editor.nmi_fix_mark = true;
  }
}
