// The fixed texts of Kelbrin's Help and About windows and of its "Info" box.
// Plain text so the window code only shows them and tests can read them.
#pragma once
#include <string>
#include <vector>

inline constexpr const char* kProgramTitle = "Kelbrin";
inline constexpr const char* kInfoTitle = "Info";

// The Help window's lines: banner, commands, the NMI fix with a listing of
// the built-in ROM's NMI routine (decoded from the ROM itself, the
// conditional jump marked "***"), ROM maps, unused ROM space, author.
std::vector<std::string> HelpLines();
// The About window's eight lines.
std::vector<std::string> AboutLines();
// "MenuItem: 21 is not currently installed."
std::string UnknownMenuItemText(int id);
// The --help text (the manual page is made from it).
std::string KelbrinUsageText();
