// Poke; see poke_dialog.h.
#include "tools/poke_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kByteLabel = QStringLiteral("Byte");
const QString kPeek = QStringLiteral("Peek");
const QString kPoke = QStringLiteral("Poke");
const QString kMapByteAsData = QStringLiteral(" - Map Byte as Data");

}  // namespace

PokeDialog::PokeDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent)
    : ByteToolDialog(memory, options, BadAddress::kEmptyField, 216, 125, parent) {
  MakeCentredLabel(this, kByteLabel, 160, 8, 40, 20);
  byte_field_ = MakeDigitField(this, 160, 25, 40, 20, QStringLiteral("byte"));
  BuildAddressControls(140, 85, 60, 25);
  BuildMapControls(kMapByteAsData, 15, 55);
  peek_ = MakeButton(this, kPeek, 140, 53, 60, 25, QStringLiteral("peek"));
  poke_ = MakeButton(this, kPoke, 15, 85, 110, 25, QStringLiteral("poke"));
  connect(byte_field_, &QLineEdit::textChanged, this, &PokeDialog::ByteTextChanged);
  connect(peek_, &QPushButton::clicked, this, &PokeDialog::PeekPressed);
  connect(poke_, &QPushButton::clicked, this, &PokeDialog::PokePressed);
  if (QCheckBox* box = map_box()) {
    connect(box, &QCheckBox::clicked, this, [this, box] {
      data_flag_ = !data_flag_;
      box->setChecked(data_flag_);
    });
  }
  byte_field_->setText(QStringLiteral("0"));
  ShowStartAddress();
}

void PokeDialog::ByteTextChanged(const QString& text) {
  if (auto value = ReadDecimalField(text, 255)) {
    byte_value_ = static_cast<std::uint8_t>(*value);
  } else {
    byte_field_->clear();  // the byte keeps its last accepted value
  }
}

void PokeDialog::PeekPressed() {
  const std::uint8_t value = memory_.Read(address());
  byte_field_->setText(QString::number(value));
  byte_value_ = value;  // also when the field already showed this text
  if (QCheckBox* box = map_box()) {
    data_flag_ = MapSaysData();
    box->setChecked(data_flag_);
  }
}

void PokeDialog::PokePressed() {
  memory_.Store(address(), byte_value_);
  if (MapShown()) options_.map.Store(address(), data_flag_ ? 1 : 0);
}

void RunPokeDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent) {
  PokeDialog dialog(memory, options, parent);
  dialog.exec();
}
