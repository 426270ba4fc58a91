// Font lookup for list windows, labels and buttons.
#include "platform/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace {

// Consolas' digits advance 0.55 em. The windows' boxes were measured with
// it at 96 dots per inch, so a stand-in face must be no wider than this.
double ConsolasAdvance(int point_size) { return 0.55 * point_size * 96.0 / 72.0; }

// Consolas' line, ascent plus descent, in ems.
constexpr double kConsolasLineEm = 1.17;

bool IsConsolas(const QFont& font) {
  return QFontInfo(font).family().compare(QStringLiteral("Consolas"), Qt::CaseInsensitive) == 0;
}

double DigitAdvance(const QFont& font) { return QFontMetricsF(font).horizontalAdvance(QLatin1Char('0')); }

}  // namespace

QFont ConsolasFont(int point_size, bool bold) {
  QFont font(QStringLiteral("Consolas"), point_size, bold ? QFont::Bold : QFont::Normal);
  // Asking by name may quietly give another face; only Consolas itself has
  // the widths the boxes were made for.
  if (IsConsolas(font)) return font;
  // Consolas is a Windows font; listings need any fixed-pitch face. The
  // usual stand-ins advance about 0.6 em, which cuts 8-digit bit fields and
  // headers in boxes sized for Consolas. Narrowing the face keeps Consolas'
  // height and point size; where the face cannot be narrowed it is made
  // smaller instead.
  font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(point_size);
  font.setBold(bold);
  const double target = ConsolasAdvance(point_size);
  const double natural = DigitAdvance(font);
  if (natural > target && natural > 0) {
    font.setStretch(static_cast<int>(100.0 * target / natural));  // rounds down: never wider
    for (double size = point_size; DigitAdvance(font) > target && size > 4; size -= 0.25) {
      font.setPointSizeF(size - 0.25);
    }
  }
  return font;
}

int ConsolasLineHeight(const QFont& font) {
  const int own = QFontMetrics(font).height();
  if (IsConsolas(font)) return own;
  return std::min(own, static_cast<int>(std::ceil(kConsolasLineEm * QFontInfo(font).pixelSize())));
}
