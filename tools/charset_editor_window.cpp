// The character set editor; see charset_editor_window.h. Grid clicks are
// resolved through the hit map rather than by arithmetic on the position, so
// the 3-pixel gaps between cells (black in the map) never change a pixel.
#include "tools/charset_editor_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <qdrawutil.h>
#include <utility>

#include "platform/fonts.h"

namespace {

const QString kTitle = QStringLiteral("Character Set Editor");
const QString kAsciiLabel = QStringLiteral("ASCII");
const QString kMinus = QStringLiteral("-");
const QString kPlus = QStringLiteral("+");
const QString kDone = QStringLiteral("Done");
const QString kAddressLabel = QStringLiteral("ADDRESS:");
const QString kLeftButtonHelp = QStringLiteral("LMB = Set");
const QString kRightButtonHelp = QStringLiteral("RMB = Clear");

constexpr int kPictureWidth = 166;
constexpr int kPictureHeight = 200;
constexpr int kGridOrigin = 6;  // the hit map's (0, 0) lies here in the picture
constexpr int kCellPitch = 19;

const QColor kBackground(220, 220, 220);
const QColor kGridLine(0, 180, 230);
const QColor kStrip(255, 255, 255);
const QColor kStripText(120, 120, 120);
const QColor kInk(0, 0, 0);
const QColor kPaper(255, 255, 255);

}  // namespace

CharsetEditorState MakeCharsetEditorState() {
  CharsetEditorState state;
  state.glyph_picture = MakeGlyphPicture();
  if (auto hit_map = HitMapPicture()) state.hit_map = std::move(*hit_map);
  return state;
}

std::uint16_t CharsetAddress(int charset_code) {
  return static_cast<std::uint16_t>(kCharsetBase + (charset_code - kFirstCharsetCode) * 8);
}

QImage MakeGlyphPicture() {
  QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  picture.fill(kBackground);
  QPainter painter(&picture);
  for (int k = 0; k <= 8; ++k) {
    painter.fillRect(kGridOrigin, kCellPitch * k + kGridOrigin, 152, 1, kGridLine);
    painter.fillRect(kCellPitch * k + kGridOrigin, kGridOrigin, 1, 152, kGridLine);
  }
  painter.fillRect(6, 164, 152, 32, kStrip);
  painter.setFont(ConsolasFont(8));
  painter.setPen(kStripText);
  painter.setBackgroundMode(Qt::TransparentMode);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
  painter.drawText(QRect(10, 164, 30, 16), flags, QStringLiteral("1x"));
  painter.drawText(QRect(50, 164, 30, 16), flags, QStringLiteral("2x"));
  painter.drawText(QRect(100, 164, 30, 16), flags, QStringLiteral("4x"));
  return picture;
}

GlyphView::GlyphView(const QImage& picture, QWidget* parent) : QWidget(parent), picture_(picture) {
  setObjectName(QStringLiteral("glyph_picture"));
  setGeometry(0, 0, kPictureWidth, kPictureHeight);
}

void GlyphView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
  // The sunken edge lies on the picture's plain margin, so it hides no cell
  // and the picture keeps the window's coordinates for the hit map.
  qDrawShadePanel(&painter, rect(), palette(), true, 1);
}

void GlyphView::mousePressEvent(QMouseEvent* event) {
  if (on_click) on_click(event->position().toPoint(), event->button());
}

CharsetEditor::CharsetEditor(MemoryView memory, CharsetEditorState& state, QWidget* parent)
    : ToolDialog(parent, kTitle, 280, 100, 275, 204, true), memory_(memory), state_(state) {
  // A state made without MakeCharsetEditorState still gets a usable picture.
  if (state_.glyph_picture.size() != QSize(kPictureWidth, kPictureHeight)) {
    state_.glyph_picture = MakeGlyphPicture();
  }
  if (state_.charset_code < kFirstCharsetCode || state_.charset_code > kLastCharsetCode) {
    state_.charset_code = kFirstCharsetCode;
  }
  view_ = new GlyphView(state_.glyph_picture, this);
  view_->on_click = [this](QPoint position, Qt::MouseButton button) {
    PictureClicked(position, button);
  };
  MakeCentredLabel(this, kAsciiLabel, 200, 8, 40, 20);
  code_field_ = MakeDigitField(this, 200, 25, 40, 20, QStringLiteral("ascii"));
  minus_ = MakeButton(this, kMinus, 175, 25, 20, 20, QStringLiteral("minus"));
  plus_ = MakeButton(this, kPlus, 245, 25, 20, 20, QStringLiteral("plus"));
  done_ = MakeButton(this, kDone, 175, 170, 90, 25, QStringLiteral("done"));
  // These labels are fitted to their boxes in the face they are shown in.
  const QFont small = ConsolasFont(8);
  auto consolas_label = [this, &small](const QString& text, int x, int y, int w, int h) {
    QLabel* label = MakeLabel(this, text, x, y, w, h);
    label->setFont(small);
    FitTextToWidth(label, w);
    return label;
  };
  consolas_label(kAddressLabel, 180, 60, 50, 20);
  address_label_ = consolas_label(QString(), 230, 60, 40, 20);
  address_label_->setObjectName(QStringLiteral("address"));
  consolas_label(kLeftButtonHelp, 180, 140, 80, 10);
  consolas_label(kRightButtonHelp, 180, 150, 80, 10);

  connect(minus_, &QPushButton::clicked, this, [this] { Step(-1); });
  connect(plus_, &QPushButton::clicked, this, [this] { Step(+1); });
  connect(done_, &QPushButton::clicked, this, [this] { Finish(true); });
  connect(code_field_, &QLineEdit::textChanged, this, &CharsetEditor::CodeTextChanged);
  code_field_->setText(QString::number(state_.charset_code));
  ShowCode();
}

void CharsetEditor::RedrawGlyph() {
  const std::uint16_t address = CharsetAddress(state_.charset_code);
  QPainter painter(&state_.glyph_picture);
  for (int i = 0; i < 8; ++i) {
    const std::uint8_t row = memory_.Read(address + i);
    for (int j = 0; j < 8; ++j) {
      const QColor& colour = (row & (0x80 >> j)) ? kInk : kPaper;
      painter.fillRect(kCellPitch * j + 8, kCellPitch * i + 8, 16, 16, colour);
      painter.fillRect(j + 26, i + 176, 1, 1, colour);
      painter.fillRect(2 * j + 69, 2 * i + 172, 2, 2, colour);
      painter.fillRect(4 * j + 120, 4 * i + 164, 4, 4, colour);
    }
  }
  painter.end();
  view_->update();
}

void CharsetEditor::PictureClicked(QPoint position, Qt::MouseButton button) {
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  const int x = position.x();
  const int y = position.y();
  if (!(5 < x && x < 159 && 5 < y && y < 159)) return;
  const int map_x = x - kGridOrigin;
  const int map_y = y - kGridOrigin;
  // Outside a (missing or small) hit map At gives black: nothing is hit.
  const std::uint32_t colour = state_.hit_map.At(map_x, map_y);
  const int row = RedOf(colour);
  const int bit = BlueOf(colour);
  if (row == 0 && GreenOf(colour) == 0 && bit == 0) return;  // a gap between cells
  if (row > 7 || bit > 7) return;  // not a cell colour; never reach past the glyph
  const std::uint16_t address = CharsetAddress(state_.charset_code) + row;
  std::uint8_t value = memory_.Read(address);
  if (button == Qt::LeftButton) {
    value = static_cast<std::uint8_t>(value | (1u << bit));
  } else {
    value = static_cast<std::uint8_t>(value & ~(1u << bit));
  }
  memory_.Store(address, value);
  RedrawGlyph();
}

void CharsetEditor::CodeTextChanged(const QString& text) {
  // Other text stays in the field and the editor keeps its character.
  auto value = ReadDecimalField(text, kLastCharsetCode);
  if (!value || *value < kFirstCharsetCode) return;
  state_.charset_code = static_cast<int>(*value);
  ShowCode();
}

void CharsetEditor::Step(int delta) {
  int code = state_.charset_code + delta;
  if (code > kLastCharsetCode) code = kFirstCharsetCode;
  if (code < kFirstCharsetCode) code = kLastCharsetCode;
  state_.charset_code = code;
  code_field_->setText(QString::number(code));
  ShowCode();  // also when the field held this text already
}

void CharsetEditor::ShowCode() {
  address_label_->setText(QString::number(CharsetAddress(state_.charset_code)));
  RedrawGlyph();
}

void RunCharsetEditor(MemoryView memory, CharsetEditorState& state, QWidget* parent) {
  CharsetEditor editor(memory, state, parent);
  editor.exec();
}
