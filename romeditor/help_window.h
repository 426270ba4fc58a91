// Kelbrin's Help and About windows: a list of fixed lines in the 8-point
// font above an "Ok" button. Opened by the menu dispatch (ids 34 and 35).
#pragma once
#include <string>
#include <vector>

#include "tools/tool_dialog.h"

class QListWidget;
class QPushButton;

struct TextWindowForm {
  QString title;
  int x, y, width, height;  // window position and client size
  int list_height;          // the list from (0, 0), full width
  int ok_x, ok_y;           // the 70 x 25 "Ok" button
};

TextWindowForm HelpForm();   // "Help" (280, 50) 340 x 375, list 340, Ok at (125, 345)
TextWindowForm AboutForm();  // "About" (280, 100) 210 x 170, list 135, Ok at (70, 140)

class TextWindow : public ToolDialog {
 public:
  TextWindow(const TextWindowForm& form, const std::vector<std::string>& lines,
             QWidget* parent = nullptr);
  QListWidget* list() const { return list_; }
  QPushButton* ok_button() const { return ok_; }

 private:
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Shows the window modally until "Ok" or the close box.
void RunTextWindow(const TextWindowForm& form, const std::vector<std::string>& lines,
                   QWidget* parent = nullptr);
