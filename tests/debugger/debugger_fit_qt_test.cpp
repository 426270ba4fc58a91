// The debugger's texts against its fixed boxes, offscreen: with the widest
// values every register field shows all its digits without scrolling, the
// labels and headers keep their whole letters, and the stack box holds its words with
// no scroll bar, in both number bases, whatever fixed-pitch face the host has.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "cpu/z80.h"
#include "debugger/debugger_window.h"
#include "debugger/register_display.h"
#include "debugger_rig.h"
#include "support/fake_host.h"

namespace {

// The pixels a line edit gives its text: its frame and the two pixels it
// keeps either side, less one for the cursor after the last character.
int TextRoom(const QLineEdit* field) {
  QStyleOptionFrame option;
  option.initFrom(field);
  const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
  return field->width() - 2 * frame - 2 * 2 - 1;
}

// Pixels of a row that differ clearly from the background: letters.
int InkInRow(const QImage& image, int y, const QColor& background) {
  int ink = 0;
  for (int x = 0; x < image.width(); ++x) {
    const QColor pixel = image.pixelColor(x, y);
    const int difference = std::abs(pixel.red() - background.red()) +
                           std::abs(pixel.green() - background.green()) +
                           std::abs(pixel.blue() - background.blue());
    if (difference > 96) ++ink;
  }
  return ink;
}

}  // namespace

class DebuggerFitTest : public QObject {
  Q_OBJECT

 private slots:
  void EveryTextFitsItsBoxInBothBases() {
    for (bool hex : {false, true}) {
      Rig rig;
      rig.hex_mode = hex;
      // The widest values each field can show: all bits set, five-digit
      // words, a seven-digit running total.
      rig.cpu.a = rig.cpu.f = rig.cpu.b = rig.cpu.c = 0xFF;
      rig.cpu.d = rig.cpu.e = rig.cpu.h = rig.cpu.l = 0xFF;
      rig.cpu.ix = rig.cpu.iy = rig.cpu.sp = rig.cpu.memptr = 0xFFFF;
      rig.cpu.pc = 0xFFFF;
      rig.cpu.i = rig.cpu.r = 0xFF;
      rig.cpu.tstates = 23;
      rig.machine->debugger_total = 1048574;
      std::fill(rig.machine->memory.begin(), rig.machine->memory.end(), 0xFF);
      DebuggerWindow window(rig.context);
      window.RefreshDebugger();
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));

      for (QLineEdit* field : window.findChildren<QLineEdit*>()) {
        const int needed = field->fontMetrics().horizontalAdvance(field->text());
        QVERIFY2(needed <= TextRoom(field),
                 qPrintable(QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                                .arg(field->objectName(), field->text())
                                .arg(needed)
                                .arg(TextRoom(field))));
      }
      for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        const QFontMetrics metrics = label->fontMetrics();
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                 qPrintable(label->text()));
        // No letter runs off the top or bottom edge: the box's first and
        // last pixel rows hold background only.
        const QImage image = label->grab().toImage();
        const QColor background = label->palette().color(QPalette::Window);
        for (int y : {0, image.height() - 1}) {
          QVERIFY2(InkInRow(image, y, background) == 0,
                   qPrintable(QStringLiteral("%1 cut at row %2").arg(label->text()).arg(y)));
        }
      }

      QListWidget* stack = window.stack_list();
      QCOMPARE(stack->count(), kStackLines);
      QVERIFY2(!stack->verticalScrollBar()->isVisible(), "stack words need a scroll bar");
      QVERIFY2(!stack->horizontalScrollBar()->isVisible(), "stack words are too wide");
      const QRect last = stack->visualItemRect(stack->item(kStackLines - 1));
      QVERIFY2(last.bottom() < stack->viewport()->height(), "last stack word is cut");
      const int text_width = stack->fontMetrics().horizontalAdvance(stack->item(0)->text());
      QVERIFY2(text_width <= stack->viewport()->width() - 2 * 3,  // the item's text margins
               qPrintable(QString::number(text_width)));
    }
  }
};

QTEST_MAIN(DebuggerFitTest)
#include "debugger_fit_qt_test.moc"
