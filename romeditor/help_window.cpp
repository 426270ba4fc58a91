// The Help and About windows; their texts come from help_text.cpp.
#include "romeditor/help_window.h"

#include <QListWidget>
#include <QPushButton>

#include "platform/fonts.h"

TextWindowForm HelpForm() { return {QStringLiteral("Help"), 280, 50, 340, 375, 340, 125, 345}; }
TextWindowForm AboutForm() { return {QStringLiteral("About"), 280, 100, 210, 170, 135, 70, 140}; }

TextWindow::TextWindow(const TextWindowForm& form, const std::vector<std::string>& lines,
                       QWidget* parent)
    : ToolDialog(parent, form.title, form.x, form.y, form.width, form.height, true) {
  list_ = new QListWidget(this);
  list_->setGeometry(0, 0, form.width, form.list_height);
  list_->setFont(ConsolasFont(8));
  UseConsolasRows(list_);  // the boxes were sized for Consolas' rows
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  for (const std::string& line : lines) list_->addItem(QString::fromStdString(line));
  ok_ = MakeButton(this, QStringLiteral("Ok"), form.ok_x, form.ok_y, 70, 25, QStringLiteral("ok"));
  connect(ok_, &QPushButton::clicked, this, [this] { Finish(true); });
}

void RunTextWindow(const TextWindowForm& form, const std::vector<std::string>& lines,
                   QWidget* parent) {
  TextWindow window(form, lines, parent);
  window.exec();
}
