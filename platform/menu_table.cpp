// Builds a menu bar from its table of rows; see menu_table.h. Called once by
// each window that owns a menu bar, when the window is built.
#include "platform/menu_table.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <string>
#include <string_view>

MenuActions BuildMenuTable(QMenuBar& bar, std::span<const MenuRow> rows, QObject& owner,
                           std::function<void(int)> run) {
  MenuActions actions;
  // Menus made so far by their full path, so a later row of the same path
  // (or a deeper one) finds them instead of making a second menu.
  std::map<std::string, QMenu*, std::less<>> menus;
  for (const MenuRow& row : rows) {
    std::string_view path = row.path;
    std::string so_far;
    QMenu* menu = nullptr;
    while (!path.empty()) {
      const std::size_t cut = path.find('>');
      const std::string_view name = path.substr(0, cut);
      if (!so_far.empty()) so_far += '>';
      so_far += name;
      auto found = menus.find(so_far);
      if (found == menus.end()) {
        const QString title = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        QMenu* created = menu == nullptr ? bar.addMenu(title) : menu->addMenu(title);
        found = menus.emplace(so_far, created).first;
      }
      menu = found->second;
      path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
    }
    // A row always names its menu; an empty path would have nowhere to go.
    if (menu == nullptr) continue;
    if (row.label == nullptr) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(QString::fromUtf8(row.label));
    const int command = row.command;
    action->setData(command);
    if (row.mark != MenuMark::none) {
      action->setCheckable(true);
      action->setChecked(row.mark == MenuMark::on);
    }
    QObject::connect(action, &QAction::triggered, &owner, [run, command] { run(command); });
    actions[command] = action;
  }
  return actions;
}

QAction* FindMenuAction(const MenuActions& actions, int command) {
  auto found = actions.find(command);
  return found == actions.end() ? nullptr : found->second;
}
