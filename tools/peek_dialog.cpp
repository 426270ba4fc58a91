// Peek; see peek_dialog.h. The contents are shown in fixed widths whatever
// the listings' number base, so the two fields always line up.
#include "tools/peek_dialog.h"

#include <QCheckBox>
#include <QLineEdit>

#include "tools/text_format.h"

namespace {

const QString kContentsLabel = QStringLiteral("Contents");
const QString kByteIsData = QStringLiteral(" - Byte Is Data");

}  // namespace

PeekDialog::PeekDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent)
    : ByteToolDialog(memory, options, BadAddress::kResetToZero, 225, 95, parent) {
  MakeCentredLabel(this, kContentsLabel, 135, 8, 65, 20);
  // The contents fields take typing, but their text is never read.
  decimal_ = MakePlainField(this, 135, 25, 30, 20, QStringLiteral("decimal"));
  hex_ = MakePlainField(this, 175, 25, 30, 20, QStringLiteral("hex"));
  BuildAddressControls(135, 55, 70, 25);
  BuildMapControls(kByteIsData, 15, 58);
  if (QCheckBox* box = map_box()) {
    // The box only reports the map; a click must not leave it saying otherwise.
    connect(box, &QCheckBox::clicked, this, [this, box] { box->setChecked(MapSaysData()); });
  }
  ShowStartAddress();
}

void PeekDialog::AddressChosen() {
  const std::uint8_t value = memory_.Read(address());
  decimal_->setText(QString::fromStdString(Dec3(value)));
  hex_->setText(QString::fromStdString(Hex2h(value)));
  if (QCheckBox* box = map_box()) box->setChecked(MapSaysData());
}

void RunPeekDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent) {
  PeekDialog dialog(memory, options, parent);
  dialog.exec();
}
