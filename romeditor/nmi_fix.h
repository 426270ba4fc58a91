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

inline constexpr const char* kNmiFixTitle = "NMI Fix";
// The two texts really differ in the case of "fix".
inline constexpr const char* kNmiFixInstalledText = "NMI fix installed.";
inline constexpr const char* kNmiFixRemovedText = "NMI Fix removed.";

// Toggles the patch, tells the user and sets editor.nmi_fix_mark.
void ToggleNmiFix(RomEditor& editor, Host& host);
