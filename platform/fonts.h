// The programs' one typeface: "Consolas" where the system has it, else the
// system's fixed-pitch face narrowed to Consolas' advance, so listings keep
// their columns and texts fit the boxes laid out for Consolas everywhere.
#pragma once
#include <QFont>

QFont ConsolasFont(int point_size, bool bold = false);
