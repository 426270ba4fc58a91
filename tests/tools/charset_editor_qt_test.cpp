// The character set editor on a 64 KB memory (Vantro) and on a 16 KB ROM
// image (Kelbrin), with the real built-in hit map: mouse clicks at client
// positions of the picture, the ASCII field, "+" and "-".
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <array>
#include <vector>

#include "tools/charset_editor_window.h"

namespace {

void TypeOver(QLineEdit* field, const QString& keys) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, keys);
}

void Click(CharsetEditor& editor, Qt::MouseButton button, int x, int y) {
  QTest::mouseClick(editor.glyph_view(), button, {}, QPoint(x, y));
}

}  // namespace

class CharsetEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    state_ = MakeCharsetEditorState();
    QVERIFY2(state_.hit_map.width == 153 && state_.hit_map.height == 153,
             "the built-in hit map did not decode");
  }

  void init() {
    memory_.assign(65536, 0);
    state_.charset_code = 32;
  }

  void OpensWithCodeAddressAndLayout() {
    CharsetEditor editor(View(), state_);
    QCOMPARE(editor.windowTitle(), QString("Character Set Editor"));
    // As laid out, or wider where the title would not fit its bar.
    QCOMPARE(editor.height(), 204);
    QVERIFY(editor.width() >= 275);
    QCOMPARE(editor.glyph_view()->geometry(), QRect(0, 0, 166, 200));
    QCOMPARE(editor.code_field()->text(), QString("32"));
    QCOMPARE(editor.address_label()->text(), QString("15616"));
  }

  void LeftClickSetsAndRightClickClearsTheCellsBit() {
    struct Case {
      int code;
      int x, y;  // client position
      Qt::MouseButton button;
      std::uint8_t before;
      int address;
      std::uint8_t after;
    };
    const std::array<Case, 6> cases = {{
        {32, 10, 10, Qt::LeftButton, 0x00, 15616, 0x80},    // top-left cell: bit 7, row 0
        {32, 8 + 16, 8, Qt::LeftButton, 0x00, 15616, 0x00},  // grid gap right of it
        {127, 150, 150, Qt::RightButton, 0xFF, 16383, 0xFE},  // bottom-right: bit 0, row 7
        {127, 156, 156, Qt::RightButton, 0xFF, 16383, 0xFE},  // its last pixel
        {127, 157, 157, Qt::RightButton, 0xFF, 16383, 0xFF},  // grid edge beyond it
        {65, 8 + 19 * 3, 8 + 19 * 2, Qt::LeftButton, 0x00, 15616 + 33 * 8 + 2, 0x10},
    }};
    for (const Case& c : cases) {
      memory_.assign(65536, 0);
      memory_[c.address] = c.before;
      state_.charset_code = c.code;
      CharsetEditor editor(View(), state_);
      Click(editor, c.button, c.x, c.y);
      const QString what = QString("code %1 click at (%2, %3)").arg(c.code).arg(c.x).arg(c.y);
      QVERIFY2(memory_[c.address] == c.after,
               qPrintable(what + " left " + QString::number(memory_[c.address], 16)));
      int changed = 0;
      for (std::size_t a = 0; a < memory_.size(); ++a) {
        if (a != static_cast<std::size_t>(c.address) && memory_[a] != 0) ++changed;
      }
      QVERIFY2(changed == 0, qPrintable(what + " changed other bytes"));
    }
  }

  void ClicksOutsideTheGridOrWithOtherButtonsChangeNothing() {
    state_.charset_code = 32;
    CharsetEditor editor(View(), state_);
    struct Case {
      int x, y;
      Qt::MouseButton button;
    };
    // The hit map's own (0, 0) is black, so x or y of 5 must be refused
    // before any reading; 159 lies past the 153-pixel map.
    for (const Case& c : {Case{5, 10, Qt::LeftButton}, Case{10, 5, Qt::LeftButton},
                          Case{159, 159, Qt::LeftButton}, Case{100, 180, Qt::LeftButton},
                          Case{10, 10, Qt::MiddleButton}}) {
      Click(editor, c.button, c.x, c.y);
    }
    for (int a = 15616; a < 15624; ++a) QCOMPARE(memory_[a], std::uint8_t{0});
  }

  void RedrawShowsTheGlyphInCellsAndPreviews() {
    memory_[15616] = 0x80;  // code 32, row 0, leftmost pixel
    CharsetEditor editor(View(), state_);
    const QImage& picture = state_.glyph_picture;
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    QCOMPARE(picture.pixel(8, 8), black);
    QCOMPARE(picture.pixel(23, 23), black);
    QCOMPARE(picture.pixel(27, 8), white);   // next cell, clear bit
    QCOMPARE(picture.pixel(6, 6), qRgb(0, 180, 230));  // grid line untouched
    QCOMPARE(picture.pixel(26, 176), black);   // 1x
    QCOMPARE(picture.pixel(70, 173), black);   // 2x
    QCOMPARE(picture.pixel(123, 167), black);  // 4x
    QCOMPARE(picture.pixel(27, 176), white);
    // A right click redraws at once.
    Click(editor, Qt::RightButton, 10, 10);
    QCOMPARE(memory_[15616], std::uint8_t{0});
    QCOMPARE(picture.pixel(8, 8), white);
    QCOMPARE(picture.pixel(26, 176), white);
  }

  void PlusAndMinusWrapAndMoveTheAddress() {
    struct Case {
      int from;
      bool plus;
      int to;
      const char* address;
    };
    for (const Case& c : {Case{127, true, 32, "15616"}, Case{32, false, 127, "16376"},
                          Case{64, true, 65, "15880"}}) {
      state_.charset_code = c.from;
      CharsetEditor editor(View(), state_);
      QTest::mouseClick(c.plus ? editor.plus_button() : editor.minus_button(), Qt::LeftButton);
      QCOMPARE(state_.charset_code, c.to);
      QCOMPARE(editor.code_field()->text(), QString::number(c.to));
      QCOMPARE(editor.address_label()->text(), QString(c.address));
    }
  }

  void TypedCodeOutsideTheSetStaysInFieldAndIsIgnored() {
    state_.charset_code = 65;
    CharsetEditor editor(View(), state_);
    TypeOver(editor.code_field(), "200");
    QCOMPARE(editor.code_field()->text(), QString("200"));
    QCOMPARE(state_.charset_code, 65);  // "2" and "20" on the way were ignored as well
    QCOMPARE(editor.address_label()->text(), QString("15880"));
  }

  void CodeIsKeptBetweenOpenings() {
    {
      CharsetEditor editor(View(), state_);
      TypeOver(editor.code_field(), "100");
      QTest::mouseClick(editor.done_button(), Qt::LeftButton);
    }
    CharsetEditor again(View(), state_);
    QCOMPARE(again.code_field()->text(), QString("100"));
    QCOMPARE(again.address_label()->text(), QString::number(15616 + 68 * 8));
  }

  void WorksOnKelbrinsRomImage() {
    std::vector<std::uint8_t> rom(16384, 0xFF);
    state_.charset_code = 127;
    CharsetEditor editor(MemoryView{rom.data(), rom.size()}, state_);
    Click(editor, Qt::RightButton, 10, 150);  // row 7, bit 7 of the image's last byte
    QCOMPARE(rom[16383], std::uint8_t{0x7F});
  }

 private:
  MemoryView View() { return MemoryView{memory_.data(), memory_.size()}; }

  std::vector<std::uint8_t> memory_;
  CharsetEditorState state_;
};

QTEST_MAIN(CharsetEditorTest)
#include "charset_editor_qt_test.moc"
