// The main window of Vantro: menu bar built from one table, menu dispatch,
// check marks kept equal to the machine's state, picture area and keys.
#include "emulator/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <string>
#include <string_view>
#include <vector>

#include "cpu/z80.h"
#include "debugger/debugger_window.h"
#include "debugger/debugger_window.h"
#include "emulator/about_window.h"
#include "emulator/emulation_loop.h"
#include "machine/hardware.h"
#include "platform/key_map.h"
#include "platform/picture_view.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/sna.h"
#include "tools/list_window.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

inline constexpr char kInfoTitle[] = "Info";
inline constexpr char kUninstalledPrefix[] = "MenuItem: ";
inline constexpr char kUninstalledSuffix[] = " is not currently installed.";

// One row of the menu bar. A null label is a separator. Menus and submenus
// appear in the order their first row does; the path names them, ">" going
// one submenu deeper.
struct MenuRow {
  const char* path;
  const char* label;
  int command;
  bool checked_at_start;
};

constexpr MenuRow kMenuRows[] = {
    {"File", "Open", kCommandOpen, false},
    {"File", "Save SNA", kCommandSaveSna, false},
    {"File", "Load Bin/Scr/Rom", kCommandLoadBlock, false},
    {"File", "Save Bin/Scr/Rom", kCommandSaveBlock, false},
    {"File", nullptr, 0, false},
    {"File", "Exit", kCommandExit, false},
    {"Emulation>Reset", "Hard", kCommandHardReset, false},
    {"Emulation>Reset", "Soft", kCommandSoftReset, false},
    {"Emulation>Speed", "25%", kCommandSpeed25, false},
    {"Emulation>Speed", "50%", kCommandSpeed50, false},
    {"Emulation>Speed", "100%", kCommandSpeed100, true},
    {"Emulation>Speed", "200%", kCommandSpeed200, false},
    {"Emulation>Speed", "No Limit", kCommandNoLimit, false},
    {"Emulation>Video>Window", "100%", kCommandWindow100, true},
    {"Emulation>Video>Window", "200%", kCommandWindow200, false},
    {"Emulation>Video>Output", "Colour", kCommandColour, true},
    {"Emulation>Video>Output", "Monochrome", kCommandMonochrome, false},
    {"Emulation>Video>Output", "Green Screen", kCommandGreenScreen, false},
    {"Emulation>Video", nullptr, 0, false},
    {"Emulation>Video", "Fast Border Render", kCommandFastBorder, true},
    {"Emulation", nullptr, 0, false},
    {"Emulation", "Write Protect ROM", kCommandWriteProtect, true},
    {"Hardware", kSweetTalkerItem, kCommandSweetTalker, false},
    {"Hardware", kCurrahItem, kCommandCurrah, false},
    {"Hardware", nullptr, 0, false},
    {"Hardware>Joystick Interface", kKempstonItem, kCommandKempston, true},
    {"Hardware>Joystick Interface", kInterface2Port1Item, kCommandInterface2Port1, false},
    {"Hardware>Joystick Interface", kInterface2Port2Item, kCommandInterface2Port2, false},
    {"Hardware>Joystick Interface", kCursorItem, kCommandCursor, false},
    {"Tools", "Character Set Editor", kCommandCharsetEditor, false},
    {"Tools", "Debugger", kCommandDebugger, false},
    {"Tools>Disassemble...", "to file", kCommandDisassembleToFile, false},
    {"Tools>Disassemble...", "to window", kCommandDisassembleToWindow, false},
    {"Tools", "Force BREAK", kCommandForceBreak, false},
    {"Tools", "Hex dump", kCommandHexDump, false},
    {"Tools", "Peek Memory", kCommandPeek, false},
    {"Tools", "Poke Memory", kCommandPoke, false},
    {"Help", "Help Topics", kCommandHelpTopics, false},
    {"Help", "About", kCommandAbout, false},
};

// Items that carry state and so may show a check mark: the radio groups,
// the two toggles and the Hardware items.
bool HasCheckMark(int command) {
  return (command >= kCommandSpeed25 && command <= kCommandCursor) ||
         command == kCommandFastBorder;
}

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
  setFocusPolicy(Qt::StrongFocus);
  move(kMainWindowX, kMainWindowY);
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenuBar() {
  std::map<std::string, QMenu*> menus;
  for (const MenuRow& row : kMenuRows) {
    // Find or create every menu along the path, outermost first.
    std::string_view path = row.path;
    std::string so_far;
    QMenu* menu = nullptr;
    while (!path.empty()) {
      const std::size_t bar = path.find('>');
      const std::string_view name = path.substr(0, bar);
      so_far += so_far.empty() ? "" : ">";
      so_far += name;
      auto found = menus.find(so_far);
      if (found == menus.end()) {
        const QString title = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        QMenu* created = menu == nullptr ? menuBar()->addMenu(title) : menu->addMenu(title);
        found = menus.emplace(so_far, created).first;
      }
      menu = found->second;
      path = bar == std::string_view::npos ? std::string_view{} : path.substr(bar + 1);
    }
    if (row.label == nullptr) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(QString::fromLatin1(row.label));
    action->setData(row.command);
    if (HasCheckMark(row.command)) {
      action->setCheckable(true);
      action->setChecked(row.checked_at_start);
    }
    const int command = row.command;
    connect(action, &QAction::triggered, this, [this, command] { Dispatch(command); });
    actions_[command] = action;
  }
}

QAction* MainWindow::ActionFor(int command) const {
  auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::SyncCheckMarks() {
  // Qt flips a checkable item by itself when it is chosen; the marks are set
  // again from the state after every command so they always tell the truth.
  const Machine& machine = records_.machine;
  auto mark = [this](int command, bool on) {
    if (QAction* action = ActionFor(command)) action->setChecked(on);
  };
  const int speed = SpeedCommand(machine);
  for (int c = kCommandSpeed25; c <= kCommandNoLimit; ++c) mark(c, c == speed);
  mark(kCommandWindow100, !machine.double_size);
  mark(kCommandWindow200, machine.double_size);
  mark(kCommandColour, machine.video_output == VideoOutput::colour);
  mark(kCommandMonochrome, machine.video_output == VideoOutput::monochrome);
  mark(kCommandGreenScreen, machine.video_output == VideoOutput::green);
  mark(kCommandFastBorder, machine.fast_border);
  mark(kCommandWriteProtect, machine.write_floor != 0);
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
    case kCommandSpeed25: ChooseSpeed(machine, 1, clock_.NowMs()); break;
    case kCommandSpeed50: ChooseSpeed(machine, 2, clock_.NowMs()); break;
    case kCommandSpeed100: ChooseSpeed(machine, 4, clock_.NowMs()); break;
    case kCommandSpeed200: ChooseSpeed(machine, 8, clock_.NowMs()); break;
    case kCommandNoLimit: ChooseNoLimit(machine); break;
    case kCommandWindow100: SetWindowSize(false); break;
    case kCommandWindow200: SetWindowSize(true); break;
    case kCommandColour: SetOutput(VideoOutput::colour); break;
    case kCommandMonochrome: SetOutput(VideoOutput::monochrome); break;
    case kCommandGreenScreen: SetOutput(VideoOutput::green); break;
    case kCommandFastBorder: machine.fast_border = !machine.fast_border; break;
    case kCommandWriteProtect: ToggleWriteProtect(machine); break;
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

void MainWindow::ShowUninstalled(int command) {
  host_.ShowMessage(kInfoTitle, UninstalledCommandText(command));
}

void MainWindow::OpenDebugger() {
  // The menu's "Debugger", a fired breakpoint and a flushed trace all end
  // here; the machine stands still until the user leaves the debugger.
  DebuggerContext context{records_.cpu,      records_.machine, records_.breakpoint,
                          records_.renderer, records_.hex_mode, records_.listing,
                          host_,             block_asker_,      clock_};
  ::OpenDebugger(context, this);
}

void MainWindow::SetWindowSize(bool double_size) {
  Machine& machine = records_.machine;
  if (machine.double_size == double_size) return;
  machine.double_size = double_size;
  // 200% moves the window back to its start position so the larger picture
  // fits the screen; 100% shrinks it where it stands.
  if (double_size) move(kMainWindowX, kMainWindowY);
  picture_->setFixedSize(double_size ? kScaledWidth : kFrameWidth,
                         double_size ? kScaledHeight : kFrameHeight);
  adjustSize();
}

void MainWindow::SetOutput(VideoOutput output) {
  Machine& machine = records_.machine;
  if (machine.video_output == output) return;
  machine.video_output = output;
  LoadPalette(records_.renderer, output);
}

void MainWindow::Present() {
  DisplayRenderer& renderer = records_.renderer;
  if (records_.machine.double_size) {
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
    records_.machine.host_keys |= HostKeyBit(*key);
  }
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat()) return;
  if (auto key = HostKeyFromEvent(*event, x11_scan_codes_)) {
    records_.machine.host_keys &= ~HostKeyBit(*key);
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
