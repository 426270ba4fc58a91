// The programs' typeface on a host without Consolas: the stand-in keeps the
// asked point size and weight but is never wider than Consolas, whose 0.55 em
// digits the windows' boxes were measured with at 96 dots per inch.
#include <QFontInfo>
#include <QFontMetricsF>
#include <QtTest>

#include "platform/fonts.h"

class FontsTest : public QObject {
  Q_OBJECT

 private slots:
  void StandInIsNoWiderThanConsolasAtEverySizeUsed() {
    struct Case {
      int point_size;
      bool bold;
    };
    const Case cases[] = {{7, false}, {8, false}, {8, true}, {12, true}};
    for (const Case& c : cases) {
      const QFont font = ConsolasFont(c.point_size, c.bold);
      const QString what = QStringLiteral("%1 pt%2 %3")
                               .arg(c.point_size)
                               .arg(c.bold ? " bold" : "")
                               .arg(QFontInfo(font).family());
      QCOMPARE(font.bold(), c.bold);
      if (QFontInfo(font).family() == QStringLiteral("Consolas")) continue;
      const double consolas = 0.55 * c.point_size * 96.0 / 72.0;
      const QFontMetricsF metrics(font);
      QVERIFY2(metrics.horizontalAdvance(QStringLiteral("00000000")) <= 8 * consolas,
               qPrintable(what));
      // Fixed pitch, whatever the face declares: letters as wide as digits.
      QCOMPARE(metrics.horizontalAdvance(QStringLiteral("MMMM")),
               metrics.horizontalAdvance(QStringLiteral("iiii")));
      // Narrower, not smaller: the lines stay as tall and readable as asked.
      QCOMPARE(font.pointSize(), c.point_size);
      QVERIFY2(metrics.horizontalAdvance(QLatin1Char('0')) > 0.9 * consolas, qPrintable(what));
    }
  }
};

QTEST_MAIN(FontsTest)
#include "fonts_qt_test.moc"
