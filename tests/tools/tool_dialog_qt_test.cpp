// The shared fitting helpers of the tool windows, offscreen: lists keep
// Consolas' row height so boxes sized for a number of rows show them all,
// and labels fit their text into the width and height they were given, also
// where the design lets a label's box run under a button.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QWidget>
#include <QtTest>
#include <cstdint>
#include <vector>

#include "platform/fonts.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"
#include "tools/tool_dialog.h"

class ToolDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void ListsSizedForConsolasRowsShowThemAllWithoutScrollBar() {
    // A 135-pixel box held nine Consolas 8 pt rows (About); 186 pixels held
    // the fourteen stack words.
    struct Case {
      int height;
      int rows;
    };
    for (const Case& c : {Case{135, 9}, Case{186, 14}}) {
      QWidget window;
      auto* list = new QListWidget(&window);
      list->setGeometry(0, 0, 210, c.height);
      list->setFont(ConsolasFont(8));
      UseConsolasRows(list);
      for (int row = 0; row < c.rows; ++row) list->addItem(QStringLiteral("Spectrum (C) %1").arg(row));
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QVERIFY2(!list->verticalScrollBar()->isVisible(), qPrintable(QString::number(c.rows)));
      const QRect last = list->visualItemRect(list->item(c.rows - 1));
      QVERIFY2(last.bottom() < list->viewport()->height(), qPrintable(QString::number(c.rows)));
    }
  }

  void LabelsShrinkToTheirWidthAndCentreWhenTheLineIsTallerThanTheBox() {
    QWidget window;
    window.setFont(ConsolasFont(8));
    QLabel* wide = MakeLabel(&window, QStringLiteral("A much too long text"), 0, 0, 60, 20);
    QVERIFY(wide->fontMetrics().horizontalAdvance(wide->text()) <= 60 ||
            wide->font().pointSize() == 6);
    QVERIFY(wide->font().pointSize() < 8);
    QVERIFY(wide->alignment() & Qt::AlignTop);  // a 20-pixel box takes the whole line

    QLabel* low = MakeCentredLabel(&window, QStringLiteral("RMB = Clear"), 0, 30, 80, 10);
    QCOMPARE(low->font().pointSize(), 8);
    QCOMPARE(int(low->alignment()), int(Qt::AlignHCenter | Qt::AlignVCenter));
  }

  void MapDisabledNoteEndsBeforeTheButtonsItRunsUnder() {
    std::vector<std::uint8_t> rom(0x4000), map(0x4000);
    const MemoryView rom_view{rom.data(), rom.size()};
    const MemoryView map_view{map.data(), map.size()};
    PeekDialog peek(rom_view, KelbrinPeekOptions(map_view, false));
    PokeDialog poke(rom_view, KelbrinPokeOptions(map_view, false));
    for (ByteToolDialog* dialog : {static_cast<ByteToolDialog*>(&peek),
                                   static_cast<ByteToolDialog*>(&poke)}) {
      const QLabel* note = dialog->map_disabled_label();
      QVERIFY(note != nullptr);
      QCOMPARE(note->geometry(), QRect(20, 60, 160, 20));
      // Peek's "Done" starts at x 135, Poke's "Peek" at x 140.
      QVERIFY2(note->x() + note->fontMetrics().horizontalAdvance(note->text()) <= 135,
               qPrintable(dialog->windowTitle()));
    }
  }

  // A window manager centres the title between its icon and buttons and
  // cuts what does not fit ("Vantr... of PC"): a dialog laid out narrower
  // than its title is widened, one wide enough keeps its width.
  void DialogsAreWideEnoughForTheirTitles() {
    struct Case {
      const char* title;
      int laid_out;
    };
    for (const Case& c : {Case{"Vantro - Break on value of PC", 190}, Case{"Disassemble", 180}, Case{"Help", 340}}) {
      ToolDialog dialog(nullptr, QString::fromLatin1(c.title), 0, 0, c.laid_out, 95, false);
      QFont bold = QApplication::font();
      bold.setBold(true);
      const int needed = QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(c.title)) + 120;
      QVERIFY2(dialog.width() >= std::max(needed, c.laid_out), c.title);
      QVERIFY2(dialog.width() <= std::max(needed + 100, c.laid_out), c.title);
      QCOMPARE(dialog.height(), 95);
    }
  }
};

QTEST_MAIN(ToolDialogTest)
#include "tool_dialog_qt_test.moc"
