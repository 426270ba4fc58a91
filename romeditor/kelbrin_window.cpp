// Kelbrin's main window and menu dispatch; see kelbrin_window.h.
#include "romeditor/kelbrin_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>

#include "platform/menu_table.h"
#include "romeditor/block_dialog.h"
#include "romeditor/help_text.h"
#include "romeditor/help_window.h"
#include "romeditor/map_listing.h"
#include "romeditor/nmi_fix.h"
#include "romeditor/rom_blocks.h"
#include "romeditor/rom_map.h"
#include "tools/address_range_dialog.h"
#include "tools/list_window.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

constexpr int kClientWidth = 380;
constexpr int kClientHeight = 200;

constexpr MenuMark kOff = MenuMark::off;  // the mark follows the editor

constexpr MenuRow kMenuRows[] = {
    {"File", "Load rom/bin", kCmdLoadBlock},
    {"File", "Save rom/bin", kCmdSaveBlock},
    {"File", "Run in Vantro", kCmdRunInVantro},
    {"File", nullptr, 0},
    {"File", "Restore default ROM", kCmdRestoreRom},
    {"File", nullptr, 0},
    {"File", "Exit", kCmdExit},
    {"Tools>Disassembler>Disassemble..", ".. to file", kCmdDisassembleToFile},
    {"Tools>Disassembler>Disassemble..", ".. to window", kCmdDisassembleToWindow},
    {"Tools>Disassembler>ROM Map", "Define CODE block", kCmdDefineCode},
    {"Tools>Disassembler>ROM Map", "Define DATA block", kCmdDefineData},
    {"Tools>Disassembler", nullptr, 0},
    {"Tools>Disassembler", "Output in HEX", kCmdOutputInHex, kOff},
    {"Tools>Disassembler", "Enable ROM mapping", kCmdEnableMapping, kOff},
    {"Tools", nullptr, 0},
    {"Tools", "Edit Character Set", kCmdEditCharset},
    {"Tools", nullptr, 0},
    {"Tools", "Hex dump", kCmdHexDump},
    {"Tools", nullptr, 0},
    {"Tools", "Peek", kCmdPeek},
    {"Tools", "Poke", kCmdPoke},
    {"Tools", nullptr, 0},
    {"Tools", "NMI Fix", kCmdNmiFix, kOff},
    {"Help", "Help", kCmdHelp},
    {"Help", "About", kCmdAbout},
};

ListForm KelbrinDisassemblyForm() {
  return ListForm{QStringLiteral("Z80 Disassembler"), 280, 50, 330, 400};
}

}  // namespace

std::optional<BlockRequest> QtKelbrinAsker::AskBlock(BlockForm form) {
  return RunKelbrinBlockDialog(form, parent_);
}

std::optional<RomRange> QtKelbrinAsker::AskRange(std::string_view title) {
  const QString qt_title = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
  if (!RunAddressRangeDialog(state_, KelbrinRangeOptions(qt_title), parent_)) return std::nullopt;
  return RomRange{state_.range_from, state_.range_to};
}

KelbrinWindow::KelbrinWindow(RomEditor& editor, Host& host, CharsetEditorState& charset,
                             const QImage& title_picture)
    : editor_(editor), host_(host), charset_(charset), dialogs_(this, listing_state_),
      asker_(&dialogs_) {
  setWindowTitle(kProgramTitle);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
  client_ = new QWidget(this);
  client_->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client_);
  title_label_ = new QLabel(client_);
  title_label_->setGeometry(0, 0, title_picture.width(), title_picture.height());
  title_label_->setPixmap(QPixmap::fromImage(title_picture));
  BuildMenus();
  // The menu bar sits above the 380 x 200 client area; nothing resizes.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  move(40, 40);
}

void KelbrinWindow::BuildMenus() {
  actions_ = BuildMenuTable(*menuBar(), kMenuRows, *this, [this](int id) { RunCommand(id); });
  SyncCheckMarks();
}

QAction* KelbrinWindow::action(int id) const { return FindMenuAction(actions_, id); }

void KelbrinWindow::RunCommand(int id) {
  switch (id) {
    case kCmdLoadBlock:
      LoadRomBlockCommand(editor_, host_, *asker_);
      break;
    case kCmdSaveBlock:
      SaveRomBlockCommand(editor_, host_, *asker_);
      break;
    case kCmdRunInVantro:
      launcher_.Run(editor_.rom_image, host_);
      break;
    case kCmdRestoreRom:
      RestoreDefaultRomCommand(editor_, host_);
      break;
    case kCmdExit:
      close();
      break;
    case kCmdDisassembleToFile:
      DisassembleToFileCommand(editor_, *asker_);
      break;
    case kCmdDisassembleToWindow:
      DisassembleToWindow();
      break;
    case kCmdDefineCode:
      DefineBlockCommand(editor_, host_, *asker_, LineKind::kCode);
      break;
    case kCmdDefineData:
      DefineBlockCommand(editor_, host_, *asker_, LineKind::kData);
      break;
    case kCmdOutputInHex:
      editor_.hex_mode = !editor_.hex_mode;
      break;
    case kCmdEnableMapping:
      editor_.map_enabled = !editor_.map_enabled;
      break;
    case kCmdEditCharset:
      RunCharsetEditor(editor_.ImageView(), charset_, this);
      break;
    case kCmdHexDump:
      KelbrinHexDumpCommand(editor_.ImageView(), listing_state_, this);
      break;
    case kCmdPeek:
      RunPeekDialog(editor_.ImageView(), KelbrinPeekOptions(editor_.MapView(), editor_.map_enabled), this);
      break;
    case kCmdPoke:
      RunPokeDialog(editor_.ImageView(), KelbrinPokeOptions(editor_.MapView(), editor_.map_enabled), this);
      break;
    case kCmdNmiFix:
      ToggleNmiFix(editor_, host_);
      break;
    case kCmdHelp:
      RunTextWindow(HelpForm(), HelpLines(), this);
      break;
    case kCmdAbout:
      RunTextWindow(AboutForm(), AboutLines(), this);
      break;
    default:
      host_.ShowMessage(kInfoTitle, UnknownMenuItemText(id));
      break;
  }
  SyncCheckMarks();
}

void KelbrinWindow::SyncCheckMarks() {
  // Check marks mirror the editor's state, whatever Qt's own toggle did.
  action(kCmdOutputInHex)->setChecked(editor_.hex_mode);
  action(kCmdEnableMapping)->setChecked(editor_.map_enabled);
  action(kCmdNmiFix)->setChecked(editor_.nmi_fix_mark);
}

void KelbrinWindow::DisassembleToWindow() {
  std::optional<RomRange> range = asker_->AskRange(kDisassemblyRangeTitle);
  if (!range) return;
  ShowListWindow(KelbrinDisassemblyForm(), MapListingWindowLines(editor_, *range, LocalClockNow()), this);
}

void KelbrinWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void KelbrinWindow::closeEvent(QCloseEvent* event) {
  if (HasUnsavedChanges(editor_) && !host_.AskYesNo(kQuitTitle, kQuitQuestion)) {
    event->ignore();
    return;
  }
  event->accept();
}
