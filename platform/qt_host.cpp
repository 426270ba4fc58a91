// Message boxes and file dialogs for both programs.
#include "platform/qt_host.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <algorithm>

namespace {
QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

QString InitialDialogFolder() {
  QDir windows_root(QStringLiteral("C:/"));
  return windows_root.exists() ? QStringLiteral("C:/") : QDir::homePath();
}

QString QtFilterFromHostFilter(std::string_view filter) {
  QString text = ToQ(filter);
  int bar = text.indexOf(QLatin1Char('|'));
  if (bar < 0) return text;
  QString label = text.left(bar);
  QString patterns = text.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
  // Qt takes the patterns from the last parenthesised group, so the label's
  // own "(*.bin)" stays visible while all patterns apply.
  return label + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

void QtHost::ShowMessage(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, ToQ(title), ToQ(text), QMessageBox::Ok, parent_);
  box.exec();
}

bool QtHost::AskYesNo(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, ToQ(title), ToQ(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  return box.exec() == QMessageBox::Yes;
}

std::string QtHost::AskOpenPath(std::string_view title, std::string_view filter) {
  QString path = QFileDialog::getOpenFileName(parent_, ToQ(title), InitialDialogFolder(),
                                              QtFilterFromHostFilter(filter));
  return path.toStdString();
}

std::string QtHost::AskSavePath(std::string_view title, std::string_view filter) {
  int choice = 0;
  return AskSavePathChoosing(title, filter, choice);
}

std::string QtHost::AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) {
  // The savers append an extension themselves when the name has none, so the
  // dialog must not add one of its own.
  const QString filters = QtFilterFromHostFilter(filter);
  QFileDialog dialog(parent_, ToQ(title), InitialDialogFolder(), filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  choice = std::max(0, static_cast<int>(filters.split(QStringLiteral(";;")).indexOf(dialog.selectedNameFilter())));
  return dialog.selectedFiles().first().toStdString();
}

int QtHost::AskChoice(std::string_view title, std::string_view text, const std::vector<std::string>& items) {
  QStringList labels;
  for (const std::string& item : items) labels << QString::fromUtf8(item.c_str());
  bool accepted = false;
  const QString picked = QInputDialog::getItem(parent_, ToQ(title), ToQ(text), labels, 0, false, &accepted);
  return accepted ? static_cast<int>(labels.indexOf(picked)) : -1;
}
