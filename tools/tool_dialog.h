// Pieces every small tool window shares: the digits-only number field with
// its decimal reading, placement of controls at fixed client positions, and
// the window flags for "title bar only" and "title bar, close and minimise".
// Used by the range dialog, Peek, Poke, the character set editor and the
// list windows of both programs.
#pragma once
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <cstdint>
#include <optional>

class QAbstractItemView;
class QLabel;
class QPushButton;
class QWidget;

// The field's text as a decimal number when it is one in 0..max; nothing for
// an empty text, a non-digit or a number past max (however many digits).
std::optional<std::uint32_t> ReadDecimalField(const QString& text, std::uint32_t max);

// A text field that takes digits only, like the Windows number edit box the
// dialogs were laid out for.
QLineEdit* MakeDigitField(QWidget* parent, int x, int y, int w, int h, const QString& object_name);
QLineEdit* MakePlainField(QWidget* parent, int x, int y, int w, int h, const QString& object_name);
QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int x, int y, int w, int h);
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h);
// Lowers the widget's font size (not below 6 pt) until its text fits width;
// a label whose line is taller than its box has it centred vertically, so
// that its capitals stay whole.
void FitTextToWidth(QWidget* widget, int width);
// Gives the list's rows Consolas' line height whatever face stands in for
// it, so a list sized for a number of Consolas rows shows them all.
void UseConsolasRows(QAbstractItemView* view);
// Buttons never act on Enter in a field: the dialogs end only by their own
// buttons, as the user clicks them.
QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int w, int h,
                        const QString& object_name);

// A modal tool window at a screen position with a fixed client size.
// with_close_box false gives a title bar without a close box; such windows
// end only through their own buttons, so Escape is ignored too.
class ToolDialog : public QDialog {
  Q_OBJECT

 public:
  ToolDialog(QWidget* parent, const QString& title, int x, int y, int client_w, int client_h,
             bool with_close_box);

 protected:
  void reject() override;
  // Ends the dialog from one of its own buttons.
  void Finish(bool accepted);

 private:
  bool with_close_box_;
};
