// Shared construction of the tool windows; see tool_dialog.h.
#include "tools/tool_dialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/fonts.h"
#include "platform/qt_host.h"
#include "tools/text_format.h"

std::optional<std::uint32_t> ReadDecimalField(const QString& text, std::uint32_t max) {
  // Any character outside ASCII becomes bytes of 80h and up, never a digit.
  return ReadDecimal(text.toStdString(), max);
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
  label->setAlignment(Qt::AlignHCenter | (label->alignment() & Qt::AlignVertical_Mask));
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
  // have a taller ascent, and a top-aligned line in a 10- or 12-pixel box
  // would lose the letters' bottom rows. Centring the line in such a box
  // keeps the capitals whole.
  auto* label = qobject_cast<QLabel*>(widget);
  if (label != nullptr) {
    const bool too_tall = QFontMetrics(font).height() > label->height();
    label->setAlignment((label->alignment() & Qt::AlignHorizontal_Mask) |
                        (too_tall ? Qt::AlignVCenter : Qt::AlignTop));
  }
}

namespace {

// Rows as tall as Consolas' line. A stand-in face's line is taller, so its
// text is placed by its ink rather than its line: the capitals and the
// descenders share the row, and "g" or "(" keep their ends.
class ConsolasRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (option.font != measured_font_) {  // the font lookup is slow; rows share one font
      measured_font_ = option.font;
      row_height_ = ConsolasLineHeight(option.font);
    }
    size.setHeight(std::min(size.height(), row_height_));
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QFontMetricsF metrics(item.font);
    if (metrics.height() <= item.rect.height()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    const QRect text_box = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const QString text = item.text;
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);  // background, selection

    // The style keeps the focus frame's margin and a pixel either side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect room = text_box.adjusted(margin, 0, -margin, 0);
    const QString shown = metrics.elidedText(text, item.textElideMode, room.width());
    double x = room.left();
    if (item.displayAlignment & Qt::AlignRight) x = room.right() + 1 - metrics.horizontalAdvance(shown);
    if (item.displayAlignment & Qt::AlignHCenter) {
      x = room.left() + (room.width() - metrics.horizontalAdvance(shown)) / 2;
    }
    const double ink = metrics.capHeight() + metrics.descent();
    const double baseline = item.rect.top() + (item.rect.height() - ink) / 2 + metrics.capHeight();

    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    const QPalette::ColorRole role =
        (item.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setClipRect(item.rect);
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, role));
    painter->drawText(QPointF(x, baseline), shown);
    painter->restore();
  }

 private:
  mutable QFont measured_font_;
  mutable int row_height_ = 0;
};

}  // namespace

void UseConsolasRows(QAbstractItemView* view) {
  view->setItemDelegate(new ConsolasRowDelegate(view));
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
  // The client width laid out, or wider where the window manager would cut
  // the title ("Vantr... of PC"); the controls keep their places.
  setFixedSize(std::max(client_w, TitleBarWidth(title)), client_h);
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
