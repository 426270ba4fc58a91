// The debugger window driven as a user drives it, offscreen: its layout and
// menu bar, STEP (by button and by Enter), the running total, BASE, the
// interrupt commands, the breakpoint and Load dialogs, and the road from
// arming a breakpoint through RUN and the emulation loop back into the
// debugger.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QDir>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "debugger/trace_file.h"
#include "computer/computer.h"
#include "debugger/breakpoint_dialog.h"
#include "debugger/debugger_commands.h"
#include "debugger/debugger_window.h"
#include "debugger/load_register_dialog.h"
#include "emulator/emulation_loop.h"
#include "emulator/main_window.h"
#include "emulator/vantro_records.h"
#include "debugger_rig.h"
#include "support/fake_host.h"

namespace {

// Runs `act` on the modal window of type T as soon as it is up; polls, so it
// also finds windows opened inside another one's modal loop.
// The same for a window known by its title.
void WhenTitled(const QString& title, std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, title, act] {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr || window->windowTitle() != title) return;
    timer->stop();
    timer->deleteLater();
    act(window);
  });
  timer->start();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

template <typename T>
void WhenUp(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (window == nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(window);
  });
  timer->start();
}

void TypeOver(QLineEdit* field, const QString& keys) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, keys);
}

// A window built and filled as OpenDebugger does, but shown without its own
// modal loop so the test can click it directly.
struct OpenWindow {
  explicit OpenWindow(Rig& rig) : window(rig.context) {
    EnterDebugger(rig.cpu, *rig.machine, rig.breakpoint);
    window.RefreshDebugger();
    window.show();
  }
  DebuggerWindow window;
};

QString FieldText(const DebuggerWindow& window, const char* name) {
  return window.Field(name)->text();
}

// "Menu>Item" paths of every action, separators as "-", in menu order.
void CollectMenu(const QMenu* menu, const QString& prefix, QStringList& out) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      out << prefix + "-";
    } else if (action->menu() != nullptr) {
      CollectMenu(action->menu(), prefix + action->text() + ">", out);
    } else {
      out << prefix + action->text();
    }
  }
}

}  // namespace

class DebuggerWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    // A test that waits for a window that never comes must not hang the run.
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, [] { qFatal("debugger test hung"); });
    watchdog_.start(30000);
  }
  void cleanup() { watchdog_.stop(); }

  void WindowHasItsTitleSizeAndControlsInPlace() {
    Rig rig;
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    QCOMPARE(w.windowTitle(), QString("Vantro - Debugger"));
    auto* client = w.findChild<QWidget*>("debugger_client");
    QVERIFY(client != nullptr);
    QCOMPARE(client->size(), QSize(514, 480));
    QCOMPARE(w.base_button()->geometry(), QRect(317, 208, 50, 40));
    QCOMPARE(w.run_button()->geometry(), QRect(370, 208, 50, 40));
    QCOMPARE(w.step_button()->geometry(), QRect(424, 208, 85, 40));
    QCOMPARE(w.clear_button()->geometry(), QRect(317, 282, 50, 15));
    QVERIFY(w.step_button()->isDefault());
    QVERIFY(w.step_button()->font().bold());
    QCOMPARE(w.step_button()->font().pointSize(), 12);
    QCOMPARE(w.listing()->geometry(), QRect(1, 0, 312, 459));
    QCOMPARE(w.stack_list()->geometry(), QRect(424, 18, 85, 186));
    QCOMPARE(w.listing()->font().pointSize(), 8);
    const std::pair<const char*, QRect> fields[] = {
        {"IFF", {488, 266, 20, 15}}, {"IM", {488, 282, 20, 15}},
        {"T-state", {368, 282, 68, 15}}, {"A", {332, 314, 56, 15}},
        {"L", {392, 368, 56, 15}}, {"HL", {470, 368, 38, 15}},
        {"AF'", {350, 388, 38, 15}}, {"HL'", {350, 442, 38, 15}},
        {"I", {422, 388, 26, 15}}, {"R", {482, 388, 26, 15}},
        {"IX", {410, 406, 38, 15}}, {"PC", {410, 442, 38, 15}},
        {"MEMPTR", {470, 424, 38, 15}}, {"SP", {470, 442, 38, 15}},
    };
    for (const auto& [name, rect] : fields) {
      QVERIFY2(w.Field(name) != nullptr, name);
      QCOMPARE(w.Field(name)->geometry(), rect);
    }
    // Headers: text, place, colours.
    struct Header { const char* text; QRect rect; QColor fg, bg; };
    const Header headers[] = {
        {"STACK", {424, 4, 85, 12}, QColor(255, 255, 0), QColor(127, 127, 127)},
        {"INTERUPTS", {441, 252, 67, 12}, QColor(255, 255, 255), QColor(79, 79, 79)},
        {"T-STATE COUNTER", {318, 268, 118, 12}, QColor(0, 0, 0), QColor(255, 255, 0)},
        {"SZ5H3PNC", {392, 301, 56, 12}, QColor(255, 255, 63), QColor(159, 159, 159)},
        {"MEMPTR", {470, 413, 38, 12}, QColor(255, 255, 255), QColor(0, 0, 0)},
    };
    for (const Header& h : headers) {
      QLabel* found = nullptr;
      for (QLabel* label : client->findChildren<QLabel*>()) {
        if (label->text() == h.text) found = label;
      }
      QVERIFY2(found != nullptr, h.text);
      QCOMPARE(found->geometry(), h.rect);
      QCOMPARE(found->palette().color(QPalette::WindowText), h.fg);
      QCOMPARE(found->palette().color(QPalette::Window), h.bg);
      QVERIFY(found->font().bold());
    }
  }

  void MenuBarHasEveryItemInOrder() {
    Rig rig;
    OpenWindow open(rig);
    QStringList items;
    auto* bar = open.window.findChild<QMenuBar*>();
    QVERIFY(bar != nullptr);
    for (QAction* top : bar->actions()) CollectMenu(top->menu(), top->text() + ">", items);
    const QStringList expected = {
        "File>Open", "File>Save SNA", "File>Load Bin/Scr/Rom", "File>Save Bin/Scr/Rom", "File>-",
        "File>Exit Debugger",
        "Emulation>Hard Reset", "Emulation>-", "Emulation>Run", "Emulation>-",
        "Emulation>View TV Output",
        "Breakpoint>Flag...>S", "Breakpoint>Flag...>Z", "Breakpoint>Flag...>5",
        "Breakpoint>Flag...>H", "Breakpoint>Flag...>3", "Breakpoint>Flag...>P",
        "Breakpoint>Flag...>N", "Breakpoint>Flag...>C", "Breakpoint>Flag...>Any",
        "Breakpoint>-", "Breakpoint>Opcode...", "Breakpoint>-",
        "Breakpoint>8-Bit Register...>A", "Breakpoint>8-Bit Register...>F",
        "Breakpoint>8-Bit Register...>B", "Breakpoint>8-Bit Register...>C",
        "Breakpoint>8-Bit Register...>D", "Breakpoint>8-Bit Register...>E",
        "Breakpoint>8-Bit Register...>H", "Breakpoint>8-Bit Register...>L",
        "Breakpoint>8-Bit Register...>I", "Breakpoint>8-Bit Register...>R",
        "Breakpoint>16-Bit Register...>BC", "Breakpoint>16-Bit Register...>DE",
        "Breakpoint>16-Bit Register...>HL", "Breakpoint>16-Bit Register...>IX",
        "Breakpoint>16-Bit Register...>IY", "Breakpoint>16-Bit Register...>PC",
        "Breakpoint>16-Bit Register...>SP",
        "Tools>Debug to file", "Tools>-", "Tools>Disassemble...>to file",
        "Tools>Disassemble...>to window", "Tools>-",
        "Tools>Load Register...>8-Bit Register...>A", "Tools>Load Register...>8-Bit Register...>F",
        "Tools>Load Register...>8-Bit Register...>B", "Tools>Load Register...>8-Bit Register...>C",
        "Tools>Load Register...>8-Bit Register...>D", "Tools>Load Register...>8-Bit Register...>E",
        "Tools>Load Register...>8-Bit Register...>H", "Tools>Load Register...>8-Bit Register...>L",
        "Tools>Load Register...>8-Bit Register...>I", "Tools>Load Register...>8-Bit Register...>R",
        "Tools>Load Register...>16-Bit Register...>BC",
        "Tools>Load Register...>16-Bit Register...>DE",
        "Tools>Load Register...>16-Bit Register...>HL",
        "Tools>Load Register...>16-Bit Register...>IX",
        "Tools>Load Register...>16-Bit Register...>IY",
        "Tools>Load Register...>16-Bit Register...>PC",
        "Tools>Load Register...>16-Bit Register...>SP", "Tools>-",
        "Tools>Interupts>Force Mode>0", "Tools>Interupts>Force Mode>1",
        "Tools>Interupts>Force Mode>2", "Tools>Interupts>Force State>Disable",
        "Tools>Interupts>Force State>Enable", "Tools>-", "Tools>Force BREAK", "Tools>-",
        "Tools>Hex Dump", "Tools>-", "Tools>Peek Memory", "Tools>Poke Memory",
    };
    QCOMPARE(items, expected);
  }

  void EnterStepsAndLdirRunsAllItsPassesInOneStep() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    rig.Put(0x8000, {0xED, 0xB0, 0x00});  // LDIR, NOP
    rig.cpu.b = 0;
    rig.cpu.c = 32;  // 31 repeating passes of 21 T-states and the last of 16: 667
    rig.cpu.h = 0x90;
    rig.cpu.d = 0xA0;
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    QTest::keyClick(w.Field("PC"), Qt::Key_Return);
    QCOMPARE(w.listing()->count(), 1);
    QCOMPARE(w.listing()->item(0)->text(), QString("32768 8000  ED B0         LDIR"));
    QCOMPARE(w.listing()->currentRow(), 0);
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x8002});
    QCOMPARE(Bc(rig.cpu), std::uint16_t{0});
    QCOMPARE(FieldText(w, "T-state"), QString("    667 66"));
    QCOMPARE(FieldText(w, "PC"), QString("32770"));
    QCOMPARE(FieldText(w, "BC"), QString("00000"));
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QCOMPARE(w.listing()->count(), 2);
    QCOMPARE(w.listing()->currentRow(), 1);
    QCOMPARE(FieldText(w, "T-state"), QString("    671  4"));
  }

  void RunningTotalWrapsAtFffffAndClearZeroesIt() {
    Rig rig;
    rig.cpu.pc = 0x8000;  // NOPs
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    rig.machine->debugger_total = 1048567;
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QCOMPARE(FieldText(w, "T-state"), QString("1048571  4"));
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QCOMPARE(rig.machine->debugger_total, 0);
    QCOMPARE(FieldText(w, "T-state"), QString("      0  4"));
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QTest::mouseClick(w.clear_button(), Qt::LeftButton);
    QCOMPARE(rig.machine->debugger_total, 0);
    QCOMPARE(FieldText(w, "T-state"), QString("      0  4"));
  }

  void BaseSwitchesTheDisplayButNotTheListingAlreadyShown() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    rig.Put(0x8000, {0x3E, 0x2A, 0x3E, 0x2A});  // LD A,42 twice
    rig.cpu.sp = 0xFFFE;
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    QCOMPARE(w.stack_list()->count(), 14);
    QCOMPARE(w.stack_list()->item(1)->text(), QString("00000 : 45043"));
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QTest::mouseClick(w.base_button(), Qt::LeftButton);
    QVERIFY(rig.hex_mode);
    QCOMPARE(FieldText(w, "PC"), QString("8002h"));
    QCOMPARE(FieldText(w, "A"), QString("00101010"));
    QCOMPARE(w.stack_list()->item(1)->text(), QString("0000h : AFF3h"));
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    QCOMPARE(w.listing()->item(0)->text(), QString("32768 8000  3E 2A         LD A,042"));
    QCOMPARE(w.listing()->item(1)->text(), QString("32770 8002  3E 2A         LD A,2Ah"));
  }

  void ForcedEnableKeepsTheFrameInterruptOutForOneInstruction() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    rig.cpu.im = 1;
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    QCOMPARE(FieldText(w, "IFF"), QString("N"));
    w.ActionFor(kDebugForceEnable)->trigger();
    QCOMPARE(rig.cpu.iff, std::uint8_t{4});
    QCOMPARE(FieldText(w, "IFF"), QString("Y"));
    AcceptInterrupt(rig.cpu, *rig.machine);
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x8000});
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    AcceptInterrupt(rig.cpu, *rig.machine);
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x0038});
    w.ActionFor(kDebugForceDisable)->trigger();
    QCOMPARE(FieldText(w, "IFF"), QString("N"));
    w.ActionFor(kDebugForceModeBase + 2)->trigger();
    QCOMPARE(rig.cpu.im, std::uint8_t{2});
    QCOMPARE(FieldText(w, "IM"), QString("2"));
    w.ActionFor(kDebugForceBreak)->trigger();
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x12A2});
    QCOMPARE(FieldText(w, "IM"), QString("1"));
    QCOMPARE(FieldText(w, "PC"), QString("04770"));
  }

  void HardResetClearsTheProcessorAndTheTotal() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    rig.cpu.a = 0x77;
    OpenWindow open(rig);
    DebuggerWindow& w = open.window;
    QTest::mouseClick(w.step_button(), Qt::LeftButton);
    w.ActionFor(kDebugHardReset)->trigger();
    QCOMPARE(rig.cpu.pc, std::uint16_t{0});
    QCOMPARE(rig.machine->debugger_total, 0);
    QCOMPARE(FieldText(w, "A"), QString("00000000"));
    QCOMPARE(FieldText(w, "SP"), QString("61440"));
  }

  void OpeningClearsTheTotalDisarmsAndRunLeavesTheFrameInPlace() {
    Rig rig;
    rig.cpu.pc = 0x8000;  // NOPs
    rig.breakpoint.armed = true;
    rig.machine->frame_tstates = 4000;
    rig.machine->debugger_total = 900;
    rig.cpu.tstates = 12;
    bool seen = false;
    WhenUp<DebuggerWindow>([&](DebuggerWindow* w) {
      seen = true;
      QVERIFY(!rig.breakpoint.armed);
      QCOMPARE(rig.machine->frame_tstates, 4012);
      QCOMPARE(FieldText(*w, "T-state"), QString("      0  0"));
      QTest::mouseClick(w->step_button(), Qt::LeftButton);
      QTest::mouseClick(w->run_button(), Qt::LeftButton);
    });
    OpenDebugger(rig.context);
    QVERIFY(seen);
    QVERIFY2(rig.machine->frame_tstates == 4016, "the machine stays where it was in its frame, STEP's 4 T on top");
    QCOMPARE(rig.cpu.tstates, std::uint16_t{0});
  }

  void EscapeKeepsTheWindowAndTheCloseBoxLeaves() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    bool still_open = false;
    WhenUp<DebuggerWindow>([&](DebuggerWindow* w) {
      QTest::keyClick(w->listing(), Qt::Key_Escape);
      still_open = w->isVisible();
      QTest::keyClick(w->listing(), Qt::Key_Return);  // Enter steps from the listing too
      w->close();
    });
    OpenDebugger(rig.context);
    QVERIFY(still_open);
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x8001});
  }

  void OpenShowsTheLoadedSnapshotAtOnce() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // SNA: 27-byte header, then RAM from 4000h; PC sits on the stack at SP.
    QByteArray sna(27 + 49152, '\0');
    sna[23] = 0x00;
    sna[24] = char(0x80);  // SP = 8000h
    sna[25] = 1;           // IM 1
    sna[27 + 0x4000] = 0x34;
    sna[27 + 0x4001] = 0x12;  // PC = 1234h
    const QString path = folder.filePath("game.sna");
    WriteFile(path, sna);
    Rig rig;
    rig.host.open_paths.push_back(path.toStdString());
    OpenWindow open(rig);
    open.window.ActionFor(kDebugOpen)->trigger();
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x1234});
    QCOMPARE(FieldText(open.window, "PC"), QString("04660"));
    QCOMPARE(FieldText(open.window, "SP"), QString("32770"));
    QCOMPARE(FieldText(open.window, "IM"), QString("1"));
  }

  void ScreenLoadedFromTheDebuggerShowsTheVideoOutView() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath("title.scr");
    WriteFile(path, QByteArray(6912, char(0x38)));
    Rig rig;
    rig.blocks.answer = BlockChoice{16384, 6912};
    rig.host.open_paths.push_back(path.toStdString());
    OpenWindow open(rig);
    bool shown = false;
    WhenTitled("Vantro - Video Out View", [&](QWidget* view) {
      shown = true;
      QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(100, 100));
    });
    open.window.ActionFor(kDebugLoadBlock)->trigger();
    QVERIFY(shown);
    QVERIFY(!rig.machine->screen_loaded);
    QCOMPARE(rig.machine->memory[0x5800], std::uint8_t{0x38});
  }

  void MainMenuAndTraceFlushBothOpenTheDebuggerAndAFailedFlushIsTold() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));  // "debug.lst" lands here
    auto records = std::make_unique<VantroRecords>();
    InitMachine(records->machine);
    ResetCpu(records->cpu);
    records->machine.speed_limited = false;
    FakeHost host;
    ScriptedBlocks blocks;
    SetClock clock;
    MainWindow main(*records, host, blocks, clock);

    int openings = 0;
    auto leave_on_run = [&openings] {
      WhenUp<DebuggerWindow>([&openings](DebuggerWindow* w) {
        ++openings;
        QTest::mouseClick(w->run_button(), Qt::LeftButton);
      });
    };
    leave_on_run();
    main.Dispatch(kCommandDebugger);
    QCOMPARE(openings, 1);
    QVERIFY(host.messages.empty());

    // "Debug to file" from the debugger, then the loop traces until the
    // buffer is flushed and hands over to the main window's debugger entry.
    WhenUp<DebuggerWindow>([](DebuggerWindow* w) { w->ActionFor(kDebugToFile)->trigger(); });
    main.Dispatch(kCommandDebugger);
    QVERIFY(records->machine.trace_on);
    struct Hooks : LoopHooks {
      MainWindow* main = nullptr;
      void Present() override {}
      void OpenDebugger() override { main->OpenDebugger(); }
    } hooks;
    hooks.main = &main;
    EmulationLoop loop{records->cpu, records->machine, records->breakpoint, records->renderer,
                       clock, hooks, records->hex_mode};
    leave_on_run();
    int passes = 0;
    while (records->machine.trace_on && passes < 1000) {
      RunPass(loop);
      ++passes;
    }
    QCOMPARE(openings, 2);
    QVERIFY(QFile::exists(folder.filePath("debug.lst")));
    QVERIFY(host.messages.empty());

    // A flush that cannot write debug.lst (a folder stands there) is told,
    // and the debugger still opens.
    QVERIFY(QFile::remove(folder.filePath("debug.lst")));
    QVERIFY(QDir(folder.path()).mkdir("debug.lst"));
    StartTrace(records->machine, LocalClockNow());
    leave_on_run();
    passes = 0;
    while (records->machine.trace_on && passes < 1000) {
      RunPass(loop);
      ++passes;
    }
    QCOMPARE(openings, 3);
    QCOMPARE(host.messages.size(), std::size_t{1});
    QCOMPARE(host.messages[0].first, std::string(kTraceWriteTitle));
    QCOMPARE(host.messages[0].second, std::string(kTraceWriteFailed));
    QVERIFY(QDir::setCurrent(previous));
  }

  void OpensFast() {
    Rig rig;
    QElapsedTimer clock;
    WhenUp<DebuggerWindow>([](DebuggerWindow* w) { w->ActionFor(kDebugExit)->trigger(); });
    OpenDebugger(rig.context);  // the first opening also looks the fonts up
    clock.start();
    for (int i = 0; i < 5; ++i) {
      WhenUp<DebuggerWindow>([](DebuggerWindow* w) { w->ActionFor(kDebugRun)->trigger(); });
      OpenDebugger(rig.context);
    }
    const qint64 per_opening = clock.elapsed() / 5;
    qInfo("debugger opening and closing: %lld ms", per_opening);
    QVERIFY2(per_opening < 250, "the debugger must open without a noticeable wait");
  }

  void DebugToFileStartsTheTraceAndLeaves() {
    Rig rig;
    rig.machine->trace_fill = 1234;
    WhenUp<DebuggerWindow>([](DebuggerWindow* w) { w->ActionFor(kDebugToFile)->trigger(); });
    OpenDebugger(rig.context);
    QVERIFY(rig.machine->trace_on);
    const std::string start(reinterpret_cast<const char*>(rig.machine->trace_buffer.data()), 6);
    QCOMPARE(QString::fromStdString(start), QString("START "));
    // "START hh:mm:ss dd/mm/yyyy" and the column header, each with CR LF.
    QCOMPARE(int(rig.machine->trace_fill), 27 + int(kTraceColumnHeader.size()) + 2);
  }

  void OpcodeDialogArmsOnSetOnly() {
    Rig rig;
    OpenWindow open(rig);
    WhenUp<BreakOnOpcodeDialog>([](BreakOnOpcodeDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Break on Opcode"));
      // As laid out, or wider where the title would not fit its bar.
      QCOMPARE(d->height(), 95);
      QVERIFY(d->width() >= 180);
      QCOMPARE(d->opcode_field()->text(), QString("0"));
      QCOMPARE(d->opcode_field()->geometry(), QRect(120, 25, 40, 20));
      QCOMPARE(d->set_button()->geometry(), QRect(100, 55, 60, 25));
      QCOMPARE(d->cancel_button()->geometry(), QRect(20, 55, 60, 25));
      TypeOver(d->opcode_field(), "221");
      QTest::mouseClick(d->set_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugBreakBase + kOpcodeKind)->trigger();
    QVERIFY(rig.breakpoint.armed);
    QCOMPARE(rig.breakpoint.kind, kOpcodeKind);
    QCOMPARE(rig.breakpoint.opcode, std::uint8_t{0xDD});
    // IX instruction after a plain one whose operand is DDh: fires at the IX one.
    rig.cpu.pc = 0x8000;
    rig.Put(0x8000, {0x3E, 0xDD, 0xDD, 0x23});  // LD A,DDh; INC IX
    QVERIFY(!BreakpointFires(rig.breakpoint, rig.cpu, *rig.machine));
    Step(rig.cpu, *rig.machine);
    QVERIFY(BreakpointFires(rig.breakpoint, rig.cpu, *rig.machine));

    // Cancel leaves an armed breakpoint exactly as it was.
    ArmFlagBreakpoint(rig.breakpoint, 7, 0);
    WhenUp<BreakOnOpcodeDialog>([](BreakOnOpcodeDialog* d) {
      TypeOver(d->opcode_field(), "201");
      QTest::mouseClick(d->cancel_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugBreakBase + kOpcodeKind)->trigger();
    QVERIFY(rig.breakpoint.armed);
    QCOMPARE(rig.breakpoint.kind, std::uint8_t{7});
    QCOMPARE(rig.breakpoint.opcode, std::uint8_t{0xDD});
  }

  void ValueDialogPlacesItsFieldByWidthAndArms() {
    Rig rig;
    OpenWindow open(rig);
    WhenUp<BreakOnValueDialog>([](BreakOnValueDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Break on value of A "));
      // As laid out, or wider where the title would not fit its bar.
      QCOMPARE(d->height(), 95);
      QVERIFY(d->width() >= 190);
      QCOMPARE(d->value_field()->geometry(), QRect(130, 25, 40, 20));
      QCOMPARE(d->change_button()->geometry(), QRect(20, 22, 70, 25));
      QCOMPARE(d->change_button()->text(), QString("Change"));
      QCOMPARE(d->cancel_button()->text(), QString("Cancel"));
      QCOMPARE(d->set_button()->text(), QString("Set"));
      QCOMPARE(d->set_button()->geometry(), QRect(110, 55, 60, 25));
      TypeOver(d->value_field(), "42");
      d->value_field()->selectAll();
      d->value_field()->insert("256");  // pasted: out of range as a whole
      QCOMPARE(d->value_field()->text(), QString(""));
      QTest::mouseClick(d->set_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugBreakBase + 19)->trigger();
    QVERIFY(rig.breakpoint.armed);
    QCOMPARE(rig.breakpoint.kind, std::uint8_t{19});
    QCOMPARE(rig.breakpoint.value, std::uint16_t{42});
    QCOMPARE(rig.breakpoint.mode, BreakMode::equal);

    WhenUp<BreakOnValueDialog>([](BreakOnValueDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Break on value of SP"));
      QCOMPARE(d->value_field()->geometry(), QRect(110, 25, 60, 20));
      TypeOver(d->value_field(), "65535");
      QCOMPARE(d->value(), std::uint16_t{65535});
      QTest::mouseClick(d->cancel_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugBreakBase + 35)->trigger();
    QCOMPARE(rig.breakpoint.kind, std::uint8_t{19});  // Cancel arms nothing
  }

  void ChangeOnRFiresAfterTheNextInstruction() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    std::unique_ptr<OpenWindow> open = std::make_unique<OpenWindow>(rig);
    WhenUp<BreakOnValueDialog>([](BreakOnValueDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Break on value of R "));
      QTest::mouseClick(d->change_button(), Qt::LeftButton);
    });
    open->window.ActionFor(kDebugBreakBase + 28)->trigger();
    QVERIFY(rig.breakpoint.armed);
    QCOMPARE(rig.breakpoint.mode, BreakMode::change);
    open->window.ActionFor(kDebugRun)->trigger();
    QVERIFY(!open->window.isVisible());
    LeaveDebugger(rig.cpu, *rig.machine);
    open.reset();

    struct Hooks : LoopHooks {
      int opens = 0;
      void Present() override {}
      void OpenDebugger() override { ++opens; }
    } hooks;
    EmulationLoop loop{rig.cpu, *rig.machine, rig.breakpoint, *rig.renderer,
                       rig.clock, hooks, rig.hex_mode};
    QCOMPARE(RunPass(loop) & kPassBreakpointFired, unsigned{kPassBreakpointFired});
    QCOMPARE(hooks.opens, 1);
    QVERIFY(!rig.breakpoint.armed);
  }

  void LoadBcWith4660SplitsIntoBAndC() {
    Rig rig;
    OpenWindow open(rig);
    WhenUp<LoadRegisterDialog>([](LoadRegisterDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Load BC"));
      // As laid out, or wider where the title would not fit its bar.
      QCOMPARE(d->height(), 95);
      QVERIFY(d->width() >= 190);
      QCOMPARE(d->value_field()->geometry(), QRect(110, 25, 60, 20));
      QCOMPARE(d->load_button()->text(), QString("LOAD"));
      QCOMPARE(d->load_button()->geometry(), QRect(110, 55, 60, 25));
      QCOMPARE(d->cancel_button()->text(), QString("CANCEL"));
      QCOMPARE(d->cancel_button()->geometry(), QRect(20, 55, 70, 25));
      TypeOver(d->value_field(), "4660");
      QTest::mouseClick(d->load_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugLoadBase + 10)->trigger();
    QCOMPARE(rig.cpu.b, std::uint8_t{0x12});
    QCOMPARE(rig.cpu.c, std::uint8_t{0x34});
    QCOMPARE(FieldText(open.window, "BC"), QString("04660"));
    QCOMPARE(FieldText(open.window, "B"), QString("00010010"));
  }

  // Each command that moves PC lands on a processor waiting in HALT at
  // 7000h; the next accepted interrupt must push the command's PC, not the
  // address after it.
  void CommandsThatSetPcEndAHaltWait() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString rom_byte = folder.filePath("di.rom");
    WriteFile(rom_byte, QByteArray(1, char(0xF3)));
    struct Case {
      const char* what;
      std::function<void(Rig&, DebuggerWindow&)> command;
      std::uint16_t pc;
    };
    const Case cases[] = {
        {"Load PC",
         [](Rig&, DebuggerWindow& w) {
           WhenUp<LoadRegisterDialog>([](LoadRegisterDialog* d) {
             TypeOver(d->value_field(), "32768");
             QTest::mouseClick(d->load_button(), Qt::LeftButton);
           });
           w.ActionFor(kDebugLoadBase + 15)->trigger();
         },
         0x8000},
        {"Force BREAK", [](Rig&, DebuggerWindow& w) { w.ActionFor(kDebugForceBreak)->trigger(); },
         0x12A2},
        {"block loaded at 0",
         [&rom_byte](Rig& rig, DebuggerWindow& w) {
           rig.blocks.answer = BlockChoice{0, 1};
           rig.host.open_paths.push_back(rom_byte.toStdString());
           w.ActionFor(kDebugLoadBlock)->trigger();
           rig.cpu.iff = 4;  // the reset turned interrupts off
         },
         0x0000},
    };
    for (const Case& c : cases) {
      Rig rig;
      rig.Put(0x7000, {0x76});  // HALT
      rig.cpu.pc = 0x7000;
      rig.cpu.sp = 0x9000;
      rig.cpu.iff = 4;
      rig.cpu.im = 1;
      Step(rig.cpu, *rig.machine);
      QVERIFY2(rig.cpu.halted, c.what);
      OpenWindow open(rig);
      c.command(rig, open.window);
      QVERIFY2(rig.cpu.pc == c.pc, c.what);
      AcceptInterrupt(rig.cpu, *rig.machine);
      QVERIFY2(PopWord(rig.cpu, *rig.machine) == c.pc, c.what);
    }
  }

  void ThreeHundredEmptiesAnEightBitFieldAndLoadKeepsTheLastValue() {
    Rig rig;
    rig.cpu.a = 0x99;
    OpenWindow open(rig);
    WhenUp<LoadRegisterDialog>([](LoadRegisterDialog* d) {
      QCOMPARE(d->windowTitle(), QString("Vantro - Load A "));
      QCOMPARE(d->value_field()->geometry(), QRect(130, 25, 40, 20));
      d->value_field()->selectAll();
      d->value_field()->insert("300");
      QCOMPARE(d->value_field()->text(), QString(""));
      QTest::mouseClick(d->load_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugLoadBase + 0)->trigger();
    QCOMPARE(rig.cpu.a, std::uint8_t{0});
    QCOMPARE(FieldText(open.window, "A"), QString("00000000"));

    // Typed key by key, "30" is accepted on the way to "300".
    WhenUp<LoadRegisterDialog>([](LoadRegisterDialog* d) {
      TypeOver(d->value_field(), "300");
      QCOMPARE(d->value_field()->text(), QString(""));
      QTest::mouseClick(d->load_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugLoadBase + 0)->trigger();
    QCOMPARE(rig.cpu.a, std::uint8_t{30});

    WhenUp<LoadRegisterDialog>([](LoadRegisterDialog* d) {
      TypeOver(d->value_field(), "7");
      QTest::mouseClick(d->cancel_button(), Qt::LeftButton);
    });
    open.window.ActionFor(kDebugLoadBase + 0)->trigger();
    QCOMPARE(rig.cpu.a, std::uint8_t{30});
  }

  void PcBreakpointFiresBeforeTheInstructionAtItsAddress() {
    Rig rig;
    rig.cpu.pc = 0x8000;
    rig.Put(0x8000, {0x00, 0x00, 0x3E, 0x05, 0x00});  // NOP, NOP, LD A,5
    {
      OpenWindow open(rig);
      WhenUp<BreakOnValueDialog>([](BreakOnValueDialog* d) {
        TypeOver(d->value_field(), "32770");
        QTest::mouseClick(d->set_button(), Qt::LeftButton);
      });
      open.window.ActionFor(kDebugBreakBase + 34)->trigger();
      QTest::mouseClick(open.window.run_button(), Qt::LeftButton);
      LeaveDebugger(rig.cpu, *rig.machine);
    }
    QVERIFY(rig.breakpoint.armed);
    struct Hooks : LoopHooks {
      CpuState* cpu = nullptr;
      std::vector<std::uint16_t> pcs;
      std::vector<std::uint8_t> as;
      void Present() override {}
      void OpenDebugger() override {
        pcs.push_back(cpu->pc);
        as.push_back(cpu->a);
      }
    } hooks;
    hooks.cpu = &rig.cpu;
    EmulationLoop loop{rig.cpu, *rig.machine, rig.breakpoint, *rig.renderer,
                       rig.clock, hooks, rig.hex_mode};
    for (int pass = 0; pass < 4; ++pass) RunPass(loop);
    QCOMPARE(hooks.pcs.size(), std::size_t{1});
    QCOMPARE(hooks.pcs[0], std::uint16_t{0x8002});
    QCOMPARE(hooks.as[0], std::uint8_t{0});  // LD A,5 has not run yet
  }

  void BootReachesAnArmedRomAddressAndTheDebuggerReopensThere() {
    Rig rig;  // hard reset: PC 0000h, the built-in ROM boots
    // The ROM's first instruction group ends in JP 11CBh (START).
    QCOMPARE(rig.machine->memory[5], std::uint8_t{0xC3});
    QCOMPARE(rig.machine->memory[6] | rig.machine->memory[7] << 8, 0x11CB);

    // Arm in the debugger, leave with RUN.
    WhenUp<DebuggerWindow>([](DebuggerWindow* w) {
      WhenUp<BreakOnValueDialog>([](BreakOnValueDialog* d) {
        TypeOver(d->value_field(), QString::number(0x11CB));
        QTest::mouseClick(d->set_button(), Qt::LeftButton);
      });
      w->ActionFor(kDebugBreakBase + 34)->trigger();
      QTest::mouseClick(w->run_button(), Qt::LeftButton);
    });
    OpenDebugger(rig.context);
    QVERIFY(rig.breakpoint.armed);

    // The loop's debugger entry is the real OpenDebugger; what the user
    // sees there is recorded, and RUN is pressed again.
    struct Hooks : LoopHooks {
      DebuggerContext* context = nullptr;
      QStringList pc_fields;
      void Present() override {}
      void OpenDebugger() override {
        WhenUp<DebuggerWindow>([this](DebuggerWindow* w) {
          pc_fields << w->Field("PC")->text();
          QTest::mouseClick(w->run_button(), Qt::LeftButton);
        });
        ::OpenDebugger(*context);
      }
    } hooks;
    hooks.context = &rig.context;
    EmulationLoop loop{rig.cpu, *rig.machine, rig.breakpoint, *rig.renderer,
                       rig.clock, hooks, rig.hex_mode};
    int passes = 0;
    while (hooks.pc_fields.isEmpty() && passes < 100) {
      RunPass(loop);
      ++passes;
    }
    QCOMPARE(hooks.pc_fields, QStringList{"04555"});
    QCOMPARE(rig.cpu.pc, std::uint16_t{0x11CB});
    QVERIFY(!rig.breakpoint.armed);
    QCOMPARE(rig.machine->debugger_total, 0);
    RunPass(loop);
    QVERIFY2(rig.cpu.pc != 0x11CB, "the machine runs on after RUN");
  }

 private:
  QTimer watchdog_;
};

QTEST_MAIN(DebuggerWindowTest)
#include "debugger_qt_test.moc"
