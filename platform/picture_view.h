// A picture area that shows a pixel array owned elsewhere (0xFFRRGGBB per
// pixel, rows top to bottom: the display renderer's pictures) without
// copying it, enlarged by the largest whole number that fits the area,
// without smoothing, centred on black. The main window and the Video Out
// View use it.
#pragma once
#include <QImage>
#include <QWidget>
#include <cstdint>

class PictureView : public QWidget {
 public:
  explicit PictureView(QWidget* parent = nullptr);

  // Shows `pixels` (width x height) from the next paint on; the array must
  // stay alive while it is shown. The owner sets the widget's size.
  void ShowPixels(const std::uint32_t* pixels, int width, int height);
  const QImage& image() const { return image_; }
  // How many times the picture is enlarged in the area as it stands.
  int Zoom() const;
  // A line of text over the middle of the picture ("Paused"); empty for none.
  void SetCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  QString caption_;
};
