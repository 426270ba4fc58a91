// Message boxes and file dialogs for both programs.
#include "platform/qt_host.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSpacerItem>
#include <algorithm>

namespace {

QString ToQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a title bar spends beside the title: the window manager's icon and
// buttons (menu, minimise, maximise, close) and, as the title is centred,
// as much room again on its other side (measured under openbox).
constexpr int kTitleBarButtonsWidth = 150;

// A message box sizes itself to its text; one that also holds the title's
// width keeps the window manager from cutting the title ("L...P").
void FitTitle(QMessageBox& box, const QString& title) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(TitleBarWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

QString InitialDialogFolder() {
  QDir windows_root(QStringLiteral("C:/"));
  return windows_root.exists() ? QStringLiteral("C:/") : QDir::homePath();
}

QString QtFilterFromHostFilter(std::string_view filter) {
  QStringList entries;
  for (const QString& entry : ToQ(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
    const int bar = entry.indexOf(QLatin1Char('|'));
    if (bar < 0) {
      entries << entry;
      continue;
    }
    // Qt matches the patterns of the last parenthesised group and shows the
    // whole text: the label's own group ("(*.bin)") gives way to the full
    // list, so the patterns are shown once and all of them apply.
    QString label = entry.left(bar);
    label.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
    const QString patterns = entry.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    entries << label + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return entries.join(QStringLiteral(";;"));
}

int TitleBarWidth(const QString& title) {
  // The title bar's font is the window manager's; the application's, bold,
  // is the nearest known and no narrower.
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarButtonsWidth;
}

QtHost::QtHost(QWidget* parent) : parent_(parent), dialog_folder_(InitialDialogFolder()) {}

void QtHost::RememberFolder(const QString& path) {
  if (!path.isEmpty()) dialog_folder_ = QFileInfo(path).absolutePath();
}

void QtHost::ShowMessage(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, ToQ(title), ToQ(text), QMessageBox::Ok, parent_);
  FitTitle(box, ToQ(title));
  box.exec();
}

bool QtHost::AskYesNo(std::string_view title, std::string_view text) {
  QMessageBox box(QMessageBox::Question, ToQ(title), ToQ(text),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  FitTitle(box, ToQ(title));
  return box.exec() == QMessageBox::Yes;
}

std::string QtHost::AskOpenPath(std::string_view title, std::string_view filter) {
  QString path = QFileDialog::getOpenFileName(parent_, ToQ(title), dialog_folder_,
                                              QtFilterFromHostFilter(filter));
  RememberFolder(path);
  return QFile::encodeName(path).toStdString();
}

std::string QtHost::AskSavePath(std::string_view title, std::string_view filter) {
  int choice = 0;
  return AskSavePathChoosing(title, filter, choice);
}

std::string QtHost::AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) {
  // The savers append an extension themselves when the name has none, so the
  // dialog must not add one of its own.
  const QString filters = QtFilterFromHostFilter(filter);
  QFileDialog dialog(parent_, ToQ(title), dialog_folder_, filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  choice = std::max(0, static_cast<int>(filters.split(QStringLiteral(";;")).indexOf(dialog.selectedNameFilter())));
  const QString path = dialog.selectedFiles().first();
  RememberFolder(path);
  return QFile::encodeName(path).toStdString();
}

int QtHost::AskChoice(std::string_view title, std::string_view text, const std::vector<std::string>& items) {
  QStringList labels;
  for (const std::string& item : items) labels << QString::fromUtf8(item.c_str());
  bool accepted = false;
  const QString picked = QInputDialog::getItem(parent_, ToQ(title), ToQ(text), labels, 0, false, &accepted);
  return accepted ? static_cast<int>(labels.indexOf(picked)) : -1;
}
