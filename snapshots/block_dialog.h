// The Qt face of the block dialog ("Load/Save BIN file"): two digits-only
// fields, ROM and SCR presets, Cancel and OK, with the rules of BlockFields.
// QtBlockAsker is what the main window and the debugger pass to the block
// commands.
#pragma once
#include <QDialog>
#include <optional>

#include "snapshots/blocks.h"

class QLineEdit;
class QPushButton;

class BlockDialog : public QDialog {
  Q_OBJECT
 public:
  explicit BlockDialog(QWidget* parent = nullptr);

  QLineEdit* base_field() const { return base_field_; }
  QLineEdit* count_field() const { return count_field_; }
  QPushButton* rom_button() const { return rom_button_; }
  QPushButton* screen_button() const { return screen_button_; }
  QPushButton* cancel_button() const { return cancel_button_; }
  QPushButton* ok_button() const { return ok_button_; }
  // The accepted block, once the dialog has closed with OK.
  std::optional<BlockChoice> choice() const { return choice_; }

 private:
  void ShowFields();
  void TryAccept();

  BlockFields fields_;
  std::optional<BlockChoice> choice_;
  QLineEdit* base_field_;
  QLineEdit* count_field_;
  QPushButton* rom_button_;
  QPushButton* screen_button_;
  QPushButton* cancel_button_;
  QPushButton* ok_button_;
};

class QtBlockAsker : public BlockAsker {
 public:
  explicit QtBlockAsker(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }
  std::optional<BlockChoice> AskBlock() override;

 private:
  QWidget* parent_;
};
