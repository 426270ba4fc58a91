// Peek and Poke in Vantro's form (64 KB, no map) and Kelbrin's (16 KB ROM
// image with its code/data map), driven through their controls as a user
// types and clicks.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "machine/machine.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

void TypeOver(QLineEdit* field, const QString& keys) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, keys);
}

// Replaces the whole text at once, as pasting does.
void PasteOver(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->insert(text);
}

// 64 KB filled with a pattern, starting with DI as the 48K ROM does.
std::vector<std::uint8_t> SpectrumMemory() {
  std::vector<std::uint8_t> memory(65536);
  for (std::size_t a = 0; a < memory.size(); ++a) {
    memory[a] = static_cast<std::uint8_t>(a * 7 + 1);
  }
  memory[0] = 0xF3;
  return memory;
}

}  // namespace

class PeekPokeTest : public QObject {
  Q_OBJECT

 private slots:
  void FreshPeekShowsTheFirstRomByte() {
    auto bytes = SpectrumMemory();
    PeekDialog peek(MemoryView{bytes.data(), bytes.size()}, VantroPeekOptions());
    QCOMPARE(peek.windowTitle(), QString("Vantro - Peek"));
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(peek.height(), 95);
    QVERIFY(peek.width() >= 225);
    QCOMPARE(peek.address_field()->text(), QString("0"));
    QCOMPARE(peek.decimal_field()->text(), QString("243"));  // DI opens the 48K ROM
    QCOMPARE(peek.hex_field()->text(), QString("F3h"));
    QVERIFY(peek.map_box() == nullptr);
    QVERIFY(peek.map_disabled_label() == nullptr);
  }

  void BothDialogsOpenWithTheKeyboardInTheAddressField() {
    auto bytes = SpectrumMemory();
    PeekDialog peek(MemoryView{bytes.data(), bytes.size()}, VantroPeekOptions());
    peek.show();
    QVERIFY(QTest::qWaitForWindowActive(&peek));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(peek.address_field()));
    PokeDialog poke(MemoryView{bytes.data(), bytes.size()}, VantroPokeOptions());
    poke.show();
    QVERIFY(QTest::qWaitForWindowActive(&poke));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(poke.address_field()));
  }

  void PeekFollowsTypedAndSteppedAddresses() {
    auto bytes = SpectrumMemory();
    bytes[65535] = 255;
    bytes[16383] = 9;
    bytes[5] = 10;
    PeekDialog peek(MemoryView{bytes.data(), bytes.size()}, VantroPeekOptions());
    TypeOver(peek.address_field(), "5");
    QCOMPARE(peek.decimal_field()->text(), QString("010"));
    QCOMPARE(peek.hex_field()->text(), QString("0Ah"));
    TypeOver(peek.address_field(), "70000");  // "7000" was shown on the way
    QCOMPARE(peek.address_field()->text(), QString("0"));
    QCOMPARE(peek.address(), std::uint16_t{0});
    QCOMPARE(peek.decimal_field()->text(), QString("243"));
    QTest::mouseClick(peek.minus_button(), Qt::LeftButton);
    QCOMPARE(peek.address_field()->text(), QString("65535"));
    QCOMPARE(peek.decimal_field()->text(), QString("255"));
    QCOMPARE(peek.hex_field()->text(), QString("FFh"));
    QTest::mouseClick(peek.plus_button(), Qt::LeftButton);
    QCOMPARE(peek.address_field()->text(), QString("0"));
    QCOMPARE(peek.hex_field()->text(), QString("F3h"));
  }

  void AddressStepsWrapAtTheTopOfEachForm() {
    std::vector<std::uint8_t> bytes(65536, 0);
    std::vector<std::uint8_t> map(16384, 0);
    const MemoryView memory{bytes.data(), bytes.size()};
    const MemoryView map_view{map.data(), map.size()};
    struct Case {
      const char* form;
      ByteToolOptions options;
      const char* start;
      bool plus;
      const char* after;
    };
    const std::array<Case, 8> cases = {{
        {"Vantro Peek", VantroPeekOptions(), "0", false, "65535"},
        {"Vantro Peek", VantroPeekOptions(), "65535", true, "0"},
        {"Vantro Poke", VantroPokeOptions(), "0", false, "65535"},
        {"Vantro Poke", VantroPokeOptions(), "65535", true, "0"},
        {"Kelbrin Peek", KelbrinPeekOptions(map_view, true), "0", false, "16383"},
        {"Kelbrin Peek", KelbrinPeekOptions(map_view, true), "16383", true, "0"},
        {"Kelbrin Poke", KelbrinPokeOptions(map_view, false), "0", false, "16383"},
        {"Kelbrin Poke", KelbrinPokeOptions(map_view, false), "16383", true, "0"},
    }};
    for (const Case& c : cases) {
      std::unique_ptr<ByteToolDialog> dialog;
      if (QString(c.form).endsWith("Peek")) {
        dialog = std::make_unique<PeekDialog>(memory, c.options);
      } else {
        dialog = std::make_unique<PokeDialog>(memory, c.options);
      }
      TypeOver(dialog->address_field(), c.start);
      QTest::mouseClick(c.plus ? dialog->plus_button() : dialog->minus_button(), Qt::LeftButton);
      const QString what = QString("%1: %2 from %3").arg(c.form).arg(c.plus ? "+" : "-").arg(c.start);
      QVERIFY2(dialog->address_field()->text() == c.after,
               qPrintable(what + " shows " + dialog->address_field()->text()));
    }
  }

  void KelbrinPeekResetsAddressesPastTheImage() {
    std::vector<std::uint8_t> rom(16384, 0);
    std::vector<std::uint8_t> map(16384, 0);
    PeekDialog peek(MemoryView{rom.data(), rom.size()},
                    KelbrinPeekOptions(MemoryView{map.data(), map.size()}, false));
    QCOMPARE(peek.windowTitle(), QString("Peek"));
    PasteOver(peek.address_field(), "16384");
    QCOMPARE(peek.address_field()->text(), QString("0"));
    QCOMPARE(peek.address(), std::uint16_t{0});
  }

  void PokeEmptiesBadFieldsAndKeepsLastValues() {
    auto bytes = SpectrumMemory();
    PokeDialog poke(MemoryView{bytes.data(), bytes.size()}, VantroPokeOptions());
    QCOMPARE(poke.windowTitle(), QString("Vantro - Poke"));
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(poke.height(), 125);
    QVERIFY(poke.width() >= 216);
    TypeOver(poke.address_field(), "123");
    for (const char* pasted : {"70000", "65536", "18446744073709551621"}) {
      PasteOver(poke.address_field(), pasted);
      QVERIFY2(poke.address_field()->text().isEmpty(), pasted);
      QVERIFY2(poke.address() == 123, pasted);  // not 5, as a 64-bit overflow would give
    }
    TypeOver(poke.byte_field(), "200");
    PasteOver(poke.byte_field(), "256");
    QCOMPARE(poke.byte_field()->text(), QString());
    QCOMPARE(poke.byte_value(), std::uint8_t{200});
    // "+" moves the kept address and leaves the byte field alone.
    QTest::mouseClick(poke.plus_button(), Qt::LeftButton);
    QCOMPARE(poke.address_field()->text(), QString("124"));
    QCOMPARE(poke.byte_field()->text(), QString());
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(bytes[124], std::uint8_t{200});
  }

  void PokeBelow4000hPassesWriteProtectionAndPeekSeesIt() {
    // With "Write Protect ROM" on the processor's stores below 4000h are
    // dropped; Poke's direct store is not.
    auto machine = std::make_unique<Machine>();
    machine->write_floor = 0x4000;
    machine->memory[0] = 0xF3;
    WriteByte(*machine, 0, 0x00);
    QCOMPARE(machine->memory[0], std::uint8_t{0xF3});
    const MemoryView memory{machine->memory.data(), machine->memory.size()};
    {
      PokeDialog poke(memory, VantroPokeOptions());
      TypeOver(poke.address_field(), "0");
      TypeOver(poke.byte_field(), "201");
      QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    }
    QCOMPARE(ReadByte(*machine, 0), std::uint8_t{201});  // the running program sees it
    PeekDialog peek(memory, VantroPeekOptions());
    QCOMPARE(peek.decimal_field()->text(), QString("201"));
    QCOMPARE(peek.hex_field()->text(), QString("C9h"));
  }

  void PokeWithoutTypingAByteStoresZero() {
    auto bytes = SpectrumMemory();
    PokeDialog poke(MemoryView{bytes.data(), bytes.size()}, VantroPokeOptions());
    TypeOver(poke.address_field(), "40000");
    QVERIFY(bytes[40000] != 0);
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(bytes[40000], std::uint8_t{0});
  }

  void PeekThenPokeCopiesAByte() {
    auto bytes = SpectrumMemory();
    PokeDialog poke(MemoryView{bytes.data(), bytes.size()}, VantroPokeOptions());
    TypeOver(poke.address_field(), "1");
    QTest::mouseClick(poke.peek_button(), Qt::LeftButton);
    QCOMPARE(poke.byte_field()->text(), QString::number(bytes[1]));  // no leading zeros
    TypeOver(poke.address_field(), "50000");
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(bytes[50000], bytes[1]);
  }

  void KelbrinPeekBoxShowsTheMapAndClicksChangeNothing() {
    std::vector<std::uint8_t> rom(16384, 0);
    std::vector<std::uint8_t> map(16384, 0);
    map[16383] = 1;
    map[7] = 2;  // not a data mark: the box is ticked only for 1
    PeekDialog peek(MemoryView{rom.data(), rom.size()},
                    KelbrinPeekOptions(MemoryView{map.data(), map.size()}, true));
    QCheckBox* box = peek.map_box();
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QString(" - Byte Is Data"));
    QCOMPARE(box->geometry(), QRect(15, 58, 120, 20));
    QVERIFY(!box->isChecked());
    QTest::mouseClick(peek.minus_button(), Qt::LeftButton);  // to 16383
    QVERIFY(box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->isChecked());
    QCOMPARE(map[16383], std::uint8_t{1});
    TypeOver(peek.address_field(), "7");
    QVERIFY(!box->isChecked());
  }

  void KelbrinFormsWithMapDisabledShowTheLabelInstead() {
    std::vector<std::uint8_t> rom(16384, 0);
    std::vector<std::uint8_t> map(16384, 1);
    const MemoryView image{rom.data(), rom.size()};
    const MemoryView map_view{map.data(), map.size()};
    PeekDialog peek(image, KelbrinPeekOptions(map_view, false));
    PokeDialog poke(image, KelbrinPokeOptions(map_view, false));
    for (ByteToolDialog* dialog : {static_cast<ByteToolDialog*>(&peek),
                                   static_cast<ByteToolDialog*>(&poke)}) {
      QVERIFY(dialog->map_box() == nullptr);
      QVERIFY(dialog->map_disabled_label() != nullptr);
      QCOMPARE(dialog->map_disabled_label()->text(), QString("[ ROM Map disabled ]"));
      QCOMPARE(dialog->map_disabled_label()->geometry(), QRect(20, 60, 160, 20));
    }
    TypeOver(poke.address_field(), "300");
    TypeOver(poke.byte_field(), "17");
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(rom[300], std::uint8_t{17});
    QCOMPARE(map[300], std::uint8_t{1});  // the map is neither shown nor changed
    // The label lies across the "Peek" button's corner; the button still works.
    QTest::mouseClick(poke.peek_button(), Qt::LeftButton, {}, QPoint(5, 12));
    QCOMPARE(poke.byte_field()->text(), QString("17"));
  }

  void KelbrinPokeWritesTheDataFlagIntoTheMap() {
    std::vector<std::uint8_t> rom(16384, 0);
    std::vector<std::uint8_t> map(16384, 1);
    rom[20] = 0x41;
    const MemoryView image{rom.data(), rom.size()};
    PokeDialog poke(image, KelbrinPokeOptions(MemoryView{map.data(), map.size()}, true));
    QCOMPARE(poke.windowTitle(), QString("Poke"));
    QCheckBox* box = poke.map_box();
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QString(" - Map Byte as Data"));
    QVERIFY(!box->isChecked());

    // Poke without Peek marks the byte as code unless the box says data.
    TypeOver(poke.address_field(), "10");
    TypeOver(poke.byte_field(), "99");
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(rom[10], std::uint8_t{99});
    QCOMPARE(map[10], std::uint8_t{0});

    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(poke.data_flag());
    QVERIFY(box->isChecked());
    TypeOver(poke.address_field(), "11");
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(map[11], std::uint8_t{1});

    // Peek takes the flag from the map: data at 20, code at 10.
    TypeOver(poke.address_field(), "20");
    QTest::mouseClick(poke.peek_button(), Qt::LeftButton);
    QCOMPARE(poke.byte_field()->text(), QString("65"));
    QVERIFY(poke.data_flag());
    QVERIFY(box->isChecked());
    TypeOver(poke.address_field(), "10");
    QTest::mouseClick(poke.peek_button(), Qt::LeftButton);
    QVERIFY(!poke.data_flag());
    QVERIFY(!box->isChecked());
  }

  void DoneEndsAndEscapeDoesNot() {
    std::vector<std::uint8_t> bytes(65536, 0);
    PokeDialog poke(MemoryView{bytes.data(), bytes.size()}, VantroPokeOptions());
    poke.show();
    QTest::keyClick(&poke, Qt::Key_Escape);
    QVERIFY(poke.isVisible());
    QTest::mouseClick(poke.done_button(), Qt::LeftButton);
    QVERIFY(!poke.isVisible());
  }
};

QTEST_MAIN(PeekPokeTest)
#include "peek_poke_qt_test.moc"
