// Font lookup for list windows, labels and buttons.
#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>

QFont ConsolasFont(int point_size, bool bold) {
  QFont font(QStringLiteral("Consolas"), point_size, bold ? QFont::Bold : QFont::Normal);
  if (!QFontInfo(font).fixedPitch()) {
    // Consolas is a Windows font; listings need any fixed-pitch face.
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(point_size);
    font.setBold(bold);
  }
  return font;
}
