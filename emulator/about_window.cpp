// The About window; see about_window.h.
#include "emulator/about_window.h"

#include <QListWidget>
#include <QPushButton>

#include "platform/fonts.h"
#include "tools/tool_dialog.h"

namespace {
constexpr int kAboutX = 280;
constexpr int kAboutY = 100;
constexpr int kClientWidth = 210;
constexpr int kClientHeight = 170;
}  // namespace

QStringList AboutLines() {
  return {
      QString(),
      QStringLiteral("      ====================="),
      QStringLiteral("       Vantro version 0.60"),
      QStringLiteral("      ====================="),
      QString(),
      QStringLiteral("  Sinclair ZX Spectrum Emulator"),
      QString(),
      QStringLiteral("  Written by the Vantro team"),
      QStringLiteral("  (C) the Vantro contributors"),
  };
}

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(QString::fromLatin1(kAboutTitle));
  setModal(true);
  setFixedSize(kClientWidth, kClientHeight);
  move(kAboutX, kAboutY);

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("about_lines"));
  list_->setGeometry(0, 0, 210, 135);
  list_->setFont(ConsolasFont(8));
  UseConsolasRows(list_);  // all nine lines fit the box at Consolas' row height
  list_->addItems(AboutLines());

  ok_ = new QPushButton(QStringLiteral("Ok"), this);
  ok_->setObjectName(QStringLiteral("about_ok"));
  ok_->setGeometry(70, 140, 70, 25);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void RunAboutWindow(QWidget* parent) {
  AboutWindow window(parent);
  window.exec();
}
