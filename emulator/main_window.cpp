// The main window of Vantro: menu bar built from one table, menu dispatch,
// check marks kept equal to the machine's state, picture area and keys.
#include "emulator/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <string>
#include <utility>

#include "spectrum/spectrum.h"
#include "debugger/debugger_window.h"
#include "emulator/about_window.h"
#include "emulator/emulation_loop.h"
#include "emulator/frame_png.h"
#include "machine/hardware.h"
#include "machine/port_bus.h"
#include "platform/key_map.h"
#include "platform/menu_table.h"
#include "platform/picture_view.h"
#include "snapshots/file_names.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/sna.h"
#include "snapshots/tape.h"
#include "tools/list_window.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

inline constexpr char kInfoTitle[] = "Info";
inline constexpr char kUninstalledPrefix[] = "MenuItem: ";
inline constexpr char kUninstalledSuffix[] = " is not currently installed.";

// Items that carry state show a check mark: the radio groups, the two
// toggles and the Hardware items.
constexpr MenuMark kOff = MenuMark::off;
constexpr MenuMark kOn = MenuMark::on;

constexpr MenuRow kMenuRows[] = {
    {"File", "Open", kCommandOpen},
    {"File", "Save SNA", kCommandSaveSna},
    {"File", "Load Bin/Scr/Rom", kCommandLoadBlock},
    {"File", "Save Bin/Scr/Rom", kCommandSaveBlock},
    {"File", "Save Screenshot...", kCommandSaveScreenshot},
    {"File", nullptr, 0},
    {"File", "Play Tape", kCommandPlayTape, kOff},
    {"File", "Rewind Tape", kCommandRewindTape},
    {"File", nullptr, 0},
    {"File", "Exit", kCommandExit},
    {"Emulation>Reset", "Hard", kCommandHardReset},
    {"Emulation>Reset", "Soft", kCommandSoftReset},
    {"Emulation>Speed", "25%", kCommandSpeed25, kOff},
    {"Emulation>Speed", "50%", kCommandSpeed50, kOff},
    {"Emulation>Speed", "100%", kCommandSpeed100, kOn},
    {"Emulation>Speed", "200%", kCommandSpeed200, kOff},
    {"Emulation>Speed", "No Limit", kCommandNoLimit, kOff},
    {"Emulation>Video>Window", "100%", kCommandWindow100, kOn},
    {"Emulation>Video>Window", "200%", kCommandWindow200, kOff},
    {"Emulation>Video>Window", "300%", kCommandWindow300, kOff},
    {"Emulation>Video>Window", "400%", kCommandWindow400, kOff},
    {"Emulation>Video>Window", "Full Screen", kCommandFullScreen, kOff},
    {"Emulation>Video>Output", "Colour", kCommandColour, kOn},
    {"Emulation>Video>Output", "Monochrome", kCommandMonochrome, kOff},
    {"Emulation>Video>Output", "Green Screen", kCommandGreenScreen, kOff},
    {"Emulation>Video", nullptr, 0},
    {"Emulation>Video", "Fast Border Render", kCommandFastBorder, kOn},
    {"Emulation", nullptr, 0},
    {"Emulation", "Write Protect ROM", kCommandWriteProtect, kOn},
    {"Emulation", "Sound", kCommandSound, kOn},
    {"Emulation", "Fast Tape Loading", kCommandFastTapeLoading, kOn},
    {"Emulation", "Fast-Forward While Loading", kCommandFastForwardLoading, kOn},
    {"Emulation", nullptr, 0},
    {"Emulation", "Pause", kCommandPause, kOff},
    {"Emulation", "Rewind", kCommandRewind},
    {"Hardware", kSweetTalkerItem, kCommandSweetTalker, kOff},
    {"Hardware", kCurrahItem, kCommandCurrah, kOff},
    {"Hardware", nullptr, 0},
    {"Hardware>Joystick Interface", kKempstonItem, kCommandKempston, kOn},
    {"Hardware>Joystick Interface", kInterface2Port1Item, kCommandInterface2Port1, kOff},
    {"Hardware>Joystick Interface", kInterface2Port2Item, kCommandInterface2Port2, kOff},
    {"Hardware>Joystick Interface", kCursorItem, kCommandCursor, kOff},
    {"Tools", "Character Set Editor", kCommandCharsetEditor},
    {"Tools", "Debugger", kCommandDebugger},
    {"Tools>Disassemble...", "to file", kCommandDisassembleToFile},
    {"Tools>Disassemble...", "to window", kCommandDisassembleToWindow},
    {"Tools", "Force BREAK", kCommandForceBreak},
    {"Tools", "Hex dump", kCommandHexDump},
    {"Tools", "Peek Memory", kCommandPeek},
    {"Tools", "Poke Memory", kCommandPoke},
    {"Help", "Help Topics", kCommandHelpTopics},
    {"Help", "About", kCommandAbout},
};

int SpeedCommand(const Machine& machine) {
  if (!machine.speed_limited) return kCommandNoLimit;
  switch (machine.target_frames) {
    case 12: return kCommandSpeed25;
    case 25: return kCommandSpeed50;
    case 100: return kCommandSpeed200;
    default: return kCommandSpeed100;
  }
}

// Keys of the player's items, none of them a key the Spectrum uses; they
// work in full screen with the menu bar hidden too.
constexpr std::pair<int, Qt::Key> kCommandKeys[] = {
    {kCommandFullScreen, Qt::Key_F11}, {kCommandPause, Qt::Key_Pause}, {kCommandRewind, Qt::Key_F9}};

MemoryView WholeMemory(Machine& machine) {
  return MemoryView{machine.memory.data(), machine.memory.size()};
}

}  // namespace

std::string UninstalledCommandText(int command) {
  return kUninstalledPrefix + std::to_string(command) + kUninstalledSuffix;
}

MainWindow::MainWindow(VantroRecords& records, Host& host, BlockAsker& block_asker,
                       MillisecondClock& clock, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      records_(records),
      host_(host),
      block_asker_(block_asker),
      clock_(clock),
      charset_state_(MakeCharsetEditorState()),
      x11_scan_codes_(PlatformHasX11ScanCodes()) {
  setWindowTitle(QString::fromLatin1(kMainWindowTitle));
  picture_ = new PictureView(this);
  picture_->setFixedSize(kFrameWidth, kFrameHeight);
  setCentralWidget(picture_);
  BuildMenuBar();
  // No sizing border: the window is exactly menu bar plus picture area.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  for (auto [command, key] : kCommandKeys) {
    QAction* action = ActionFor(command);
    action->setShortcut(QKeySequence(key));
    addAction(action);
  }
  // The sizes offered follow the screen the window is on when the menu opens.
  if (auto* sizes = qobject_cast<QMenu*>(ActionFor(kCommandWindow100)->parent())) {
    connect(sizes, &QMenu::aboutToShow, this, [this] { OfferFittingSizes(); });
  }
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
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  move(kMainWindowX, kMainWindowY);
  OfferFittingSizes();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenuBar() {
  actions_ = BuildMenuTable(*menuBar(), kMenuRows, *this, [this](int command) { Dispatch(command); });
}

QAction* MainWindow::ActionFor(int command) const { return FindMenuAction(actions_, command); }

void MainWindow::SyncCheckMarks() {
  // Qt flips a checkable item by itself when it is chosen; the marks are set
  // again from the state after every command so they always tell the truth.
  const Machine& machine = records_.machine;
  auto mark = [this](int command, bool on) {
    if (QAction* action = ActionFor(command)) action->setChecked(on);
  };
  const int speed = SpeedCommand(machine);
  for (int c = kCommandSpeed25; c <= kCommandNoLimit; ++c) mark(c, c == speed);
  mark(kCommandWindow100, window_scale_ == 1);
  mark(kCommandWindow200, window_scale_ == 2);
  mark(kCommandWindow300, window_scale_ == 3);
  mark(kCommandWindow400, window_scale_ == 4);
  mark(kCommandFullScreen, full_screen_);
  mark(kCommandPause, paused_);
  mark(kCommandColour, machine.video_output == VideoOutput::colour);
  mark(kCommandMonochrome, machine.video_output == VideoOutput::monochrome);
  mark(kCommandGreenScreen, machine.video_output == VideoOutput::green);
  mark(kCommandFastBorder, machine.fast_border);
  mark(kCommandWriteProtect, machine.write_floor != 0);
  mark(kCommandSound, machine.beeper.sound_on);
  mark(kCommandPlayTape, machine.tape_signal.playing);
  mark(kCommandFastTapeLoading, machine.fast_load);
  mark(kCommandFastForwardLoading, machine.fast_forward_loading);
  const HardwareChecks hardware = HardwareCheckMarks(machine);
  mark(kCommandKempston, hardware.kempston);
  mark(kCommandInterface2Port1, hardware.if2_port1);
  mark(kCommandInterface2Port2, hardware.if2_port2);
  mark(kCommandCursor, hardware.cursor);
  mark(kCommandSweetTalker, hardware.sweet_talker);
  mark(kCommandCurrah, hardware.currah);
}

void MainWindow::Dispatch(int command) {
  CpuState& cpu = records_.cpu;
  Machine& machine = records_.machine;
  switch (command) {
    case kCommandOpen: LoadFileDispatcher(machine, cpu, host_); break;
    case kCommandSaveSna: SaveSnaCommand(machine, cpu, host_); break;
    case kCommandLoadBlock: LoadBlockCommand(machine, cpu, host_, block_asker_); break;
    case kCommandSaveBlock: SaveBlockCommand(machine, host_, block_asker_); break;
    case kCommandExit: machine.quit_requested = true; break;
    case kCommandHardReset: ResetCpu(cpu); break;
    case kCommandSoftReset: SoftReset(cpu); break;
    case kCommandSpeed25: ChooseSpeed(machine, 1); break;
    case kCommandSpeed50: ChooseSpeed(machine, 2); break;
    case kCommandSpeed100: ChooseSpeed(machine, 4); break;
    case kCommandSpeed200: ChooseSpeed(machine, 8); break;
    case kCommandNoLimit: ChooseNoLimit(machine); break;
    case kCommandWindow100: SetWindowSize(1); break;
    case kCommandWindow200: SetWindowSize(2); break;
    case kCommandWindow300: SetWindowSize(3); break;
    case kCommandWindow400: SetWindowSize(4); break;
    case kCommandFullScreen: SetFullScreen(!full_screen_); break;
    case kCommandPause:
      paused_ = !paused_;
      picture_->SetCaption(paused_ ? QString::fromLatin1(kPausedTitle) : QString());
      UpdateTitle();
      break;
    case kCommandSaveScreenshot: SaveScreenshot(); break;
    case kCommandRewind: ++rewind_presses_; break;
    case kCommandColour: SetOutput(VideoOutput::colour); break;
    case kCommandMonochrome: SetOutput(VideoOutput::monochrome); break;
    case kCommandGreenScreen: SetOutput(VideoOutput::green); break;
    case kCommandFastBorder: machine.fast_border = !machine.fast_border; break;
    case kCommandWriteProtect: ToggleWriteProtect(machine); break;
    case kCommandSound: machine.beeper.sound_on = !machine.beeper.sound_on; break;
    case kCommandPlayTape:
      SetTapePlaying(machine.tape_signal, !machine.tape_signal.playing, TapeNow(machine, cpu.tstates));
      break;
    case kCommandRewindTape: RewindTape(machine.tape_signal, TapeNow(machine, cpu.tstates)); break;
    case kCommandFastTapeLoading: machine.fast_load = !machine.fast_load; break;
    case kCommandFastForwardLoading: machine.fast_forward_loading = !machine.fast_forward_loading; break;
    case kCommandSweetTalker: ToggleSweetTalker(machine, cpu); break;
    case kCommandCurrah: ToggleCurrah(machine, cpu); break;
    case kCommandKempston: ChooseJoystick(machine, cpu, Joystick::kempston); break;
    case kCommandInterface2Port1: ChooseJoystick(machine, cpu, Joystick::if2_port1); break;
    case kCommandInterface2Port2: ChooseJoystick(machine, cpu, Joystick::if2_port2); break;
    case kCommandCursor: ChooseJoystick(machine, cpu, Joystick::cursor); break;
    case kCommandCharsetEditor: RunCharsetEditor(WholeMemory(machine), charset_state_, this); break;
    case kCommandDebugger: OpenDebugger(); break;
    case kCommandDisassembleToFile:
    case kCommandDisassembleToWindow:
      DisassembleCommand(command == kCommandDisassembleToWindow, WholeMemory(machine),
                         records_.listing, records_.hex_mode, cpu.pc, this);
      break;
    case kCommandForceBreak: ForceBreak(cpu); break;
    case kCommandHexDump: HexDumpCommand(WholeMemory(machine), records_.listing, cpu.pc, this); break;
    case kCommandPeek: RunPeekDialog(WholeMemory(machine), VantroPeekOptions(), this); break;
    case kCommandPoke: RunPokeDialog(WholeMemory(machine), VantroPokeOptions(), this); break;
    case kCommandAbout: RunAboutWindow(this); break;
    default: ShowUninstalled(command); break;  // "Help Topics" (33)
  }
  SyncCheckMarks();
}

void MainWindow::OpenPath(const std::string& path) {
  ShowProblem(host_, OpenFile(records_.machine, records_.cpu, path));
  SyncCheckMarks();
}

void MainWindow::ReportTapeStop() {
  TapeSignal& tape = records_.machine.tape_signal;
  if (!tape.stopped_unplayed) return;
  tape.stopped_unplayed = false;
  ShowProblem(host_, UnplayedBlockProblem(tape.unplayed_id));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile()) {
    event->acceptProposedAction();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  // Opened once the drop has been answered, so a message about the file
  // does not keep the program the file came from waiting on the drag.
  const std::string path = QFile::encodeName(urls.front().toLocalFile()).toStdString();
  QTimer::singleShot(0, this, [this, path] { OpenPath(path); });
}

void MainWindow::ShowUninstalled(int command) {
  host_.ShowMessage(kInfoTitle, UninstalledCommandText(command));
}

void MainWindow::OpenDebugger() {
  // The menu's "Debugger", a fired breakpoint and a flushed trace all end
  // here; the machine stands still until the user leaves the debugger. A
  // flush that failed is told first: the debugger opens all the same.
  if (records_.machine.trace_write_failed) {
    records_.machine.trace_write_failed = false;
    host_.ShowMessage(kTraceWriteTitle, kTraceWriteFailed);
  }
  DebuggerContext context{records_.cpu,      records_.machine, records_.breakpoint,
                          records_.renderer, records_.hex_mode, records_.listing,
                          host_,             block_asker_,      clock_};
  ::OpenDebugger(context, this);
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
    // largest whole-number size on black.
    layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    picture_->setMinimumSize(0, 0);
    picture_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
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

void MainWindow::UpdateTitle() {
  QString title = QString::fromLatin1(kMainWindowTitle);
  if (paused_) title += QStringLiteral(" - ") + QString::fromLatin1(kPausedTitle);
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

void MainWindow::SetOutput(VideoOutput output) {
  Machine& machine = records_.machine;
  if (machine.video_output == output) return;
  machine.video_output = output;
  LoadPalette(records_.renderer, output);
}

void MainWindow::Present() {
  // The tape stops by itself at its end or a stop block.
  if (QAction* play = ActionFor(kCommandPlayTape); play && play->isChecked() != records_.machine.tape_signal.playing) {
    play->setChecked(records_.machine.tape_signal.playing);
  }
  DisplayRenderer& renderer = records_.renderer;
  if (records_.machine.double_size && !full_screen_) {
    ScaleFramePicture(renderer);
    picture_->ShowPixels(renderer.scaled_picture.data(), kScaledWidth, kScaledHeight);
  } else {
    picture_->ShowPixels(renderer.frame_picture.data(), kFrameWidth, kFrameHeight);
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    records_.machine.quit_requested = true;
    return;
  }
  // The Spectrum sees held keys, not typed characters: the host's repeats
  // would only hide the release the ROM's own repeat relies on.
  if (event->isAutoRepeat()) return;
  if (auto key = HostKeyFromEvent(*event, x11_scan_codes_)) {
    PressHostKey(records_.machine, *key);
  }
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  if (auto key = HostKeyFromEvent(*event, x11_scan_codes_)) {
    ReleaseHostKey(records_.machine, *key);
  }
}

void MainWindow::ReleaseAllKeys() { records_.machine.host_keys = 0; }

void MainWindow::focusOutEvent(QFocusEvent* event) {
  // A key released while another window has the focus never reaches us.
  ReleaseAllKeys();
  QMainWindow::focusOutEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) ReleaseAllKeys();
  QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  records_.machine.quit_requested = true;
  event->accept();
}
