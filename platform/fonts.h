// The programs' one typeface: "Consolas" where the system has it, else the
// system's fixed-pitch face, so listings keep their columns everywhere.
#pragma once
#include <QFont>

QFont ConsolasFont(int point_size, bool bold = false);
