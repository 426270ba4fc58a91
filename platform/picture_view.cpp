// The picture area of the main window and of the Video Out View.
#include "platform/picture_view.h"

#include <QPainter>
#include <algorithm>

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
  // The whole area is drawn on every paint; no background fill first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

void PictureView::ShowPixels(const std::uint32_t* pixels, int width, int height) {
  const uchar* bytes = reinterpret_cast<const uchar*>(pixels);
  if (image_.constBits() != bytes || image_.width() != width || image_.height() != height) {
    image_ = QImage(bytes, width, height, width * 4, QImage::Format_RGB32);
  }
  update();
}

int PictureView::Zoom() const {
  if (image_.isNull()) return 1;
  return std::max(1, std::min(width() / image_.width(), height() / image_.height()));
}

void PictureView::SetCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  update();
}

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Black where no picture is yet (before the first frame end), and around
  // it wherever the area is not a whole multiple of it (full screen).
  if (image_.isNull() || image_.size() != size()) painter.fillRect(rect(), Qt::black);
  if (!image_.isNull()) {
    const QSize shown = image_.size() * Zoom();
    // Without SmoothPixmapTransform Qt repeats pixels: sharp Spectrum pixels.
    painter.drawImage(QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
                      image_);
  }
  if (!caption_.isEmpty()) {
    QRect box = painter.fontMetrics().boundingRect(caption_).adjusted(-8, -4, 8, 4);
    box.moveCenter(rect().center());
    painter.fillRect(box, Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, caption_);
  }
}
