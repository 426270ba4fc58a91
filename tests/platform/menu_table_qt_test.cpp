// The menu builder all three windows share: a row of a menu seen before goes
// into that menu, not a second one of the same name; submenus nest by path;
// separators, marks and command numbers land where the table puts them.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QtTest>
#include <vector>

#include "platform/menu_table.h"

namespace {

// One line per entry, indented by depth: "File", "  Open #1", "  ----",
// "  [x] Mark #3", "  Sub", "    Deep #4".
void Describe(const QList<QAction*>& actions, const QString& indent, QStringList& out) {
  for (QAction* action : actions) {
    if (action->isSeparator()) {
      out << indent + QStringLiteral("----");
    } else if (QMenu* menu = action->menu()) {
      out << indent + menu->title();
      Describe(menu->actions(), indent + QStringLiteral("  "), out);
    } else {
      const QString mark = !action->isCheckable() ? QString()
                           : action->isChecked()  ? QStringLiteral("[x] ")
                                                  : QStringLiteral("[ ] ");
      out << indent + mark + action->text() + QStringLiteral(" #") +
                 QString::number(action->data().toInt());
    }
  }
}

}  // namespace

class MenuTableTest : public QObject {
  Q_OBJECT

 private slots:
  void RowsBuildTheMenusInTableOrderWithMarksAndSeparators() {
    const MenuRow rows[] = {
        {"File", "Open", 1},
        {"Edit>Find", "Next", 2},
        {"File", nullptr, 0},
        {"File", "Exit", 3},
        {"Edit", "Fast", 4, MenuMark::on},
        {"Edit>Find", "Previous", 5, MenuMark::off},
        {"Edit>Find>Deeper", "Deepest", 6},
        {"", "Nowhere", 7},
    };
    QMenuBar bar;
    QObject owner;
    const MenuActions actions = BuildMenuTable(bar, rows, owner, [](int) {});
    QStringList shown;
    Describe(bar.actions(), QString(), shown);
    const QStringList expected = {
        "File",       "  Open #1",        "  ----",  "  Exit #3",         "Edit",
        "  Find",     "    Next #2",      "    [ ] Previous #5", "    Deeper",
        "      Deepest #6", "  [x] Fast #4",
    };
    QCOMPARE(shown, expected);
    // A row with no menu to go into is left out rather than built anywhere.
    QCOMPARE(actions.size(), std::size_t{6});
    QVERIFY(FindMenuAction(actions, 7) == nullptr);
    QVERIFY(FindMenuAction(actions, 0) == nullptr);
  }

  void ChoosingAnItemRunsItsCommandUntilTheOwnerGoes() {
    const MenuRow rows[] = {{"File", "Open", 11}, {"Emulation>Speed", "100%", 22, MenuMark::on}};
    QMenuBar bar;
    std::vector<int> run;
    MenuActions actions;
    {
      QObject owner;
      actions = BuildMenuTable(bar, rows, owner, [&run](int command) { run.push_back(command); });
      FindMenuAction(actions, 22)->trigger();
      FindMenuAction(actions, 11)->trigger();
      QCOMPARE(run, (std::vector<int>{22, 11}));
    }
    // The owner (the window) is gone: its items no longer reach it.
    FindMenuAction(actions, 11)->trigger();
    QCOMPARE(run.size(), std::size_t{2});
  }
};

QTEST_MAIN(MenuTableTest)
#include "menu_table_qt_test.moc"
