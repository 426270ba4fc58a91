// "Load/Save BIN file": the base-address and byte-count dialog in front of
// the raw block commands. The field rules live in BlockFields; this file only
// lays out the controls and mirrors the model's texts into them.
#include "snapshots/block_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

constexpr char kTitle[] = "Load/Save BIN file";
constexpr char kBaseLabel[] = "Base Address";
constexpr char kCountLabel[] = "Byte Count";

}  // namespace

BlockDialog::BlockDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(kTitle);
  // Title bar only: no close box, no help button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(240, 125);
  move(680, 110);

  auto* base_label = new QLabel(kBaseLabel, this);
  base_label->setGeometry(20, 8, 80, 20);
  base_label->setAlignment(Qt::AlignCenter);
  auto* count_label = new QLabel(kCountLabel, this);
  count_label->setGeometry(140, 8, 80, 20);
  count_label->setAlignment(Qt::AlignCenter);

  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  base_field_ = new QLineEdit(this);
  base_field_->setGeometry(20, 25, 80, 20);
  base_field_->setValidator(digits);
  count_field_ = new QLineEdit(this);
  count_field_->setGeometry(140, 25, 80, 20);
  count_field_->setValidator(digits);

  rom_button_ = new QPushButton("ROM", this);
  rom_button_->setGeometry(15, 58, 60, 25);
  screen_button_ = new QPushButton("SCR", this);
  screen_button_->setGeometry(15, 88, 60, 25);
  cancel_button_ = new QPushButton("Cancel", this);
  cancel_button_->setGeometry(90, 88, 60, 25);
  ok_button_ = new QPushButton("OK", this);
  ok_button_->setGeometry(165, 88, 60, 25);
  // Enter in a field must not slip past the validity check.
  for (QPushButton* button : {rom_button_, screen_button_, cancel_button_, ok_button_}) {
    button->setAutoDefault(false);
  }
  ShowFields();

  connect(base_field_, &QLineEdit::textEdited, this, [this](const QString& text) {
    fields_.EditBase(text.toStdString());
    ShowFields();
  });
  connect(count_field_, &QLineEdit::textEdited, this, [this](const QString& text) {
    fields_.EditCount(text.toStdString());
    ShowFields();
  });
  connect(rom_button_, &QPushButton::clicked, this, [this] {
    fields_.PresetRom();
    ShowFields();
  });
  connect(screen_button_, &QPushButton::clicked, this, [this] {
    fields_.PresetScreen();
    ShowFields();
  });
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok_button_, &QPushButton::clicked, this, &BlockDialog::TryAccept);
}

void BlockDialog::ShowFields() {
  // Only rewrite a field the model changed, so the cursor stays put while typing.
  QString base = QString::fromStdString(fields_.base_text);
  QString count = QString::fromStdString(fields_.count_text);
  if (base_field_->text() != base) base_field_->setText(base);
  if (count_field_->text() != count) count_field_->setText(count);
}

void BlockDialog::TryAccept() {
  choice_ = fields_.Accept();
  if (choice_) accept();
}

std::optional<BlockChoice> QtBlockAsker::AskBlock() {
  BlockDialog dialog(parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}
