// The block dialog as a user meets it: layout, typing into the fields,
// the presets, and OK refused until both numbers are valid.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include "snapshots/block_dialog.h"

class BlockDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void LayoutFollowsTheDialogPlan() {
    BlockDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Load/Save BIN file"));
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(dialog.height(), 125);
    QVERIFY(dialog.width() >= 240);
    QCOMPARE(dialog.pos(), QPoint(680, 110));
    struct Control { QWidget* widget; QRect where; QString text; };
    const Control controls[] = {
        {dialog.base_field(), QRect(20, 25, 80, 20), "0"},
        {dialog.count_field(), QRect(140, 25, 80, 20), "0"},
        {dialog.rom_button(), QRect(15, 58, 60, 25), "ROM"},
        {dialog.screen_button(), QRect(15, 88, 60, 25), "SCR"},
        {dialog.cancel_button(), QRect(90, 88, 60, 25), "Cancel"},
        {dialog.ok_button(), QRect(165, 88, 60, 25), "OK"},
    };
    for (const Control& c : controls) {
      QCOMPARE(c.widget->geometry(), c.where);
      if (auto* field = qobject_cast<QLineEdit*>(c.widget)) QCOMPARE(field->text(), c.text);
      if (auto* button = qobject_cast<QPushButton*>(c.widget)) QCOMPARE(button->text(), c.text);
    }
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    labels.sort();
    QCOMPARE(labels, (QStringList{"Base Address", "Byte Count"}));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
  }

  void TypedOutOfRangeNumbersEmptyTheField() {
    BlockDialog dialog;
    dialog.show();
    dialog.base_field()->clear();
    QTest::keyClicks(dialog.base_field(), "70000");
    QCOMPARE(dialog.base_field()->text(), QString(""));
    dialog.count_field()->clear();
    QTest::keyClicks(dialog.count_field(), "70000");
    QCOMPARE(dialog.count_field()->text(), QString(""));
    QTest::keyClicks(dialog.count_field(), "12x3");  // letters never get in
    QCOMPARE(dialog.count_field()->text(), QString("123"));
  }

  void OkIsRefusedUntilBothFieldsAreValid() {
    BlockDialog dialog;
    dialog.show();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 0);  // count still 0
    QVERIFY(dialog.isVisible());

    dialog.count_field()->selectAll();
    QTest::keyClicks(dialog.count_field(), "70000");
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 0);

    QTest::keyClicks(dialog.count_field(), "256");
    dialog.base_field()->selectAll();
    QTest::keyClicks(dialog.base_field(), "32768");
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
    QVERIFY(dialog.choice().has_value());
    QCOMPARE(int(dialog.choice()->block_base), 32768);
    QCOMPARE(int(dialog.choice()->block_count), 256);
  }

  void PresetsFillTheFieldsAndCanBeAccepted() {
    BlockDialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.screen_button(), Qt::LeftButton);
    QCOMPARE(dialog.base_field()->text(), QString("16384"));
    QCOMPARE(dialog.count_field()->text(), QString("6912"));
    QTest::mouseClick(dialog.rom_button(), Qt::LeftButton);
    QCOMPARE(dialog.base_field()->text(), QString("0"));
    QCOMPARE(dialog.count_field()->text(), QString("16384"));
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(int(dialog.choice()->block_count), 16384);
  }

  void CancelClosesWithoutAChoice() {
    BlockDialog dialog;
    dialog.show();
    QTest::mouseClick(dialog.rom_button(), Qt::LeftButton);
    QTest::mouseClick(dialog.cancel_button(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.choice().has_value());
  }

  void AskerReturnsTheAcceptedBlock() {
    QtBlockAsker asker;
    // The modal dialog is answered once its event loop runs.
    QTimer::singleShot(0, [] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<BlockDialog*>(top)) {
          QTest::mouseClick(dialog->screen_button(), Qt::LeftButton);
          QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
        }
      }
    });
    auto choice = asker.AskBlock();
    QVERIFY(choice.has_value());
    QCOMPARE(int(choice->block_base), 16384);
    QCOMPARE(int(choice->block_count), 6912);
  }
};

QTEST_MAIN(BlockDialogTest)
#include "block_dialog_qt_test.moc"
