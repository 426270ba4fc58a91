// Listing windows and Vantro's range commands; see list_window.h. The lines
// themselves come from tools/listing.h; this file only asks and shows.
#include "tools/list_window.h"

#include <QListWidget>

#include "platform/fonts.h"
#include "tools/address_range_dialog.h"

namespace {

const QString kDisassembleTitle = QStringLiteral("Disassemble");
const QString kHexDumpTitle = QStringLiteral("Hex Dump");
const QString kVantroDisassemblerTitle = QStringLiteral("Vantro Disassembler");
const QString kVantroHexDumpTitle = QStringLiteral("Vantro Hex Dump");
const QString kKelbrinHexDumpTitle = QStringLiteral("Hex Dump");
constexpr int kHexDumpHeight = 420;

}  // namespace

ListForm VantroDisassemblyForm() { return ListForm{kVantroDisassemblerTitle, 380, 80, 300, 400}; }

ListForm VantroHexDumpForm(int width) {
  return ListForm{kVantroHexDumpTitle, 380, 80, width, kHexDumpHeight};
}

ListForm KelbrinHexDumpForm(int width) {
  return ListForm{kKelbrinHexDumpTitle, 280, 50, width, kHexDumpHeight};
}

ListWindow::ListWindow(const ListForm& form, const std::vector<std::string>& lines,
                       QWidget* parent)
    : ToolDialog(parent, form.title, form.x, form.y, form.width, form.height, true) {
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("list"));
  list_->setGeometry(0, 0, form.width, form.height);
  list_->setFont(ConsolasFont(8));
  list_->setUniformItemSizes(true);  // a full 64 KB listing has 65,536 rows
  UseConsolasRows(list_);
  QStringList items;
  items.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) items.append(QString::fromStdString(line));
  list_->addItems(items);
}

QStringList ListWindow::Lines() const {
  QStringList lines;
  for (int i = 0; i < list_->count(); ++i) lines.append(list_->item(i)->text());
  return lines;
}

void ShowListWindow(const ListForm& form, const std::vector<std::string>& lines,
                    QWidget* parent) {
  ListWindow window(form, lines, parent);
  window.exec();
}

void DisassembleCommand(bool to_window, const MemoryView& memory, ListingState& state,
                        bool hex_mode, std::uint16_t pc, QWidget* parent) {
  state.range_from = state.disasm_next;
  if (!RunAddressRangeDialog(state, VantroRangeOptions(kDisassembleTitle, pc), parent)) return;
  if (to_window) {
    ShowListWindow(VantroDisassemblyForm(),
                   DisassembleToLines(memory, state, hex_mode, LocalClockNow()), parent);
  } else {
    // A file that cannot be opened drops the listing without a message.
    DisassembleToFile(memory, state, hex_mode, LocalClockNow());
  }
}

void HexDumpCommand(const MemoryView& memory, ListingState& state, std::uint16_t pc,
                    QWidget* parent) {
  if (!RunAddressRangeDialog(state, VantroRangeOptions(kHexDumpTitle, pc), parent)) return;
  const int width = HexDumpWindowWidth(state.range_from, state.range_to);
  ShowListWindow(VantroHexDumpForm(width),
                 HexDumpLines(memory, state.range_from, state.range_to), parent);
}

void KelbrinHexDumpCommand(const MemoryView& rom_image, ListingState& state, QWidget* parent) {
  if (!RunAddressRangeDialog(state, KelbrinRangeOptions(kHexDumpTitle), parent)) return;
  const int width = HexDumpWindowWidth(state.range_from, state.range_to);
  ShowListWindow(KelbrinHexDumpForm(width),
                 HexDumpLines(rom_image, state.range_from, state.range_to), parent);
}
