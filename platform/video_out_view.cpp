// The Video Out View window; see video_out_view.h.
#include "platform/video_out_view.h"

#include <QLabel>
#include <QMouseEvent>

#include "platform/fonts.h"
#include "platform/picture_view.h"

namespace {
constexpr int kStripY = 224;
constexpr int kStripHeight = 14;
}  // namespace

VideoOutView::VideoOutView(const DisplayRenderer& renderer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QString::fromLatin1(kVideoOutViewTitle));
  setModal(true);
  setFixedSize(kFrameWidth, kFrameHeight);
  move(kVideoOutViewX, kVideoOutViewY);

  picture_ = new PictureView(this);
  picture_->setGeometry(0, 0, kFrameWidth, kFrameHeight);
  picture_->ShowPixels(renderer.frame_picture.data(), kFrameWidth, kFrameHeight);
  picture_->setAttribute(Qt::WA_TransparentForMouseEvents);

  auto* strip = new QLabel(QString::fromLatin1(kVideoOutViewHint), this);
  strip->setObjectName(QStringLiteral("video_out_strip"));
  strip->setGeometry(0, kStripY, kFrameWidth, kStripHeight);
  strip->setAlignment(Qt::AlignCenter);
  strip->setFont(ConsolasFont(7));
  strip->setAutoFillBackground(true);
  QPalette colours = strip->palette();
  colours.setColor(QPalette::Window, QColor(255, 255, 0));
  colours.setColor(QPalette::WindowText, Qt::black);
  strip->setPalette(colours);
  strip->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void VideoOutView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    accept();
    return;
  }
  QDialog::mousePressEvent(event);
}

void ShowVideoOutView(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms,
                      QWidget* parent) {
  RenderFrame(renderer, machine, now_ms);
  VideoOutView view(renderer, parent);
  view.exec();
}
