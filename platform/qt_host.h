// The Qt implementation of Host: real message boxes and file dialogs, modal
// to the given parent window, so the emulated machine stands still meanwhile.
#pragma once
#include <QString>
#include <QWidget>

#include "tools/host.h"

class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  std::string AskOpenPath(std::string_view title, std::string_view filter) override;
  std::string AskSavePath(std::string_view title, std::string_view filter) override;
  std::string AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) override;
  int AskChoice(std::string_view title, std::string_view text, const std::vector<std::string>& items) override;

 private:
  QWidget* parent_;
};

// "C:/" where that exists, else the user's home folder.
QString InitialDialogFolder();
// "All supported files (*.bin)|*.bin;*.scr;*.rom" as a Qt name filter that
// shows the label and matches every listed pattern.
QString QtFilterFromHostFilter(std::string_view filter);
