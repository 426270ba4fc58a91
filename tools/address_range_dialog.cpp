// The From/To range dialog; see address_range_dialog.h. Each change of a
// field goes through the range rules at once; a field that does not hold an
// address is given back the rules' fixed text rather than an error message.
#include "tools/address_range_dialog.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kPrompt = QStringLiteral("Enter Address Range (Inclusive)");
const QString kFromLabel = QStringLiteral("From");
const QString kToLabel = QStringLiteral("To");
const QString kUsePc = QStringLiteral("Use PC");
const QString kCancel = QStringLiteral("Cancel");
const QString kDone = QStringLiteral("Done");

}  // namespace

AddressRangeOptions VantroRangeOptions(const QString& title, std::uint16_t pc) {
  return AddressRangeOptions{title, kVantroAddressMax, false, true, pc};
}

AddressRangeOptions KelbrinRangeOptions(const QString& title) {
  return AddressRangeOptions{title, kKelbrinAddressMax, true, false, 0};
}

AddressRangeDialog::AddressRangeDialog(ListingState& state, const AddressRangeOptions& options,
                                       QWidget* parent)
    : ToolDialog(parent, options.title, 280, 100, 180, 150, false),
      state_(state),
      options_(options) {
  MakeCentredLabel(this, kPrompt, 10, 8, 160, 20);
  MakeCentredLabel(this, kFromLabel, 20, 28, 60, 20);
  MakeCentredLabel(this, kToLabel, 100, 28, 60, 20);
  from_field_ = MakeDigitField(this, 20, 45, 60, 20, QStringLiteral("from"));
  to_field_ = MakeDigitField(this, 100, 45, 60, 20, QStringLiteral("to"));
  if (options_.offer_use_pc) {
    use_pc_ = MakeButton(this, kUsePc, 100, 80, 60, 25, QStringLiteral("use_pc"));
    connect(use_pc_, &QPushButton::clicked, this, [this] {
      from_field_->setText(QString::fromStdString(UsePc(state_, options_.pc)));
    });
  }
  cancel_ = MakeButton(this, kCancel, 20, 110, 60, 25, QStringLiteral("cancel"));
  done_ = MakeButton(this, kDone, 100, 110, 60, 25, QStringLiteral("done"));
  connect(cancel_, &QPushButton::clicked, this, [this] {
    CancelRangeDialog(state_);
    Finish(false);
  });
  connect(done_, &QPushButton::clicked, this, [this] { Finish(true); });

  RangeFieldTexts texts;
  if (options_.preset_whole_range) {
    state_.range_from = 0;
    state_.range_to = options_.max_address;
    state_.range_cancelled = false;
    texts = {"0", std::to_string(options_.max_address)};
  } else {
    texts = BeginRangeDialog(state_);
  }
  connect(from_field_, &QLineEdit::textChanged, this, &AddressRangeDialog::FromChanged);
  connect(to_field_, &QLineEdit::textChanged, this, &AddressRangeDialog::ToChanged);
  // A preset past max_address (a stale From) is put right like typing.
  from_field_->setText(QString::fromStdString(texts.from_text));
  to_field_->setText(QString::fromStdString(texts.to_text));
}

void AddressRangeDialog::FromChanged(const QString& text) {
  if (auto reset = FromFieldChanged(state_, text.toStdString(), options_.max_address)) {
    from_field_->setText(QString::fromStdString(*reset));
  }
}

void AddressRangeDialog::ToChanged(const QString& text) {
  if (auto reset = ToFieldChanged(state_, text.toStdString(), options_.max_address)) {
    to_field_->setText(QString::fromStdString(*reset));
  }
}

void AddressRangeDialog::done(int result) {
  EndRangeDialog(state_, options_.max_address);
  ToolDialog::done(result);
}

bool RunAddressRangeDialog(ListingState& state, const AddressRangeOptions& options,
                           QWidget* parent) {
  AddressRangeDialog dialog(state, options, parent);
  dialog.exec();
  return !state.range_cancelled;
}
