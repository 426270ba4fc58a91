// Kelbrin's block dialog driven like a user: typing, check boxes, "ROM",
// "OK" and "Cancel".
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "romeditor/block_dialog.h"

class BlockDialogTest : public QObject {
  Q_OBJECT

 private:
  static void Type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
  }

 private slots:
  void LoadFormHasItsTitleSizeAndStartState() {
    KelbrinBlockDialog dialog(BlockForm::kLoad);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Load rom or bin file"));
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(dialog.height(), 165);
    QVERIFY(dialog.width() >= 240);
    QCOMPARE(dialog.pos(), QPoint(380, 110));
    QCOMPARE(dialog.base_field()->text(), QStringLiteral("0"));
    QCOMPARE(dialog.count_field()->text(), QStringLiteral("0"));
    QCOMPARE(dialog.code_box()->text(), QStringLiteral(" - File is a Code block"));
    QCOMPARE(dialog.data_box()->text(), QStringLiteral(" - File is a Data block"));
    QCOMPARE(dialog.map_box()->text(), QStringLiteral(" - Load MAP file if found"));
    QVERIFY(dialog.map_box()->isChecked());
    QVERIFY(!dialog.code_box()->isChecked());
    QVERIFY(!dialog.data_box()->isChecked());
    QCOMPARE(dialog.map_option(), MapOption::kMapFile);
  }

  void SaveFormHasOnlyTheGenerateBox() {
    KelbrinBlockDialog dialog(BlockForm::kSave);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save rom or bin file"));
    QVERIFY(dialog.code_box() == nullptr);
    QVERIFY(dialog.data_box() == nullptr);
    QCOMPARE(dialog.map_box()->text(), QStringLiteral(" - Generate MAP file"));
    QVERIFY(dialog.map_box()->isChecked());
  }

  void OkWaitsForACountThenGivesTheRequest() {
    KelbrinBlockDialog dialog(BlockForm::kLoad);
    dialog.show();
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QVERIFY2(dialog.isVisible(), "the count field's starting 0 is no count");
    Type(dialog.base_field(), QStringLiteral("15000"));
    Type(dialog.count_field(), QStringLiteral("100"));
    QTest::mouseClick(dialog.data_box(), Qt::LeftButton);
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QVERIFY(dialog.result().has_value());
    QCOMPARE(dialog.result()->block_base, 15000u);
    QCOMPARE(dialog.result()->block_count, 100u);
    QCOMPARE(dialog.result()->map_option, MapOption::kData);
  }

  void TypedValuesOutOfRangeEmptyTheField() {
    struct Case { const char* base; const char* count; bool base_kept; bool count_kept; };
    const Case cases[] = {
        {"16383", "16383", true, true},
        {"16384", "16384", false, false},  // only "ROM" gives 16384
        {"99999", "0", false, false},
    };
    for (const Case& c : cases) {
      KelbrinBlockDialog dialog(BlockForm::kLoad);
      dialog.show();
      Type(dialog.base_field(), QString::fromLatin1(c.base));
      Type(dialog.count_field(), QString::fromLatin1(c.count));
      QCOMPARE(dialog.base_field()->text(), c.base_kept ? QString::fromLatin1(c.base) : QString());
      QCOMPARE(dialog.count_field()->text(), c.count_kept ? QString::fromLatin1(c.count) : QString());
      QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
      QCOMPARE(dialog.result().has_value(), c.base_kept && c.count_kept);
    }
  }

  void RomPresetsTheWholeImageAndTheMapFileChoice() {
    KelbrinBlockDialog dialog(BlockForm::kLoad);
    dialog.show();
    QTest::mouseClick(dialog.code_box(), Qt::LeftButton);
    Type(dialog.base_field(), QStringLiteral("77"));
    QTest::mouseClick(dialog.rom_button(), Qt::LeftButton);
    QCOMPARE(dialog.base_field()->text(), QStringLiteral("0"));
    QCOMPARE(dialog.count_field()->text(), QStringLiteral("16384"));
    QVERIFY(dialog.map_box()->isChecked());
    QVERIFY(!dialog.code_box()->isChecked());
    QTest::mouseClick(dialog.ok_button(), Qt::LeftButton);
    QVERIFY(dialog.result().has_value());
    QCOMPARE(dialog.result()->block_base, 0u);
    QCOMPARE(dialog.result()->block_count, 16384u);
    QCOMPARE(dialog.result()->map_option, MapOption::kMapFile);
  }

  void LoadFormBoxesAreOneChoice() {
    KelbrinBlockDialog dialog(BlockForm::kLoad);
    dialog.show();
    struct Step { QCheckBox* box; MapOption option; };
    const Step steps[] = {
        {dialog.code_box(), MapOption::kCode},   {dialog.code_box(), MapOption::kCode},
        {dialog.data_box(), MapOption::kData},   {dialog.map_box(), MapOption::kMapFile},
        {dialog.map_box(), MapOption::kMapFile},
    };
    for (const Step& step : steps) {
      QTest::mouseClick(step.box, Qt::LeftButton);
      QCOMPARE(dialog.map_option(), step.option);
      QVERIFY2(step.box->isChecked(), "a clicked box stays checked");
      const int checked = dialog.code_box()->isChecked() + dialog.data_box()->isChecked() +
                          dialog.map_box()->isChecked();
      QCOMPARE(checked, 1);
    }
  }

  void SaveFormBoxFlipsBetweenMapAndNone() {
    KelbrinBlockDialog dialog(BlockForm::kSave);
    dialog.show();
    QTest::mouseClick(dialog.map_box(), Qt::LeftButton);
    QCOMPARE(dialog.map_option(), MapOption::kNone);
    QVERIFY(!dialog.map_box()->isChecked());
    QTest::mouseClick(dialog.map_box(), Qt::LeftButton);
    QCOMPARE(dialog.map_option(), MapOption::kMapFile);
    QTest::mouseClick(dialog.map_box(), Qt::LeftButton);
    QTest::mouseClick(dialog.rom_button(), Qt::LeftButton);
    // "ROM" sets the map choice only in the load form.
    QCOMPARE(dialog.map_option(), MapOption::kNone);
  }

  void CancelGivesNothingAndEscapeIsIgnored() {
    KelbrinBlockDialog dialog(BlockForm::kLoad);
    dialog.show();
    QTest::mouseClick(dialog.rom_button(), Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY2(dialog.isVisible(), "a title-bar-only dialog ends by its buttons");
    QTest::mouseClick(dialog.cancel_button(), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.result().has_value());
  }
};

QTEST_MAIN(BlockDialogTest)
#include "kelbrin_block_dialog_qt_test.moc"
