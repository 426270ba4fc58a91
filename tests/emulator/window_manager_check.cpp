// Vantro's main window on a real X server under a window manager (Xvfb and
// openbox, started by with_window_manager.sh): what the offscreen platform
// cannot show, having no window manager. Full screen fills the screen and
// comes back; the window offers no maximise it cannot carry out, and a
// maximise it gets all the same goes full screen; Escape closing a menu
// gives the keys back to the Spectrum. Keys and clicks go through the X
// server (xdotool), as a user's do.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QtTest>
#include <memory>

#include "emulator/main_window.h"
#include "emulator/program_qt.h"
#include "machine/port_bus.h"
#include "platform/picture_view.h"
#include "support/fake_host.h"

namespace {

QString Run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(10000)) return QStringLiteral("(%1 did not finish)").arg(program);
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString Xprop(const QWidget* window, const char* property) {
  return Run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()), QLatin1String(property)});
}

void Xdotool(const QStringList& args) {
  Run(QStringLiteral("xdotool"), args);
  // The X server's events reach the window through Qt's event loop.
  QTest::qWait(150);
}

}  // namespace

class WindowManagerTest : public QObject {
  Q_OBJECT

 private:
  FakeHost host;
  std::unique_ptr<VantroProgram> program;
  MainWindow* window = nullptr;

  QRect ScreenArea() const { return window->screen()->geometry(); }
  QString WindowId() const { return QString::number(window->winId()); }

 private slots:
  void initTestCase() { qputenv("SDL_AUDIODRIVER", "dummy"); }

  void init() {
    host = FakeHost{};
    program = std::make_unique<VantroProgram>(&host);
    QVERIFY(program->Start());
    window = program->window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    Xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), WindowId()});
    QTRY_VERIFY(window->isActiveWindow());
  }

  void cleanup() {
    program.reset();
    window = nullptr;
  }

  void FullScreenFillsTheScreenAndTheWindowComesBack() {
    const QSize windowed = window->size();
    for (int round = 0; round < 2; ++round) {
      Xdotool({QStringLiteral("key"), QStringLiteral("F11")});
      QTRY_VERIFY(window->isFullScreen());
      QTRY_COMPARE(window->geometry(), ScreenArea());
      QVERIFY2(!Xprop(window, "WM_NORMAL_HINTS").contains(QStringLiteral("maximum size")),
               qPrintable(Xprop(window, "WM_NORMAL_HINTS")));
      Xdotool({QStringLiteral("key"), QStringLiteral("F11")});
      QTRY_VERIFY(!window->isFullScreen());
      QTRY_COMPARE(window->size(), windowed);
      QCOMPARE(window->picture()->size(), QSize(320, 240));
      // Back in the window it cannot grow: no maximise is offered, before
      // and after a trip to full screen alike.
      const QString actions = Xprop(window, "_NET_WM_ALLOWED_ACTIONS");
      QVERIFY2(actions.contains(QStringLiteral("_NET_WM_ACTION_FULLSCREEN")), qPrintable(actions));
      QVERIFY2(!actions.contains(QStringLiteral("MAXIMIZE")), qPrintable(actions));
    }
  }

  void MaximisingGoesFullScreen() {
    // As a window manager that offers maximise all the same would do it.
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
    QTRY_VERIFY(window->isFullScreen());
    QTRY_COMPARE(window->geometry(), ScreenArea());
    QVERIFY(window->ActionFor(kCommandFullScreen)->isChecked());
    Xdotool({QStringLiteral("key"), QStringLiteral("F11")});
    QTRY_VERIFY(!window->isFullScreen());
    QVERIFY(!(window->windowState() & Qt::WindowMaximized));
  }

  void EscapeClosingAMenuGivesTheKeysBackToTheSpectrum() {
    Machine& machine = program->records().machine;
    QMenuBar* bar = window->menuBar();
    const QPoint file = bar->mapToGlobal(bar->actionGeometry(bar->actions().front()).center());
    for (const char* after : {"Return", "a"}) {
      Xdotool({QStringLiteral("mousemove"), QString::number(file.x()), QString::number(file.y()),
               QStringLiteral("click"), QStringLiteral("1")});
      QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
      Xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
      QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
      QVERIFY2(!machine.quit_requested, "the Escape that closed the menu ended Vantro");
      SampleKeyboard(machine);  // forget what went before
      Xdotool({QStringLiteral("key"), QLatin1String(after)});
      QVERIFY2(QApplication::activePopupWidget() == nullptr, after);
      SampleKeyboard(machine);
      const std::uint8_t row = std::string(after) == "Return" ? machine.key_rows[6] : machine.key_rows[1];
      QVERIFY2(row & 0x01, qPrintable(QStringLiteral("%1 did not reach the Spectrum after the menu closed").arg(after)));
    }
  }
};

QTEST_MAIN(WindowManagerTest)
#include "window_manager_check.moc"
