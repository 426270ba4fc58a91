// The debugger window: its controls at their fixed client positions, its own
// menu bar, RefreshDebugger, the buttons and every menu command; see
// debugger_window.h. The rules behind the commands live in
// debugger_commands.cpp and register_display.cpp.
#include "debugger/debugger_window.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "debugger/trace_file.h"
#include "computer/computer.h"
#include "debugger/breakpoint_dialog.h"
#include "debugger/debugger_commands.h"
#include "debugger/load_register_dialog.h"
#include "debugger/register_display.h"
#include "platform/fonts.h"
#include "platform/menu_table.h"
#include "platform/video_out_view.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/sna.h"
#include "tools/list_window.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"
#include "tools/tool_dialog.h"

namespace {

inline constexpr char kBaseText[] = "BASE";
inline constexpr char kRunText[] = "RUN";
inline constexpr char kStepText[] = "STEP";
inline constexpr char kClearText[] = "CLEAR";
inline constexpr char kStackHeader[] = "STACK";
inline constexpr char kInterruptHeader[] = "INTERUPTS";
inline constexpr char kTStateHeader[] = "T-STATE COUNTER";
inline constexpr char kFlagHeader[] = "SZ5H3PNC";
inline constexpr char kMemptrHeader[] = "MEMPTR";
inline constexpr char kEnabledLabel[] = "Enabled";
inline constexpr char kModeLabel[] = "Mode";

// The three typefaces, looked up once: the font database query behind
// ConsolasFont is the slowest part of building the window.
struct DebuggerFonts {
  QFont large = ConsolasFont(12, true);   // BASE, RUN, STEP
  QFont header = ConsolasFont(8, true);   // header labels
  QFont text = ConsolasFont(8);           // everything else
};
const DebuggerFonts& Fonts() {
  static const DebuggerFonts fonts;
  return fonts;
}

// The debugger's menu bar as rows for BuildMenuTable; the numbered command
// families are written through these helpers.
constexpr int Break(int kind) { return kDebugBreakBase + kind; }
constexpr int Load(int order) { return kDebugLoadBase + order; }
constexpr int Mode(int mode) { return kDebugForceModeBase + mode; }

constexpr MenuRow kMenuRows[] = {
    {"File", "Open", kDebugOpen},
    {"File", "Save SNA", kDebugSaveSna},
    {"File", "Load Bin/Scr/Rom", kDebugLoadBlock},
    {"File", "Save Bin/Scr/Rom", kDebugSaveBlock},
    {"File", nullptr, 0},
    {"File", "Exit Debugger", kDebugExit},
    {"Emulation", "Hard Reset", kDebugHardReset},
    {"Emulation", nullptr, 0},
    {"Emulation", "Run", kDebugRun},
    {"Emulation", nullptr, 0},
    {"Emulation", "View TV Output", kDebugViewTv},
    {"Breakpoint>Flag...", "S", Break(0)},
    {"Breakpoint>Flag...", "Z", Break(1)},
    {"Breakpoint>Flag...", "5", Break(2)},
    {"Breakpoint>Flag...", "H", Break(3)},
    {"Breakpoint>Flag...", "3", Break(4)},
    {"Breakpoint>Flag...", "P", Break(5)},
    {"Breakpoint>Flag...", "N", Break(6)},
    {"Breakpoint>Flag...", "C", Break(7)},
    {"Breakpoint>Flag...", "Any", Break(8)},
    {"Breakpoint", nullptr, 0},
    {"Breakpoint", "Opcode...", Break(kOpcodeKind)},
    {"Breakpoint", nullptr, 0},
    {"Breakpoint>8-Bit Register...", "A", Break(19)},
    {"Breakpoint>8-Bit Register...", "F", Break(20)},
    {"Breakpoint>8-Bit Register...", "B", Break(21)},
    {"Breakpoint>8-Bit Register...", "C", Break(22)},
    {"Breakpoint>8-Bit Register...", "D", Break(23)},
    {"Breakpoint>8-Bit Register...", "E", Break(24)},
    {"Breakpoint>8-Bit Register...", "H", Break(25)},
    {"Breakpoint>8-Bit Register...", "L", Break(26)},
    {"Breakpoint>8-Bit Register...", "I", Break(27)},
    {"Breakpoint>8-Bit Register...", "R", Break(28)},
    {"Breakpoint>16-Bit Register...", "BC", Break(29)},
    {"Breakpoint>16-Bit Register...", "DE", Break(30)},
    {"Breakpoint>16-Bit Register...", "HL", Break(31)},
    {"Breakpoint>16-Bit Register...", "IX", Break(32)},
    {"Breakpoint>16-Bit Register...", "IY", Break(33)},
    {"Breakpoint>16-Bit Register...", "PC", Break(34)},
    {"Breakpoint>16-Bit Register...", "SP", Break(35)},
    {"Tools", "Debug to file", kDebugToFile},
    {"Tools", nullptr, 0},
    {"Tools>Disassemble...", "to file", kDebugDisassembleToFile},
    {"Tools>Disassemble...", "to window", kDebugDisassembleToWindow},
    {"Tools", nullptr, 0},
    {"Tools>Load Register...>8-Bit Register...", "A", Load(0)},
    {"Tools>Load Register...>8-Bit Register...", "F", Load(1)},
    {"Tools>Load Register...>8-Bit Register...", "B", Load(2)},
    {"Tools>Load Register...>8-Bit Register...", "C", Load(3)},
    {"Tools>Load Register...>8-Bit Register...", "D", Load(4)},
    {"Tools>Load Register...>8-Bit Register...", "E", Load(5)},
    {"Tools>Load Register...>8-Bit Register...", "H", Load(6)},
    {"Tools>Load Register...>8-Bit Register...", "L", Load(7)},
    {"Tools>Load Register...>8-Bit Register...", "I", Load(8)},
    {"Tools>Load Register...>8-Bit Register...", "R", Load(9)},
    {"Tools>Load Register...>16-Bit Register...", "BC", Load(10)},
    {"Tools>Load Register...>16-Bit Register...", "DE", Load(11)},
    {"Tools>Load Register...>16-Bit Register...", "HL", Load(12)},
    {"Tools>Load Register...>16-Bit Register...", "IX", Load(13)},
    {"Tools>Load Register...>16-Bit Register...", "IY", Load(14)},
    {"Tools>Load Register...>16-Bit Register...", "PC", Load(15)},
    {"Tools>Load Register...>16-Bit Register...", "SP", Load(16)},
    {"Tools", nullptr, 0},
    {"Tools>Interupts>Force Mode", "0", Mode(0)},
    {"Tools>Interupts>Force Mode", "1", Mode(1)},
    {"Tools>Interupts>Force Mode", "2", Mode(2)},
    {"Tools>Interupts>Force State", "Disable", kDebugForceDisable},
    {"Tools>Interupts>Force State", "Enable", kDebugForceEnable},
    {"Tools", nullptr, 0},
    {"Tools", "Force BREAK", kDebugForceBreak},
    {"Tools", nullptr, 0},
    {"Tools", "Hex Dump", kDebugHexDump},
    {"Tools", nullptr, 0},
    {"Tools", "Peek Memory", kDebugPeek},
    {"Tools", "Poke Memory", kDebugPoke},
};

QColor Rgb(unsigned rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A label with its own colours; `text_rgb` is ignored for empty bars.
QLabel* ColouredLabel(QWidget* parent, const char* text, int x, int y, int w, int h,
                      unsigned text_rgb, unsigned background_rgb, bool centred, bool bold) {
  QLabel* label = centred ? MakeCentredLabel(parent, QString::fromLatin1(text), x, y, w, h)
                          : MakeLabel(parent, QString::fromLatin1(text), x, y, w, h);
  if (bold) {
    label->setFont(Fonts().header);
    FitTextToWidth(label, w);  // the bold face is the one that must fit
  }
  label->setAutoFillBackground(true);
  QPalette colours = label->palette();
  colours.setColor(QPalette::Window, Rgb(background_rgb));
  colours.setColor(QPalette::WindowText, Rgb(text_rgb));
  label->setPalette(colours);
  return label;
}

MemoryView WholeMemory(Machine& machine) {
  return MemoryView{machine.memory.data(), machine.memory.size()};
}

QString Text(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

DebuggerWindow::DebuggerWindow(DebuggerContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      context_(context) {
  setWindowTitle(QString::fromLatin1(kDebuggerTitle));
  setModal(true);
  // The menu bar sits above the client area, as a window's menu does, so
  // every control keeps its client position.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("debugger_client"));
  client->setFixedSize(kDebuggerClientWidth, kDebuggerClientHeight);
  client->setFont(Fonts().text);
  layout->addWidget(client);
  BuildMenuBar(bar);
  BuildControls(client);
  move(kDebuggerX, kDebuggerY);
}

void DebuggerWindow::BuildMenuBar(QMenuBar* bar) {
  actions_ = BuildMenuTable(*bar, kMenuRows, *this, [this](int command) { Dispatch(command); });
}

void DebuggerWindow::BuildControls(QWidget* client) {
  const QFont& large = Fonts().large;
  base_ = MakeButton(client, QString::fromLatin1(kBaseText), 317, 208, 50, 40,
                     QStringLiteral("base_button"));
  run_ = MakeButton(client, QString::fromLatin1(kRunText), 370, 208, 50, 40,
                    QStringLiteral("run_button"));
  step_ = MakeButton(client, QString::fromLatin1(kStepText), 424, 208, 85, 40,
                     QStringLiteral("step_button"));
  for (QPushButton* button : {base_, run_, step_}) button->setFont(large);
  // Enter anywhere in the window steps.
  step_->setAutoDefault(true);
  step_->setDefault(true);
  clear_ = MakeButton(client, QString::fromLatin1(kClearText), 317, 282, 50, 15,
                      QStringLiteral("clear_button"));
  connect(base_, &QPushButton::clicked, this, &DebuggerWindow::ToggleBase);
  connect(run_, &QPushButton::clicked, this, &DebuggerWindow::Leave);
  connect(step_, &QPushButton::clicked, this, &DebuggerWindow::Step);
  connect(clear_, &QPushButton::clicked, this, &DebuggerWindow::ClearTotal);

  ColouredLabel(client, kStackHeader, 424, 4, 85, 12, 0xFFFF00, 0x7F7F7F, true, true);
  ColouredLabel(client, "", 318, 252, 123, 12, 0x000000, 0x4F4F4F, false, false);
  ColouredLabel(client, kInterruptHeader, 441, 252, 67, 12, 0xFFFFFF, 0x4F4F4F, true, true);
  ColouredLabel(client, kTStateHeader, 318, 268, 118, 12, 0x000000, 0xFFFF00, true, true);
  ColouredLabel(client, "", 314, 301, 79, 7, 0x000000, 0xCFCFCF, false, false);
  ColouredLabel(client, kFlagHeader, 392, 301, 56, 12, 0xFFFF3F, 0x9F9F9F, true, true);
  ColouredLabel(client, "", 448, 301, 65, 7, 0x000000, 0xCFCFCF, false, false);
  ColouredLabel(client, kMemptrHeader, 470, 413, 38, 12, 0xFFFFFF, 0x000000, true, true);

  listing_ = new QListWidget(client);
  listing_->setObjectName(QStringLiteral("listing"));
  listing_->setGeometry(1, 0, 312, 459);
  listing_->setUniformItemSizes(true);  // keeps long listings cheap to append to
  UseConsolasRows(listing_);
  stack_ = new QListWidget(client);
  stack_->setObjectName(QStringLiteral("stack_list"));
  stack_->setGeometry(424, 18, 85, 186);
  stack_->setUniformItemSizes(true);
  // The box holds exactly the stack words at Consolas' line height; a face
  // with a taller line would need a scroll bar, and one a hair wider would
  // have its last digit turned into an ellipsis, both for a fixed-length text.
  UseConsolasRows(stack_);
  stack_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  stack_->setTextElideMode(Qt::ElideNone);

  auto field = [this, client](const char* name, int x, int y, int w, int h) {
    fields_[name] = MakePlainField(client, x, y, w, h, QString::fromLatin1(name));
  };
  field("IFF", 488, 266, 20, 15);
  field("IM", 488, 282, 20, 15);
  MakeLabel(client, QString::fromLatin1(kEnabledLabel), 441, 268, 42, 15);
  MakeLabel(client, QString::fromLatin1(kModeLabel), 441, 284, 40, 15);
  field("T-state", 368, 282, 68, 15);

  constexpr const char* kRowNames[4] = {"A:", "B:", "D:", "H:"};
  constexpr const char* kPairLabels[4] = {":F=", ":C=", ":E=", ":L="};
  constexpr const char* kHigh[4] = {"A", "B", "D", "H"};
  constexpr const char* kLow[4] = {"F", "C", "E", "L"};
  constexpr const char* kPairs[4] = {"AF", "BC", "DE", "HL"};
  constexpr const char* kAltLabels[4] = {"AF':", "BC':", "DE':", "HL':"};
  constexpr const char* kAlts[4] = {"AF'", "BC'", "DE'", "HL'"};
  for (int row = 0; row < 4; ++row) {
    const int label_y = 316 + 18 * row;
    const int field_y = 314 + 18 * row;
    MakeLabel(client, QString::fromLatin1(kRowNames[row]), 320, label_y, 10, 15);
    MakeCentredLabel(client, QString::fromLatin1(kPairLabels[row]), 448, label_y, 20, 15);
    field(kHigh[row], 332, field_y, 56, 15);
    field(kLow[row], 392, field_y, 56, 15);
    field(kPairs[row], 470, field_y, 38, 15);
    MakeCentredLabel(client, QString::fromLatin1(kAltLabels[row]), 324, 390 + 18 * row, 25, 15);
    field(kAlts[row], 350, 388 + 18 * row, 38, 15);
  }
  MakeCentredLabel(client, QStringLiteral("I:"), 410, 390, 10, 15);
  MakeCentredLabel(client, QStringLiteral("R:"), 468, 390, 15, 15);
  MakeCentredLabel(client, QStringLiteral("IX:"), 388, 408, 25, 20);
  MakeCentredLabel(client, QStringLiteral("IY:"), 388, 426, 25, 15);
  MakeCentredLabel(client, QStringLiteral("PC:"), 388, 444, 25, 20);
  MakeCentredLabel(client, QStringLiteral("SP:"), 450, 444, 25, 15);
  field("I", 422, 388, 26, 15);
  field("R", 482, 388, 26, 15);
  field("IX", 410, 406, 38, 15);
  field("IY", 410, 424, 38, 15);
  field("PC", 410, 442, 38, 15);
  field("MEMPTR", 470, 424, 38, 15);
  field("SP", 470, 442, 38, 15);
  step_->setFocus();
}

QLineEdit* DebuggerWindow::Field(const std::string& name) const {
  auto found = fields_.find(name);
  return found == fields_.end() ? nullptr : found->second;
}

QAction* DebuggerWindow::ActionFor(int command) const {
  return FindMenuAction(actions_, command);
}

void DebuggerWindow::RefreshDebugger() {
  const RegisterTexts texts =
      DescribeRegisters(context_.cpu, context_.machine, context_.hex_mode);
  stack_->clear();
  for (const std::string& line : texts.stack) stack_->addItem(Text(line));
  const std::pair<const char*, const std::string*> shown[] = {
      {"IFF", &texts.iff},     {"IM", &texts.im},       {"T-state", &texts.tstates},
      {"A", &texts.a},         {"F", &texts.f},         {"B", &texts.b},
      {"C", &texts.c},         {"D", &texts.d},         {"E", &texts.e},
      {"H", &texts.h},         {"L", &texts.l},         {"AF", &texts.af},
      {"BC", &texts.bc},       {"DE", &texts.de},       {"HL", &texts.hl},
      {"AF'", &texts.af_alt},  {"BC'", &texts.bc_alt},  {"DE'", &texts.de_alt},
      {"HL'", &texts.hl_alt},  {"IX", &texts.ix},       {"IY", &texts.iy},
      {"PC", &texts.pc},       {"SP", &texts.sp},       {"MEMPTR", &texts.memptr},
      {"I", &texts.i},         {"R", &texts.r},
  };
  for (const auto& [name, text] : shown) fields_.at(name)->setText(Text(*text));
}

void DebuggerWindow::Step() {
  const std::string line =
      DebuggerStep(context_.cpu, context_.machine, context_.hex_mode, trace_texts_);
  listing_->addItem(Text(line));
  listing_->setCurrentRow(listing_->count() - 1);
  listing_->scrollToItem(listing_->item(listing_->count() - 1));
  RefreshDebugger();
}

void DebuggerWindow::ToggleBase() {
  context_.hex_mode = !context_.hex_mode;
  RefreshDebugger();
}

void DebuggerWindow::ClearTotal() {
  context_.machine.debugger_total = 0;
  fields_.at("T-state")->setText(Text(TStateText(0, context_.cpu.tstates)));
}

void DebuggerWindow::Leave() { accept(); }

void DebuggerWindow::keyPressEvent(QKeyEvent* event) {
  // The window is left by RUN, the leaving menu items and the close box
  // only; Escape would end the dialog behind the user's back.
  if (event->key() == Qt::Key_Escape) return;
  QDialog::keyPressEvent(event);
}

void DebuggerWindow::Dispatch(int command) {
  CpuState& cpu = context_.cpu;
  Machine& machine = context_.machine;
  if (command >= kDebugBreakBase && command < kDebugLoadBase) {
    const auto kind = static_cast<std::uint8_t>(command - kDebugBreakBase);
    if (kind <= kFlagKindAny) {
      ArmFlagBreakpoint(context_.breakpoint, kind, cpu.f);
    } else if (kind == kOpcodeKind) {
      RunBreakOnOpcodeDialog(context_.breakpoint, this);
    } else {
      RunBreakOnValueDialog(context_.breakpoint, kind, cpu, this);
    }
    return;
  }
  if (command >= kDebugLoadBase && command < kDebugForceModeBase) {
    if (RunLoadRegisterDialog(cpu, command - kDebugLoadBase, this)) RefreshDebugger();
    return;
  }
  if (command >= kDebugForceModeBase) {
    ForceInterruptMode(cpu, static_cast<std::uint8_t>(command - kDebugForceModeBase));
    fields_.at("IM")->setText(QString::number(cpu.im));
    return;
  }
  switch (command) {
    case kDebugOpen:
      LoadFileDispatcher(machine, cpu, context_.host);
      RefreshDebugger();
      break;
    case kDebugSaveSna: SaveSnaCommand(machine, cpu, context_.host); break;
    case kDebugLoadBlock:
      LoadBlockCommand(machine, cpu, context_.host, context_.block_asker);
      // A block at 0000h resets the processor: the display must not go on
      // showing registers that are no longer there.
      RefreshDebugger();
      if (machine.screen_loaded) {
        machine.screen_loaded = false;
        ShowVideoOutView(context_.renderer, machine, context_.clock.NowMs(), this);
      }
      break;
    case kDebugSaveBlock: SaveBlockCommand(machine, context_.host, context_.block_asker); break;
    case kDebugExit:
    case kDebugRun: Leave(); break;
    case kDebugHardReset:
      ResetCpu(cpu);
      machine.debugger_total = 0;
      RefreshDebugger();
      break;
    case kDebugViewTv:
      ShowVideoOutView(context_.renderer, machine, context_.clock.NowMs(), this);
      break;
    case kDebugToFile:
      StartTrace(machine, LocalClockNow());
      Leave();
      break;
    case kDebugDisassembleToFile:
    case kDebugDisassembleToWindow:
      DisassembleCommand(command == kDebugDisassembleToWindow, WholeMemory(machine),
                         context_.listing, context_.hex_mode, cpu.pc, this);
      break;
    case kDebugForceDisable:
      ForceInterruptsDisabled(cpu);
      fields_.at("IFF")->setText(Text(IffText(cpu.iff)));
      break;
    case kDebugForceEnable:
      ForceInterruptsEnabled(cpu);
      fields_.at("IFF")->setText(Text(IffText(cpu.iff)));
      break;
    case kDebugForceBreak:
      ForceBreak(cpu);
      fields_.at("IM")->setText(QString::number(cpu.im));
      // The new PC is shown too, so the display never claims the old one.
      fields_.at("PC")->setText(Text(WordText(cpu.pc, context_.hex_mode)));
      break;
    case kDebugHexDump: HexDumpCommand(WholeMemory(machine), context_.listing, cpu.pc, this); break;
    case kDebugPeek: RunPeekDialog(WholeMemory(machine), VantroPeekOptions(), this); break;
    case kDebugPoke:
      RunPokeDialog(WholeMemory(machine), VantroPokeOptions(), this);
      break;
    default: break;
  }
}

void OpenDebugger(DebuggerContext& context, QWidget* parent) {
  DebuggerWindow window(context, parent);
  window.winId();  // creates the platform window now, so a failure shows here
  if (window.windowHandle() == nullptr) {
    context.host.ShowMessage(kDebuggerErrorTitle, kCantOpenDebugger);
    return;
  }
  EnterDebugger(context.cpu, context.machine, context.breakpoint);
  window.RefreshDebugger();
  window.exec();
  LeaveDebugger(context.cpu, context.machine);
}
