// The range dialog in both programs' forms, driven as a user types, and the
// Disassemble and Hex Dump commands run end to end through their modal
// windows (a timer plays the user who presses "Done" and closes the list).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <array>
#include <functional>
#include <vector>

#include "tools/address_range_dialog.h"
#include "tools/list_window.h"

namespace {

// Replaces the field's text key by key, as a user who selects it and types.
void TypeOver(QLineEdit* field, const QString& keys) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, keys);
}

// Runs `user` once the next modal window is up.
void WhenModalOpens(std::function<void(QWidget*)> user) {
  QTimer::singleShot(0, [user] {
    QWidget* modal = QApplication::activeModalWidget();
    QVERIFY2(modal != nullptr, "no modal window opened");
    user(modal);
  });
}

void PressDone(QWidget* modal) {
  auto* dialog = qobject_cast<AddressRangeDialog*>(modal);
  QVERIFY2(dialog != nullptr, "the modal window is not the range dialog");
  dialog->done_button()->click();
}

}  // namespace

class RangeCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void VantroFormProposesFromPlus1023AndTitles() {
    ListingState state;
    state.range_from = 100;
    AddressRangeDialog dialog(state, VantroRangeOptions("Hex Dump", 0));
    QCOMPARE(dialog.windowTitle(), QString("Hex Dump"));
    QCOMPARE(dialog.from_field()->text(), QString("100"));
    QCOMPARE(dialog.to_field()->text(), QString("1123"));
    QVERIFY(dialog.use_pc_button() != nullptr);
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(dialog.height(), 150);
    QVERIFY(dialog.width() >= 180);
    QCOMPARE(dialog.from_field()->geometry(), QRect(20, 45, 60, 20));
    QCOMPARE(dialog.done_button()->geometry(), QRect(100, 110, 60, 25));
  }

  void OutOfRangeTypingResetsTheFieldInBothForms() {
    struct Case {
      bool kelbrin;
      bool to_field;
      const char* typed;
      const char* shown;
      int value;
    };
    const std::array<Case, 6> cases = {{
        {false, true, "70000", "65535", 65535},
        {false, false, "70000", "0", 0},
        {false, true, "65535", "65535", 65535},
        {true, true, "16384", "16383", 16383},
        {true, false, "20000", "0", 0},
        {true, false, "16383", "16383", 16383},
    }};
    for (const Case& c : cases) {
      ListingState state;
      state.range_from = 300;
      const AddressRangeOptions options =
          c.kelbrin ? KelbrinRangeOptions("Disassembly") : VantroRangeOptions("Disassemble", 0);
      AddressRangeDialog dialog(state, options);
      QLineEdit* field = c.to_field ? dialog.to_field() : dialog.from_field();
      TypeOver(field, c.typed);
      const QString what = QString("%1 form, %2 field, typed %3")
                               .arg(c.kelbrin ? "Kelbrin" : "Vantro")
                               .arg(c.to_field ? "To" : "From")
                               .arg(c.typed);
      QVERIFY2(field->text() == c.shown, qPrintable(what + " shows " + field->text()));
      const int value = c.to_field ? state.range_to : state.range_from;
      QVERIFY2(value == c.value, qPrintable(what + " gave " + QString::number(value)));
    }
  }

  void KelbrinFormStartsWithWholeImageAndHasNoUsePc() {
    ListingState state;
    state.range_from = 5000;  // a Vantro-style preset must not leak in
    AddressRangeDialog dialog(state, KelbrinRangeOptions("Define Data Block"));
    QCOMPARE(dialog.windowTitle(), QString("Define Data Block"));
    QCOMPARE(dialog.from_field()->text(), QString("0"));
    QCOMPARE(dialog.to_field()->text(), QString("16383"));
    QVERIFY(dialog.use_pc_button() == nullptr);
    QVERIFY(dialog.findChild<QPushButton*>("use_pc") == nullptr);
  }

  void UsePcPutsProgramCounterIntoFrom() {
    ListingState state;
    AddressRangeDialog dialog(state, VantroRangeOptions("Disassemble", 0x1234));
    QTest::mouseClick(dialog.use_pc_button(), Qt::LeftButton);
    QCOMPARE(dialog.from_field()->text(), QString("4660"));
    QCOMPARE(state.range_from, std::uint16_t{4660});
  }

  void ToBelowFromBecomesTopWhenTheDialogEnds() {
    // From 65000 proposes To 487, which ends as 65535 if left alone.
    ListingState state;
    state.range_from = 65000;
    {
      AddressRangeDialog dialog(state, VantroRangeOptions("Disassemble", 0));
      QCOMPARE(dialog.to_field()->text(), QString("487"));
      dialog.done_button()->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(state.range_to, std::uint16_t{65535});
    QVERIFY(!state.range_cancelled);

    ListingState kelbrin;
    {
      AddressRangeDialog dialog(kelbrin, KelbrinRangeOptions("Hex Dump"));
      TypeOver(dialog.from_field(), "9000");
      TypeOver(dialog.to_field(), "100");
      dialog.cancel_button()->click();  // the rule holds on Cancel too
    }
    QCOMPARE(kelbrin.range_to, std::uint16_t{16383});
    QVERIFY(kelbrin.range_cancelled);
  }

  void EscapeDoesNotEndTheRangeDialog() {
    ListingState state;
    AddressRangeDialog dialog(state, VantroRangeOptions("Disassemble", 0));
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QVERIFY(!state.range_cancelled);
  }

  void DisassembleToFileAppendsAndContinuesWhereItStopped() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    std::vector<std::uint8_t> bytes(65536, 0);
    bytes[100] = 0x21;  // LD HL,32768: three bytes
    bytes[101] = 0x00;
    bytes[102] = 0x80;
    MemoryView memory{bytes.data(), bytes.size()};
    ListingState state;
    state.disasm_next = 100;
    for (int run = 0; run < 2; ++run) {
      WhenModalOpens([](QWidget* modal) {
        auto* dialog = qobject_cast<AddressRangeDialog*>(modal);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString("Disassemble"));
        TypeOver(dialog->to_field(), dialog->from_field()->text());  // a one-byte range
        dialog->done_button()->click();
      });
      DisassembleCommand(false, memory, state, false, 0);
    }
    QDir::setCurrent(previous);
    QFile file(folder.filePath("dis.asm"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("00100 0064  21 00 80      LD HL,32768\r\n"), text.constData());
    QVERIFY2(text.contains("00103 0067  00            NOP\r\n"), text.constData());
    QCOMPARE(text.count("START "), 2);
    QCOMPARE(state.disasm_next, std::uint16_t{104});
  }

  void DisassembleToWindowListsHeaderBlankAndLines() {
    std::vector<std::uint8_t> bytes(65536, 0);
    MemoryView memory{bytes.data(), bytes.size()};
    ListingState state;
    state.disasm_next = 40000;
    QStringList shown;
    QString title;
    WhenModalOpens([&](QWidget* modal) {
      PressDone(modal);
      WhenModalOpens([&](QWidget* list_modal) {
        auto* window = qobject_cast<ListWindow*>(list_modal);
        QVERIFY(window != nullptr);
        title = window->windowTitle();
        shown = window->Lines();
        QCOMPARE(window->size(), QSize(300, 400));
        window->close();
      });
    });
    DisassembleCommand(true, memory, state, false, 0);
    QCOMPARE(title, QString("Vantro Disassembler"));
    QCOMPARE(shown.size(), 2 + 1024);  // header, blank, one NOP per byte
    QVERIFY(shown[0].startsWith("START "));
    QCOMPARE(shown[1], QString());
    QCOMPARE(shown[2], QString("40000 9C40  00            NOP"));
    QCOMPARE(state.disasm_next, std::uint16_t{41024});
  }

  void HexDumpWindowWidensForLongRangesAndShowsEightBytesALine() {
    std::vector<std::uint8_t> bytes(65536, 0);
    bytes[0x4000] = 127;
    bytes[0x4001] = 128;
    MemoryView memory{bytes.data(), bytes.size()};
    struct Case {
      const char* to;
      int width;
      int lines;
    };
    for (const Case& c : {Case{"16895", 288, 64}, Case{"16912", 308, 67}}) {
      ListingState state;
      state.range_from = 16384;
      QStringList shown;
      QSize size;
      QString title;
      WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<AddressRangeDialog*>(modal);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), QString("Hex Dump"));
        TypeOver(dialog->to_field(), c.to);
        dialog->done_button()->click();
        WhenModalOpens([&](QWidget* list_modal) {
          auto* window = qobject_cast<ListWindow*>(list_modal);
          QVERIFY(window != nullptr);
          title = window->windowTitle();
          size = window->size();
          shown = window->Lines();
          window->close();
        });
      });
      HexDumpCommand(memory, state, 0);
      QCOMPARE(title, QString("Vantro Hex Dump"));
      QCOMPARE(size, QSize(c.width, 420));
      QCOMPARE(shown.size(), c.lines);
      QCOMPARE(shown[0], QString("16384 4000  7F 80 00 00 00 00 00 00  \x7F......."));
    }
  }

  void KelbrinHexDumpUsesItsTitleAndPlace() {
    std::vector<std::uint8_t> rom(16384, 0x41);
    MemoryView image{rom.data(), rom.size()};
    ListingState state;
    QString title;
    QPoint place;
    QStringList shown;
    WhenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<AddressRangeDialog*>(modal);
      QVERIFY(dialog != nullptr);
      QVERIFY(dialog->use_pc_button() == nullptr);
      TypeOver(dialog->from_field(), "16376");
      dialog->done_button()->click();
      WhenModalOpens([&](QWidget* list_modal) {
        title = list_modal->windowTitle();
        place = list_modal->pos();
        shown = qobject_cast<ListWindow*>(list_modal)->Lines();
        list_modal->close();
      });
    });
    KelbrinHexDumpCommand(image, state);
    QCOMPARE(title, QString("Hex Dump"));
    QCOMPARE(place, QPoint(280, 50));
    QCOMPARE(shown, QStringList{"16376 3FF8  41 41 41 41 41 41 41 41  AAAAAAAA"});
  }

  void CancelledCommandsShowNothing() {
    std::vector<std::uint8_t> bytes(65536, 0);
    MemoryView memory{bytes.data(), bytes.size()};
    ListingState state;
    state.disasm_next = 7;
    WhenModalOpens([](QWidget* modal) {
      qobject_cast<AddressRangeDialog*>(modal)->cancel_button()->click();
      // Had a list window opened after this, the test would hang: nobody closes it.
    });
    DisassembleCommand(true, memory, state, false, 0);
    QCOMPARE(state.disasm_next, std::uint16_t{7});
  }
};

QTEST_MAIN(RangeCommandsTest)
#include "range_commands_qt_test.moc"
