// The NMI patch: one bit of one ROM byte, the map untouched.
#include "romeditor/nmi_fix.h"

#include <string>

#include "tools/text_format.h"

void ToggleNmiFix(RomEditor& editor, Host& host) {
  std::uint8_t& opcode = editor.rom_image[kNmiJumpAddress];
  // Flipping bit 3 of any other byte would turn an unrelated instruction
  // (JR e into DJNZ, for one) into something else and call it the fix.
  if (opcode != kJrNzOpcode && opcode != kJrZOpcode) {
    host.ShowMessage(kNmiFixTitle,
                     std::string(kNmiFixForeignBytePrefix) + Hex2h(opcode) + kNmiFixForeignByteTail);
    return;
  }
  opcode ^= kNmiJumpConditionBit;
  if (opcode == kJrNzOpcode) {
    host.ShowMessage(kNmiFixTitle, kNmiFixRemovedText);
    editor.nmi_fix_mark = false;
  } else {
    host.ShowMessage(kNmiFixTitle, kNmiFixInstalledText);
    editor.nmi_fix_mark = true;
  }
}
