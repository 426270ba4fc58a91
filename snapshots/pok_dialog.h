// The Qt face of "Apply POKEs...": the trainers of a POK file as check
// boxes (those only a 128K can take shown but not offered), OK and Cancel,
// then one question for each poke the file leaves to the user.
// QtTrainerChooser is what the main window passes to ApplyPokesCommand.
#pragma once
#include <QDialog>
#include <optional>
#include <vector>

#include "snapshots/pok.h"

class QListWidget;
class QPushButton;

class PokDialog : public QDialog {
  Q_OBJECT
 public:
  PokDialog(const std::vector<Trainer>& trainers, QWidget* parent = nullptr);

  QListWidget* list() const { return list_; }
  QPushButton* ok_button() const { return ok_button_; }
  // The trainers checked, by their index in the file.
  std::vector<std::size_t> Checked() const;

 private:
  QListWidget* list_;
  QPushButton* ok_button_;
};

class QtTrainerChooser : public TrainerChooser {
 public:
  explicit QtTrainerChooser(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }
  std::optional<std::vector<ChosenTrainer>> ChooseTrainers(const std::vector<Trainer>& trainers) override;

 private:
  QWidget* parent_;
};
