// "Vantro - Apply POKEs": a list of checkable trainers. The values a file
// leaves to the user are asked only after OK, one poke at a time, so a
// Cancel at any question applies nothing.
#include "snapshots/pok_dialog.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr char kTitle[] = "Vantro - Apply POKEs";
constexpr char kPrompt[] = "Choose the trainers to apply:";
constexpr char kOnly128k[] = " (128K only)";
constexpr char kUnnamed[] = "(no name)";
constexpr char kValueTitle[] = "Apply POKEs";

QString TrainerLabel(const Trainer& trainer) {
  QString label = trainer.name.empty() ? QString(kUnnamed) : QString::fromLatin1(trainer.name.c_str());
  if (trainer.needs_128k) label += kOnly128k;
  return label;
}

}  // namespace

PokDialog::PokDialog(const std::vector<Trainer>& trainers, QWidget* parent) : QDialog(parent) {
  setWindowTitle(kTitle);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(kPrompt, this));
  list_ = new QListWidget(this);
  for (const Trainer& trainer : trainers) {
    auto* item = new QListWidgetItem(TrainerLabel(trainer), list_);
    Qt::ItemFlags flags = Qt::ItemIsUserCheckable;
    if (!trainer.needs_128k) flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(Qt::Unchecked);
  }
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_button_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

std::vector<std::size_t> PokDialog::Checked() const {
  std::vector<std::size_t> checked;
  for (int row = 0; row < list_->count(); ++row) {
    const QListWidgetItem* item = list_->item(row);
    if ((item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Checked) {
      checked.push_back(static_cast<std::size_t>(row));
    }
  }
  return checked;
}

std::optional<std::vector<ChosenTrainer>> QtTrainerChooser::ChooseTrainers(const std::vector<Trainer>& trainers) {
  PokDialog dialog(trainers, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<ChosenTrainer> chosen;
  for (std::size_t index : dialog.Checked()) {
    ChosenTrainer pick{index, {}};
    const Trainer& trainer = trainers[index];
    for (const PokeLine& poke : trainer.pokes) {
      if (poke.value != kAskedPokeValue) continue;
      const QString question = QStringLiteral("%1\nThe value to poke at %2 (0-255):")
                                   .arg(TrainerLabel(trainer))
                                   .arg(poke.address);
      bool accepted = false;
      const int value = QInputDialog::getInt(parent_, kValueTitle, question, poke.original, 0, 255, 1, &accepted);
      if (!accepted) return std::nullopt;
      pick.asked_values.push_back(static_cast<std::uint8_t>(value));
    }
    chosen.push_back(std::move(pick));
  }
  return chosen;
}
