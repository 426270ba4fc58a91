// The About window of "Help" > "About": nine list lines and "Ok", modal, so
// the machine stands still while it is open. Opened by the menu dispatch.
#pragma once
#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

inline constexpr char kAboutTitle[] = "About";

// The nine lines, one per list row, the blank ones included.
QStringList AboutLines();

class AboutWindow : public QDialog {
 public:
  explicit AboutWindow(QWidget* parent = nullptr);
  QListWidget* list() const { return list_; }
  QPushButton* ok_button() const { return ok_; }

 private:
  QListWidget* list_;
  QPushButton* ok_;
};

void RunAboutWindow(QWidget* parent = nullptr);
