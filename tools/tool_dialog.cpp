// Shared construction of the tool windows; see tool_dialog.h.
#include "tools/tool_dialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>

std::optional<std::uint32_t> ReadDecimalField(const QString& text, std::uint32_t max) {
  if (text.isEmpty()) return std::nullopt;
  std::uint64_t value = 0;
  for (QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
    if (value > max) return std::nullopt;  // stops long inputs from overflowing
  }
  return static_cast<std::uint32_t>(value);
}

namespace {

constexpr int kDialogPointSize = 8;  // the size of the Windows dialog font
constexpr int kSmallestPointSize = 6;

void Place(QWidget* widget, int x, int y, int w, int h) {
  widget->setGeometry(x, y, w, h);
}

}  // namespace

QLineEdit* MakeDigitField(QWidget* parent, int x, int y, int w, int h, const QString& object_name) {
  QLineEdit* field = MakePlainField(parent, x, y, w, h, object_name);
  field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  return field;
}

QLineEdit* MakePlainField(QWidget* parent, int x, int y, int w, int h, const QString& object_name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(object_name);
  field->setTextMargins(0, 0, 0, 0);
  Place(field, x, y, w, h);
  return field;
}

QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int x, int y, int w, int h) {
  QLabel* label = MakeLabel(parent, text, x, y, w, h);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(label, x, y, w, h);
  FitTextToWidth(label, w);
  return label;
}

void FitTextToWidth(QWidget* widget, int width) {
  // The boxes were sized for a small Windows dialog font; where the host's
  // face is wider, a smaller size keeps the whole text readable.
  QFont font = widget->font();
  const QString text = widget->property("text").toString();
  while (font.pointSize() > kSmallestPointSize &&
         QFontMetrics(font).horizontalAdvance(text) > width) {
    font.setPointSize(font.pointSize() - 1);
  }
  if (font != widget->font()) widget->setFont(font);
  // Consolas sits its capitals in the top 9 of 11 pixels; stand-in faces
  // have a taller ascent, and a top-aligned line in a 12-pixel header would
  // lose its baseline row. Centring the line keeps the whole letters in.
  auto* label = qobject_cast<QLabel*>(widget);
  if (label != nullptr && QFontMetrics(font).height() > label->height()) {
    label->setAlignment((label->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
  }
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h,
                        const QString& object_name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(object_name);
  button->setAutoDefault(false);
  button->setDefault(false);
  Place(button, x, y, w, h);
  return button;
}

ToolDialog::ToolDialog(QWidget* parent, const QString& title, int x, int y, int client_w,
                       int client_h, bool with_close_box)
    : QDialog(parent), with_close_box_(with_close_box) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (with_close_box) flags |= Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  setWindowTitle(title);
  setModal(true);
  QFont small = font();
  if (small.pointSize() > kDialogPointSize) {
    small.setPointSize(kDialogPointSize);
    setFont(small);
  }
  setFixedSize(client_w, client_h);
  move(x, y);  // the frame's top-left corner, as the windows were placed
}

void ToolDialog::reject() {
  // Escape or the close box: only windows that have a close box may end so.
  if (with_close_box_) QDialog::reject();
}

void ToolDialog::Finish(bool accepted) {
  if (accepted) {
    accept();
  } else {
    QDialog::reject();
  }
}
