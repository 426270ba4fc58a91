// The block dialog; see block_dialog.h. Fields are checked one at a time as
// they are typed: a field that holds no valid number is emptied, and "OK"
// waits until both hold one.
#include "romeditor/block_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "romeditor/rom_blocks.h"

namespace {

const QString kBaseLabel = QStringLiteral("Base Address");
const QString kCountLabel = QStringLiteral("Byte Count");
const QString kCodeBox = QStringLiteral(" - File is a Code block");
const QString kDataBox = QStringLiteral(" - File is a Data block");
const QString kLoadMapBox = QStringLiteral(" - Load MAP file if found");
const QString kSaveMapBox = QStringLiteral(" - Generate MAP file");

QCheckBox* MakeCheckBox(QWidget* parent, const QString& text, int y, const QString& name) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(20, y, 160, 20);
  return box;
}

}  // namespace

KelbrinBlockDialog::KelbrinBlockDialog(BlockForm form, QWidget* parent)
    : ToolDialog(parent,
                 form == BlockForm::kLoad ? kLoadBlockDialogTitle : kSaveBlockDialogTitle,
                 380, 110, 240, 165, false),
      form_(form) {
  MakeCentredLabel(this, kBaseLabel, 20, 8, 80, 20);
  MakeCentredLabel(this, kCountLabel, 140, 8, 80, 20);
  base_field_ = MakeDigitField(this, 20, 25, 80, 20, QStringLiteral("base"));
  count_field_ = MakeDigitField(this, 140, 25, 80, 20, QStringLiteral("count"));
  base_field_->setText(QStringLiteral("0"));
  count_field_->setText(QStringLiteral("0"));
  // Only the user's typing is checked: "ROM" writes 16384, which typing may not.
  connect(base_field_, &QLineEdit::textEdited, this, &KelbrinBlockDialog::BaseEdited);
  connect(count_field_, &QLineEdit::textEdited, this, &KelbrinBlockDialog::CountEdited);

  if (form_ == BlockForm::kLoad) {
    code_box_ = MakeCheckBox(this, kCodeBox, 55, QStringLiteral("code_block"));
    data_box_ = MakeCheckBox(this, kDataBox, 75, QStringLiteral("data_block"));
    map_box_ = MakeCheckBox(this, kLoadMapBox, 95, QStringLiteral("map_file"));
    connect(code_box_, &QCheckBox::clicked, this, [this] { Choose(MapOption::kCode); });
    connect(data_box_, &QCheckBox::clicked, this, [this] { Choose(MapOption::kData); });
    connect(map_box_, &QCheckBox::clicked, this, [this] { Choose(MapOption::kMapFile); });
  } else {
    map_box_ = MakeCheckBox(this, kSaveMapBox, 95, QStringLiteral("map_file"));
    connect(map_box_, &QCheckBox::clicked, this, [this](bool checked) {
      map_option_ = checked ? MapOption::kMapFile : MapOption::kNone;
    });
  }
  map_box_->setChecked(true);

  rom_ = MakeButton(this, QStringLiteral("ROM"), 15, 125, 60, 25, QStringLiteral("rom"));
  cancel_ = MakeButton(this, QStringLiteral("Cancel"), 90, 125, 60, 25, QStringLiteral("cancel"));
  ok_ = MakeButton(this, QStringLiteral("OK"), 165, 125, 60, 25, QStringLiteral("ok"));
  connect(rom_, &QPushButton::clicked, this, &KelbrinBlockDialog::RomPressed);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    result_.reset();
    Finish(false);
  });
  connect(ok_, &QPushButton::clicked, this, &KelbrinBlockDialog::OkPressed);
}

void KelbrinBlockDialog::BaseEdited(const QString& text) {
  base_ = ParseBlockBase(text.toStdString());
  if (!base_) base_field_->clear();
}

void KelbrinBlockDialog::CountEdited(const QString& text) {
  count_ = ParseBlockCount(text.toStdString());
  if (!count_) count_field_->clear();
}

void KelbrinBlockDialog::RomPressed() {
  base_ = 0;
  count_ = static_cast<std::uint32_t>(kRomSize);
  base_field_->setText(QStringLiteral("0"));
  count_field_->setText(QStringLiteral("16384"));
  if (form_ == BlockForm::kLoad) Choose(MapOption::kMapFile);
}

void KelbrinBlockDialog::Choose(MapOption option) {
  map_option_ = option;
  code_box_->setChecked(option == MapOption::kCode);
  data_box_->setChecked(option == MapOption::kData);
  map_box_->setChecked(option == MapOption::kMapFile);
}

void KelbrinBlockDialog::OkPressed() {
  if (!base_ || !count_) return;
  result_ = BlockRequest{*base_, *count_, map_option_};
  Finish(true);
}

std::optional<BlockRequest> RunKelbrinBlockDialog(BlockForm form, QWidget* parent) {
  KelbrinBlockDialog dialog(form, parent);
  dialog.exec();
  return dialog.result();
}
