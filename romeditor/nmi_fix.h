// "NMI Fix" (menu id 20): flips the sense of the conditional jump in the ROM's
// NMI routine so that an NMI runs the service routine whose address is held
// in NMIADD instead of only when NMIADD is 0.
#pragma once
#include <cstdint>

#include "romeditor/rom_editor.h"
#include "tools/host.h"

// The JR NZ,e (20h) at 006Dh; JR Z,e (28h) differs from it only in bit 3.
inline constexpr std::uint16_t kNmiJumpAddress = 0x006D;
inline constexpr std::uint8_t kNmiJumpConditionBit = 0x08;
inline constexpr std::uint8_t kJrNzOpcode = 0x20;
inline constexpr std::uint8_t kJrZOpcode = 0x28;

inline constexpr const char* kNmiFixTitle = "NMI Fix";
// The two texts really differ in the case of "fix".
inline constexpr const char* kNmiFixInstalledText = "NMI fix installed.";
inline constexpr const char* kNmiFixRemovedText = "NMI Fix removed.";

// Shown when 006Dh holds neither jump: "The byte at 006Dh is " + 2 hex
// digits + "h" + this tail.
inline constexpr const char* kNmiFixForeignBytePrefix = "The byte at 006Dh is ";
inline constexpr const char* kNmiFixForeignByteTail =
    ", not JR NZ (20h) or JR Z (28h). The ROM was left unchanged.";

// Toggles the patch, tells the user and sets editor.nmi_fix_mark. A ROM whose
// byte at 006Dh is neither jump is left alone (image and mark) with a message
// naming the byte.
void ToggleNmiFix(RomEditor& editor, Host& host);
