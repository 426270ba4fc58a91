// The main window's picture as the player sees it: the window sizes (those
// that fit the screen), full screen with the menu bar and pointer hidden
// until the pointer moves, Pause as the window shows it, the title's
// notices and "Save Screenshot...". main_window.cpp keeps the menu table,
// the dispatch and the keys.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <string>
#include <utility>

#include "emulator/frame_png.h"
#include "emulator/main_window.h"
#include "platform/picture_view.h"
#include "snapshots/file_names.h"
#include "snapshots/rzx.h"

namespace {

// Keys of the player's items, none of them a key the Spectrum uses; they
// work in full screen with the menu bar hidden too.
constexpr std::pair<int, Qt::Key> kCommandKeys[] = {
    {kCommandFullScreen, Qt::Key_F11}, {kCommandPause, Qt::Key_Pause}, {kCommandRewind, Qt::Key_F9}};

}  // namespace

void MainWindow::SetUpPlayerView() {
  for (auto [command, key] : kCommandKeys) {
    QAction* action = ActionFor(command);
    action->setShortcut(QKeySequence(key));
    addAction(action);
  }
  // The sizes offered follow the screen the window is on when the menu opens.
  if (auto* sizes = qobject_cast<QMenu*>(ActionFor(kCommandWindow100)->parent())) {
    connect(sizes, &QMenu::aboutToShow, this, [this] { OfferFittingSizes(); });
  }
  // Escape closing a menu leaves Qt's menu bar holding the keyboard, so
  // Return would open the menu again instead of reaching the Spectrum as
  // ENTER: once a menu has closed and no other opened, the keys come back
  // to the picture. Deferred, as Qt hands the menu bar the focus after the
  // menu has gone.
  for (QAction* top : menuBar()->actions()) {
    if (QMenu* menu = top->menu()) {
      connect(menu, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
          if (QApplication::activePopupWidget() == nullptr && menuBar()->hasFocus()) setFocus(Qt::OtherFocusReason);
        });
      });
    }
  }
  tape_line_ = new QLabel(this);
  tape_line_->setObjectName(QStringLiteral("tape_line"));
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(tape_line_, 1);
  statusBar()->hide();
  setMouseTracking(true);
  picture_->setMouseTracking(true);
  chrome_timer_ = new QTimer(this);
  chrome_timer_->setSingleShot(true);
  connect(chrome_timer_, &QTimer::timeout, this, [this] { ShowChrome(false); });
  notice_timer_ = new QTimer(this);
  notice_timer_->setSingleShot(true);
  connect(notice_timer_, &QTimer::timeout, this, [this] {
    notice_.clear();
    UpdateTitle();
  });
}

void MainWindow::TogglePause() {
  paused_ = !paused_;
  picture_->SetCaption(paused_ ? QString::fromLatin1(kPausedTitle) : QString());
  UpdateTitle();
}

void MainWindow::SetWindowSize(int scale) {
  // A size chosen in full screen is where F11 returns to; choosing one
  // means the window is wanted, so full screen ends.
  const bool was_full_screen = full_screen_;
  SetFullScreen(false);
  if (window_scale_ == scale && !was_full_screen) return;
  const bool grows = scale > window_scale_;
  window_scale_ = scale;
  records_.machine.double_size = scale == 2;
  // A larger window moves back to its start position so the larger picture
  // fits the screen (as far up and left as needed); a smaller one shrinks
  // where it stands.
  if (grows) move(kMainWindowX, kMainWindowY);
  picture_->setFixedSize(kFrameWidth * scale, kFrameHeight * scale);
  adjustSize();
  if (grows && screen() != nullptr) {
    const QRect area = screen()->availableGeometry();
    const QRect frame = frameGeometry();
    move(std::max(area.left(), std::min(x(), area.right() + 1 - frame.width())),
         std::max(area.top(), std::min(y(), area.bottom() + 1 - frame.height())));
  }
}

void MainWindow::OfferFittingSizes() {
  if (screen() == nullptr) return;
  const QSize room = screen()->availableGeometry().size();
  const QSize frame = frameGeometry().size() - geometry().size();
  for (int scale : {3, 4}) {
    const QSize needed = QSize(kFrameWidth * scale, kFrameHeight * scale + menuBar()->sizeHint().height()) + frame;
    ActionFor(scale == 3 ? kCommandWindow300 : kCommandWindow400)
        ->setVisible(needed.width() <= room.width() && needed.height() <= room.height());
  }
}

void MainWindow::SetFullScreen(bool full_screen) {
  if (full_screen_ == full_screen) return;
  full_screen_ = full_screen;
  if (full_screen) {
    // The picture area takes the whole screen; the picture view centres the
    // largest whole-number size on black. The fixed size the layout gave
    // the window is its minimum and maximum size, which a window manager
    // obeys even in full screen: both go, or the window keeps 320x259.
    layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    picture_->setMinimumSize(0, 0);
    picture_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    showFullScreen();
    pointer_at_ = QCursor::pos();
    ShowChrome(false);
  } else {
    chrome_timer_->stop();
    ShowChrome(true);
    showNormal();
    picture_->setFixedSize(kFrameWidth * window_scale_, kFrameHeight * window_scale_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
  }
}

void MainWindow::ShowChrome(bool shown) {
  // A menu being used stays up however long the pointer rests.
  if (!shown && (QApplication::activePopupWidget() != nullptr || menuBar()->activeAction() != nullptr)) {
    chrome_timer_->start(kChromeRestMs);
    return;
  }
  menuBar()->setVisible(shown);
  statusBar()->setVisible(shown && !tape_status_.empty());
  if (shown) {
    unsetCursor();
    picture_->unsetCursor();
  } else {
    setCursor(Qt::BlankCursor);
    picture_->setCursor(Qt::BlankCursor);
  }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  // Hiding the menu bar moves the picture under a resting pointer, which
  // Qt reports as a move: only a real change of place counts.
  const QPoint at = event->globalPosition().toPoint();
  if (full_screen_ && at != pointer_at_) {
    pointer_at_ = at;
    ShowChrome(true);
    chrome_timer_->start(kChromeRestMs);
  }
  QMainWindow::mouseMoveEvent(event);
}

void MainWindow::ShowPadConnected(const std::string& name) {
  notice_ = QString::fromLatin1(kPadConnectedTitle) + QString::fromStdString(name);
  notice_timer_->start(kPadNoticeMs);
  UpdateTitle();
}

void MainWindow::ShowTapeLine() {
  tape_line_->setText(QString::fromStdString(tape_status_));
  // In full screen the line comes and goes with the menu bar.
  const bool shown = !tape_status_.empty() && (!full_screen_ || menuBar()->isVisible());
  if (statusBar()->isVisible() != shown) statusBar()->setVisible(shown);
}

void MainWindow::UpdateTitle() {
  QString title = QString::fromLatin1(kMainWindowTitle);
  shown_log_mode_ = records_.machine.input_log.mode;
  if (shown_log_mode_ == InputLogMode::playing) title += QStringLiteral(" - ") + QString::fromLatin1(kPlayingNotice);
  if (shown_log_mode_ == InputLogMode::recording) title += QStringLiteral(" - ") + QString::fromLatin1(kRecordingNotice);
  if (paused_) title += QStringLiteral(" - ") + QString::fromLatin1(kPausedTitle);
  if (!tape_status_.empty()) title += QStringLiteral(" - ") + QString::fromStdString(tape_status_);
  if (!notice_.isEmpty()) title += QStringLiteral(" - ") + notice_;
  setWindowTitle(title);
}

void MainWindow::SaveScreenshot() {
  int choice = 0;
  const std::string chosen = host_.AskSavePathChoosing(kScreenshotTitle, kScreenshotFilter, choice);
  if (chosen.empty()) return;
  // The last frame shown, at the size the picture area shows it or at 100%.
  const int scale = choice == 0 ? (full_screen_ ? picture_->Zoom() : window_scale_) : 1;
  const std::string path = WithDefaultExtension(chosen, ".png");
  std::string error;
  if (!WriteFramePng(path, records_.renderer.frame_picture.data(), kFrameWidth, kFrameHeight, error, scale)) {
    host_.ShowMessage(kScreenshotTitle, error);
  }
}
