// The picture area of the main window and of the Video Out View.
#include "platform/picture_view.h"

#include <QPainter>

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

void PictureView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Black where no picture is yet: before the first frame end, and in the
  // enlarged area between choosing 200% and the next frame end.
  if (image_.isNull() || image_.size() != size()) painter.fillRect(rect(), Qt::black);
  if (!image_.isNull()) painter.drawImage(0, 0, image_);
}
