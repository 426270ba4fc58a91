// The character set editor of both programs: redraws the 96 glyphs of the
// Spectrum font (codes 32-127 at 3D00h, eight row bytes each, bit 7 the
// leftmost pixel) straight in memory with the direct store, so the ROM area
// changes even under write protection. Vantro opens it from "Character Set
// Editor" on its 64 KB memory, Kelbrin from "Edit Character Set" on its ROM
// image. The caller owns the state, so the code edited last is proposed again.
#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "data/picture.h"
#include "tools/memory_view.h"
#include "tools/tool_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

constexpr std::uint16_t kCharsetBase = 0x3D00;  // the ROM font, character 32 first
constexpr int kFirstCharsetCode = 32;
constexpr int kLastCharsetCode = 127;

// Made once at start-up and kept to the end of the run.
struct CharsetEditorState {
  int charset_code = kFirstCharsetCode;
  QImage glyph_picture;  // 166 x 200: grid, preview strip and texts, cells redrawn
  RgbaPicture hit_map;   // 153 x 153: cell (r, c) coloured (r, 1, 7 - c), gaps black
};

// The editor's resources: the glyph picture with its fixed background and
// the built-in hit map. Should the hit map not decode, hit_map stays empty
// (width 0) and clicks on the grid change nothing; start-up may report it.
CharsetEditorState MakeCharsetEditorState();
// Just the glyph picture's fixed background (grid lines, white preview
// strip, "1x" "2x" "4x").
QImage MakeGlyphPicture();

std::uint16_t CharsetAddress(int charset_code);

// The picture control: shows the glyph picture at the window's top-left
// corner, so its own coordinates are the window's client coordinates.
class GlyphView : public QWidget {
  Q_OBJECT

 public:
  GlyphView(const QImage& picture, QWidget* parent);
  std::function<void(QPoint position, Qt::MouseButton button)> on_click;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  const QImage& picture_;
};

class CharsetEditor : public ToolDialog {
  Q_OBJECT

 public:
  CharsetEditor(MemoryView memory, CharsetEditorState& state, QWidget* parent = nullptr);

  // Paints the current character into the glyph picture and shows it.
  void RedrawGlyph();
  // A click at a client position of the window, as the picture reports it.
  void PictureClicked(QPoint position, Qt::MouseButton button);

  GlyphView* glyph_view() const { return view_; }
  QLineEdit* code_field() const { return code_field_; }
  QLabel* address_label() const { return address_label_; }
  QPushButton* minus_button() const { return minus_; }
  QPushButton* plus_button() const { return plus_; }
  QPushButton* done_button() const { return done_; }

 private:
  void CodeTextChanged(const QString& text);
  void Step(int delta);
  void ShowCode();

  MemoryView memory_;
  CharsetEditorState& state_;
  GlyphView* view_ = nullptr;
  QLineEdit* code_field_ = nullptr;
  QLabel* address_label_ = nullptr;
  QPushButton* minus_ = nullptr;
  QPushButton* plus_ = nullptr;
  QPushButton* done_ = nullptr;
};

// Shows the editor modally until "Done" or the close box.
void RunCharsetEditor(MemoryView memory, CharsetEditorState& state, QWidget* parent = nullptr);
