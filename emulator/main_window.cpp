// The main window of Vantro: menu bar built from one table, menu dispatch,
// check marks kept equal to the machine's state, picture area and keys.
#include "emulator/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "computer/computer.h"
#include "debugger/debugger_window.h"
#include "emulator/about_window.h"
#include "emulator/emulation_loop.h"
#include "emulator/tape_status.h"
#include "machine/hardware.h"
#include "machine/port_bus.h"
#include "platform/key_map.h"
#include "platform/menu_table.h"
#include "platform/picture_view.h"
#include "snapshots/file_names.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/pok.h"
#include "snapshots/rzx.h"
#include "snapshots/sna.h"
#include "snapshots/tape.h"
#include "snapshots/tape_writer.h"
#include "tools/list_window.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

inline constexpr char kInfoTitle[] = "Info";
inline constexpr char kRecordTitle[] = "Record Input";
inline constexpr char kRecordFilter[] = "RZX (*.rzx)";
inline constexpr char kRecordingStopped[] =
    "The recording stops here and is saved: what this command changes cannot be played back.";
inline constexpr char kPlaybackStopped[] =
    "The recording stops playing: what this command changes would leave it behind the machine.";

// The commands that change the machine other than through its inputs.
constexpr int kCommandsBeyondInput[] = {
    kCommandOpen,         kCommandLoadBlock,  kCommandHardReset,  kCommandSoftReset, kCommandForceBreak,
    kCommandPoke,         kCommandCharsetEditor, kCommandDebugger, kCommandRewind,   kCommandWriteProtect,
    kCommandSweetTalker,  kCommandCurrah,     kCommandKempston,   kCommandInterface2Port1,
    kCommandInterface2Port2, kCommandCursor};
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
    {"File", "Apply POKEs...", kCommandApplyPokes},
    {"File", nullptr, 0},
    {"File", "Play Tape", kCommandPlayTape, kOff},
    {"File", "Rewind Tape", kCommandRewindTape},
    {"File", "Save Tape As...", kCommandSaveTape},
    {"File", nullptr, 0},
    {"File", "Record Input...", kCommandRecordInput},
    {"File", "Stop Recording", kCommandStopRecording},
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
    {"Emulation>Video", "Fast Border Render", kCommandFastBorder, kOff},
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
  SetUpPlayerView();
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
  StopRecordingBefore(command);
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
    case kCommandPause: TogglePause(); break;
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
    case kCommandSaveTape: SaveTapeCommand(machine, host_); break;
    case kCommandApplyPokes: ApplyPokesCommand(machine, host_, trainer_chooser_); break;
    case kCommandRecordInput: AskForRecording(); break;
    case kCommandStopRecording: ShowProblem(host_, StopInputRecording(machine)); break;
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
  FollowTape();
  UpdateTitle();
}

void MainWindow::StopRecordingBefore(int command) {
  InputLog& log = records_.machine.input_log;
  if (log.mode == InputLogMode::off) return;
  if (std::find(std::begin(kCommandsBeyondInput), std::end(kCommandsBeyondInput), command) ==
      std::end(kCommandsBeyondInput)) {
    return;
  }
  if (log.mode == InputLogMode::recording) {
    if (!ShowProblem(host_, StopInputRecording(records_.machine))) host_.ShowMessage(kRecordTitle, kRecordingStopped);
  } else {
    log = InputLog{};
    host_.ShowMessage(kPlaybackTitle, kPlaybackStopped);
  }
  UpdateTitle();
}

void MainWindow::AskForRecording() {
  const std::string chosen = host_.AskSavePath(kRecordTitle, kRecordFilter);
  if (chosen.empty()) return;
  // A recording under way is finished and written before the next begins.
  ShowProblem(host_, StopInputRecording(records_.machine));
  pending_record_path_ = WithDefaultExtension(chosen, ".rzx");
}

void MainWindow::StartPendingRecording() {
  if (pending_record_path_.empty()) return;
  const std::string path = std::exchange(pending_record_path_, std::string());
  ShowProblem(host_, StartInputRecording(records_.machine, records_.cpu, path));
  SyncCheckMarks();
  UpdateTitle();
}

void MainWindow::ShowRecordingNews() {
  InputLog& log = records_.machine.input_log;
  if (log.ended != InputLogEnd::none) {
    const InputLogEnd ended = std::exchange(log.ended, InputLogEnd::none);
    UpdateTitle();
    host_.ShowMessage(kPlaybackTitle, ended == InputLogEnd::finished ? kPlaybackFinished : kPlaybackRanOut);
  }
  if (log.mode != shown_log_mode_) UpdateTitle();
}

void MainWindow::OpenPath(const std::string& path) {
  StopRecordingBefore(kCommandOpen);
  ShowProblem(host_, OpenFile(records_.machine, records_.cpu, path, &host_));
  SyncCheckMarks();
  FollowTape();
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

void MainWindow::SetOutput(VideoOutput output) {
  Machine& machine = records_.machine;
  if (machine.video_output == output) return;
  machine.video_output = output;
  LoadPalette(records_.renderer, output);
}

void MainWindow::FollowTape() {
  // The tape stops by itself at its end or a stop block.
  if (QAction* play = ActionFor(kCommandPlayTape); play && play->isChecked() != records_.machine.tape_signal.playing) {
    play->setChecked(records_.machine.tape_signal.playing);
  }
  // The title and the status line follow the tape as it goes in and moves
  // from block to block.
  if (std::string status = TapeStatusText(records_.machine); status != tape_status_) {
    tape_status_ = std::move(status);
    UpdateTitle();
    ShowTapeLine();
  }
}

void MainWindow::Present() {
  FollowTape();
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
  // The window cannot grow, so a window manager should offer no maximise;
  // one that maximises it all the same gets full screen, the one larger
  // picture there is, instead of a dead button.
  if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMaximized) && !full_screen_) {
    setWindowState(windowState() & ~Qt::WindowMaximized);
    QTimer::singleShot(0, this, [this] {
      SetFullScreen(true);
      SyncCheckMarks();
    });
  }
  QMainWindow::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  records_.machine.quit_requested = true;
  event->accept();
}
