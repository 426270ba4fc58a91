// The programs' one typeface: "Consolas" where the system has it, else the
// system's fixed-pitch face narrowed to Consolas' advance, so listings keep
// their columns and texts fit the boxes laid out for Consolas everywhere.
#pragma once
#include <QFont>

QFont ConsolasFont(int point_size, bool bold = false);

// The row height a list in `font` has where the font is Consolas: its own
// line there, else Consolas' 1.17 em line at the font's pixel size. Stand-in
// faces reserve more room above their capitals, and their taller line would
// leave lists sized for Consolas a row short.
int ConsolasLineHeight(const QFont& font);
