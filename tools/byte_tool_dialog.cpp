// Shared address rules of Peek and Poke; see byte_tool_dialog.h.
#include "tools/byte_tool_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kVantroPeekTitle = QStringLiteral("Vantro - Peek");
const QString kVantroPokeTitle = QStringLiteral("Vantro - Poke");
const QString kKelbrinPeekTitle = QStringLiteral("Peek");
const QString kKelbrinPokeTitle = QStringLiteral("Poke");
const QString kAddressLabel = QStringLiteral("Address");
const QString kMinus = QStringLiteral("-");
const QString kPlus = QStringLiteral("+");
const QString kDone = QStringLiteral("Done");
const QString kMapDisabled = QStringLiteral("[ ROM Map disabled ]");
constexpr std::uint16_t kRomLastAddress = 0x3FFF;
constexpr int kMapDisabledRoom = 135 - 20 - 2;

}  // namespace

ByteToolOptions VantroPeekOptions() { return ByteToolOptions{kVantroPeekTitle, 0xFFFF, {}, false}; }
ByteToolOptions VantroPokeOptions() { return ByteToolOptions{kVantroPokeTitle, 0xFFFF, {}, false}; }

ByteToolOptions KelbrinPeekOptions(MemoryView map, bool map_enabled) {
  return ByteToolOptions{kKelbrinPeekTitle, kRomLastAddress, map, map_enabled};
}

ByteToolOptions KelbrinPokeOptions(MemoryView map, bool map_enabled) {
  return ByteToolOptions{kKelbrinPokeTitle, kRomLastAddress, map, map_enabled};
}

ByteToolDialog::ByteToolDialog(MemoryView memory, const ByteToolOptions& options,
                               BadAddress bad_address, int client_w, int client_h, QWidget* parent)
    : ToolDialog(parent, options.title, 280, 100, client_w, client_h, false),
      memory_(memory),
      options_(options),
      bad_address_(bad_address) {}

void ByteToolDialog::BuildAddressControls(int done_x, int done_y, int done_w, int done_h) {
  MakeCentredLabel(this, kAddressLabel, 40, 8, 60, 20);
  address_field_ = MakeDigitField(this, 40, 25, 60, 20, QStringLiteral("address"));
  minus_ = MakeButton(this, kMinus, 15, 25, 20, 20, QStringLiteral("minus"));
  plus_ = MakeButton(this, kPlus, 105, 25, 20, 20, QStringLiteral("plus"));
  done_ = MakeButton(this, kDone, done_x, done_y, done_w, done_h, QStringLiteral("done"));
  connect(minus_, &QPushButton::clicked, this, [this] { Step(-1); });
  connect(plus_, &QPushButton::clicked, this, [this] { Step(+1); });
  connect(done_, &QPushButton::clicked, this, [this] { Finish(true); });
  connect(address_field_, &QLineEdit::textChanged, this, &ByteToolDialog::AddressTextChanged);
  // Typing an address is what these dialogs are for; the keyboard starts there.
  address_field_->setFocus(Qt::OtherFocusReason);
}

void ByteToolDialog::BuildMapControls(const QString& box_text, int box_x, int box_y) {
  if (!HasMap()) return;
  if (options_.map_enabled) {
    map_box_ = new QCheckBox(box_text, this);
    map_box_->setObjectName(QStringLiteral("map"));
    map_box_->setGeometry(box_x, box_y, 120, 20);
    FitTextToWidth(map_box_, 120 - 20);  // the tick box takes about 20 pixels
  } else {
    map_disabled_ = MakeLabel(this, kMapDisabled, 20, 60, 160, 20);
    map_disabled_->setObjectName(QStringLiteral("map_disabled"));
    // The box runs on under Peek's "Done" (x 135) and Poke's "Peek" (x 140);
    // the text itself must end before them to be read whole.
    FitTextToWidth(map_disabled_, kMapDisabledRoom);
    map_disabled_->lower();  // it runs under Poke's "Peek" button; keep the button clickable
  }
}

void ByteToolDialog::ShowStartAddress() { address_field_->setText(QStringLiteral("0")); }

void ByteToolDialog::AddressTextChanged(const QString& text) {
  if (auto value = ReadDecimalField(text, options_.last_address)) {
    address_ = static_cast<std::uint16_t>(*value);
    AddressChosen();
    return;
  }
  if (bad_address_ == BadAddress::kResetToZero) {
    address_ = 0;
    address_field_->setText(QStringLiteral("0"));  // comes back here with "0"
  } else {
    address_field_->clear();  // the address keeps its last accepted value
  }
}

void ByteToolDialog::Step(int delta) {
  const int last = options_.last_address;
  int next = address_ + delta;
  if (next > last) next = 0;
  if (next < 0) next = last;
  address_ = static_cast<std::uint16_t>(next);
  // Rewriting the field runs AddressChosen through the change handler.
  const QString text = QString::number(address_);
  if (address_field_->text() == text) {
    AddressChosen();
  } else {
    address_field_->setText(text);
  }
}
