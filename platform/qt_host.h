// The Qt implementation of Host: real message boxes and file dialogs, modal
// to the given parent window, so the emulated machine stands still meanwhile.
#pragma once
#include <QString>
#include <QWidget>

#include "tools/host.h"

class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent = nullptr);
  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(std::string_view title, std::string_view text) override;
  bool AskYesNo(std::string_view title, std::string_view text) override;
  std::string AskOpenPath(std::string_view title, std::string_view filter) override;
  std::string AskSavePath(std::string_view title, std::string_view filter) override;
  std::string AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) override;
  int AskChoice(std::string_view title, std::string_view text, const std::vector<std::string>& items) override;
  // The folder the next file dialog starts in: the one last used in this
  // run, at first InitialDialogFolder().
  const QString& dialog_folder() const { return dialog_folder_; }

 private:
  void RememberFolder(const QString& path);

  QWidget* parent_;
  QString dialog_folder_;
};

// "C:/" where that exists, else the user's home folder.
QString InitialDialogFolder();
// The Host's filter text as Qt name filters joined by ";;": an entry
// "All supported files (*.bin)|*.bin;*.scr;*.rom" shows its label with the
// patterns once, "All supported files (*.bin *.scr *.rom)", and matches
// every one; an entry without a bar stays as it is.
QString QtFilterFromHostFilter(std::string_view filter);
// The width a window needs for a window manager's title bar to show `title`
// whole: message boxes and the small tool dialogs are at least this wide.
int TitleBarWidth(const QString& title);
