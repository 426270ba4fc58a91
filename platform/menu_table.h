// The menu bars of Vantro's main window, its debugger and Kelbrin's window,
// each written as a table of rows and built here, so the three agree on how
// paths nest, where separators go and how an item reports its command number.
#pragma once
#include <functional>
#include <map>
#include <span>

class QAction;
class QMenuBar;
class QObject;

// Whether an item carries a check mark, and the mark it shows when built.
enum class MenuMark { none, off, on };

// One row of a menu bar. The path names the menu, ">" going one submenu
// deeper ("Tools>Disassemble..."); menus and submenus appear in the order
// their first row does. A null label is a separator.
struct MenuRow {
  const char* path;
  const char* label;
  int command;
  MenuMark mark = MenuMark::none;
};

// Each item's command number, for finding it again.
using MenuActions = std::map<int, QAction*>;

// Adds the rows' menus to the bar. Choosing an item calls run with its
// command number (also kept as the item's data) while owner lives.
MenuActions BuildMenuTable(QMenuBar& bar, std::span<const MenuRow> rows, QObject& owner,
                           std::function<void(int)> run);

// The item of a command number, or null.
QAction* FindMenuAction(const MenuActions& actions, int command);
