// The Video Out View: a separate window showing a freshly rendered frame
// picture with a yellow strip, closed by a left click. Opened by the
// debugger ("View TV Output" and after a screen file was loaded at 4000h);
// the machine stands still while it is open.
#pragma once
#include <QDialog>
#include <cstdint>

#include "machine/display_renderer.h"

class PictureView;

inline constexpr char kVideoOutViewTitle[] = "Vantro - Video Out View";
inline constexpr char kVideoOutViewHint[] = "LEFT CLICK ANYWHERE INSIDE THIS WINDOW TO CLOSE IT";
constexpr int kVideoOutViewX = 660;
constexpr int kVideoOutViewY = 10;

class VideoOutView : public QDialog {
 public:
  // Shows renderer.frame_picture as it is now (render first).
  VideoOutView(const DisplayRenderer& renderer, QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  // Only a left click closes the window; Escape does not.
  void reject() override {}

 private:
  PictureView* picture_;
};

// Renders one frame (FLASH step included) and shows it until a left click.
void ShowVideoOutView(DisplayRenderer& renderer, Machine& machine, std::uint32_t now_ms,
                      QWidget* parent = nullptr);
