// Vantro's main window as the user meets it, on the offscreen platform: the
// menu bar against the table of items, the radio groups, the Hardware rules
// with their resets, "Help Topics", the About window, keys and Escape. Every
// case runs the real start-up with a scripted user (FakeHost).
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "computer/computer.h"
#include "emulator/about_window.h"
#include "tools/address_range_dialog.h"
#include "tools/byte_tool_dialog.h"
#include "emulator/main_window.h"
#include "emulator/program_qt.h"
#include "snapshots/rzx.h"
#include "platform/sdl_gamepads.h"
#include "platform/sdl_sound.h"
#include "support/fake_host.h"
#include "platform/picture_view.h"

namespace {

// The menu bar flattened into one line per item: path, label, number and
// a trailing "*" when checked; separators as "path|-".
void Flatten(const QMenu* menu, const QString& path, QStringList& out) {
  for (QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      out << path + QStringLiteral("|-");
    } else if (action->menu() != nullptr) {
      Flatten(action->menu(), path + QLatin1Char('>') + action->text(), out);
    } else {
      out << path + QLatin1Char('|') + action->text() + QLatin1Char('|') +
                 QString::number(action->data().toInt()) +
                 (action->isChecked() ? QStringLiteral("*") : QString());
    }
  }
}

QStringList FlattenMenuBar(QMenuBar* bar) {
  QStringList out;
  for (QAction* top : bar->actions()) Flatten(top->menu(), top->text(), out);
  return out;
}

QStringList Checked(MainWindow* window, std::initializer_list<int> commands) {
  QStringList on;
  for (int c : commands) {
    if (window->ActionFor(c)->isChecked()) on << QString::number(c);
  }
  return on;
}

// Closes the next modal window as soon as one is up; the event loop may be
// the loop's own polling until then.
void CloseModalSoon(std::function<void(QWidget*)> check = {}) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer->stop();
    timer->deleteLater();
    if (check) check(modal);
    modal->close();  // the close box
  });
  timer->start();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  FakeHost host;
  std::unique_ptr<VantroProgram> program;
  MainWindow* window = nullptr;

  void StartProgram() {
    host = FakeHost{};
    program = std::make_unique<VantroProgram>(&host);
    QVERIFY(program->Start());
    window = program->window();
    QVERIFY(window != nullptr);
  }

 private slots:
  // SDL's dummy device: the sound path opens as on a desktop, silently.
  void initTestCase() { qputenv("SDL_AUDIODRIVER", "dummy"); }
  void init() { StartProgram(); }
  void cleanup() {
    program.reset();
    window = nullptr;
  }

  void MenuBarMatchesTheTableWithStartChecks() {
    const QStringList expected = {
        "File|Open|1",
        "File|Save SNA|2",
        "File|Load Bin/Scr/Rom|3",
        "File|Save Bin/Scr/Rom|4",
        "File|Save Screenshot...|55",
        "File|Apply POKEs...|56",
        "File|-",
        "File|Play Tape|38",
        "File|Rewind Tape|39",
        "File|Save Tape As...|42",
        "File|-",
        "File|Record Input...|57",
        "File|Stop Recording|58",
        "File|-",
        "File|Exit|5",
        "Emulation>Reset|Hard|6",
        "Emulation>Reset|Soft|7",
        "Emulation>Speed|25%|8",
        "Emulation>Speed|50%|9",
        "Emulation>Speed|100%|10*",
        "Emulation>Speed|200%|11",
        "Emulation>Speed|No Limit|12",
        "Emulation>Video>Window|100%|13*",
        "Emulation>Video>Window|200%|14",
        "Emulation>Video>Window|300%|50",
        "Emulation>Video>Window|400%|51",
        "Emulation>Video>Window|Full Screen|52",
        "Emulation>Video>Output|Colour|15*",
        "Emulation>Video>Output|Monochrome|16",
        "Emulation>Video>Output|Green Screen|17",
        "Emulation>Video|-",
        "Emulation>Video|Fast Border Render|32",
        "Emulation|-",
        "Emulation|Write Protect ROM|18*",
        "Emulation|Sound|37*",
        "Emulation|Fast Tape Loading|40*",
        "Emulation|Fast-Forward While Loading|41*",
        "Emulation|-",
        "Emulation|Pause|53",
        "Emulation|Rewind|54",
        "Hardware|Cheetah Sweet Talker|19",
        "Hardware|Currah Microspeech|20",
        "Hardware|-",
        "Hardware>Joystick Interface|Kempston|21*",
        "Hardware>Joystick Interface|Sinclair Interface 2 Port 1|22",
        "Hardware>Joystick Interface|Sinclair Interface 2 Port 2|23",
        "Hardware>Joystick Interface|Cursor (Protek/AGF)|24",
        "Tools|Character Set Editor|36",
        "Tools|Debugger|25",
        "Tools>Disassemble...|to file|26",
        "Tools>Disassemble...|to window|27",
        "Tools|Force BREAK|28",
        "Tools|Hex dump|29",
        "Tools|Peek Memory|30",
        "Tools|Poke Memory|31",
        "Help|Help Topics|33",
        "Help|About|34",
    };
    const QStringList actual = FlattenMenuBar(window->menuBar());
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
      const QString want = i < expected.size() ? expected[i] : QStringLiteral("(nothing)");
      const QString got = i < actual.size() ? actual[i] : QStringLiteral("(nothing)");
      QVERIFY2(want == got, qPrintable(QStringLiteral("item %1: expected %2, got %3")
                                           .arg(i).arg(want, got)));
    }
    // Submenus in the order Reset, Speed, Video; Video holds Window, Output.
    QStringList tops;
    for (QAction* top : window->menuBar()->actions()) tops << top->text();
    QCOMPARE(tops, QStringList({"File", "Emulation", "Hardware", "Tools", "Help"}));
  }

  void StartUpWiresSpeechToTheSoundOutput() {
    QVERIFY(program->has_sound());
    QVERIFY(program->records().machine.sweet_talker != nullptr);
    QVERIFY(!program->allophones().Sample(27).empty());
    QCOMPARE(program->records().cpu.sp, 0xF000);  // hard reset done
    QVERIFY(host.messages.empty());
  }

  void FittedSweetTalkerHoldsTheMachineForTheAllophone() {
    VantroRecords& records = program->records();
    window->ActionFor(kCommandNoLimit)->trigger();
    // A timer of the window's: it ticks inside the hold only if the hold
    // lets the window's events through (PC rests just past the OUT).
    int ticks_in_hold = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      if (records.cpu.pc == 0x8004) ++ticks_in_hold;
    });
    ticker.start(5);
    // LD A,3 ; OUT (1),A - allophone 3 is a 100 ms pause.
    auto run_out = [&] {
      const std::uint8_t code[] = {0x3E, 0x03, 0xD3, 0x01};
      for (int i = 0; i < 4; ++i) records.machine.memory[0x8000 + i] = code[i];
      records.cpu.pc = 0x8000;
      QElapsedTimer timer;
      timer.start();
      program->RunFrame();
      return timer.elapsed();
    };
    QVERIFY2(run_out() < 90, "an OUT to port 1 held the machine without a Sweet Talker");
    QCOMPARE(ticks_in_hold, 0);
    window->ActionFor(kCommandSweetTalker)->trigger();
    QVERIFY(records.machine.sweet_talker_on);
    QVERIFY(run_out() >= 100);
    QVERIFY2(ticks_in_hold > 0, "the window's events stood still during the hold");
  }

  void MainWindowTitlePlaceAndPictureArea() {
    QCOMPARE(window->windowTitle(), QStringLiteral("Vantro Spectrum Emulator"));
    QCOMPARE(window->pos(), QPoint(50, 50));
    QCOMPARE(window->picture()->size(), QSize(320, 240));
    QVERIFY(window->menuBar()->isVisible());
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
  }

  void SpeedItemsBehaveAsRadioGroup() {
    Machine& machine = program->records().machine;
    struct Case {
      int command;
      bool limited;
      int target;
    };
    for (Case c : {Case{8, true, 12}, Case{8, true, 12}, Case{12, false, 12}, Case{11, true, 100},
                   Case{9, true, 25}, Case{10, true, 50}}) {
      window->ActionFor(c.command)->trigger();
      QCOMPARE(Checked(window, {8, 9, 10, 11, 12}), QStringList{QString::number(c.command)});
      QCOMPARE(machine.speed_limited, c.limited);
      QCOMPARE(int{machine.target_frames}, c.target);
    }
  }

  void WindowSizeItemsResizeAndMoveOnlyOnChange() {
    Machine& machine = program->records().machine;
    window->move(200, 150);
    window->ActionFor(kCommandWindow200)->trigger();
    QVERIFY(machine.double_size);
    QCOMPARE(Checked(window, {13, 14}), QStringList{"14"});
    QCOMPARE(window->picture()->size(), QSize(640, 480));
    QCOMPARE(window->pos(), QPoint(50, 50));

    window->move(120, 90);
    window->ActionFor(kCommandWindow200)->trigger();  // already at 200%: nothing
    QCOMPARE(window->pos(), QPoint(120, 90));
    QCOMPARE(Checked(window, {13, 14}), QStringList{"14"});

    // The next frame end shows the doubled picture.
    program->RunFrame();
    QCOMPARE(window->picture()->image().size(), QSize(640, 480));

    window->ActionFor(kCommandWindow100)->trigger();
    QVERIFY(!machine.double_size);
    QCOMPARE(window->picture()->size(), QSize(320, 240));
    QCOMPARE(window->pos(), QPoint(120, 90));  // 100% keeps the place
    QCOMPARE(Checked(window, {13, 14}), QStringList{"13"});
    window->ActionFor(kCommandWindow100)->trigger();
    QCOMPARE(Checked(window, {13, 14}), QStringList{"13"});
  }

  void FullScreenCentresTheLargestWholeSizeAndHidesMenuAndPointer() {
    // The offscreen screen is 800x600: 300% and 400% do not fit, and full
    // screen shows the picture at 200%, centred.
    QVERIFY(!window->ActionFor(kCommandWindow300)->isVisible());
    QVERIFY(!window->ActionFor(kCommandWindow400)->isVisible());
    QVERIFY(window->ActionFor(kCommandWindow200)->isVisible());
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_F11);
    QVERIFY(window->isFullScreen());
    QCOMPARE(Checked(window, {13, 52}), (QStringList{"13", "52"}));
    QVERIFY(!window->menuBar()->isVisible());
    QCOMPARE(window->cursor().shape(), Qt::BlankCursor);
    program->RunFrame();
    QCOMPARE(window->picture()->Zoom(), 2);
    const QImage shown = window->picture()->grab().toImage();
    const QPoint corner((shown.width() - 640) / 2, (shown.height() - 480) / 2);
    QCOMPARE(shown.pixel(corner - QPoint(1, 1)), qRgb(0, 0, 0));
    const auto& frame = program->records().renderer.frame_picture;
    for (QPoint at : {QPoint(0, 0), QPoint(639, 479), QPoint(101, 77)}) {
      QCOMPARE(shown.pixel(corner + at) & 0xFFFFFF, frame[(at.y() / 2) * 320 + at.x() / 2] & 0xFFFFFF);
    }
    // The pointer moves: menu bar and pointer come back until it rests.
    QTest::mouseMove(window->picture(), QPoint(300, 200));
    QVERIFY(window->menuBar()->isVisible());
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
    QTRY_VERIFY_WITH_TIMEOUT(!window->menuBar()->isVisible(), kChromeRestMs + 1000);

    QTest::keyClick(window, Qt::Key_F11);
    QTRY_VERIFY(!window->isFullScreen());
    QVERIFY(window->menuBar()->isVisible());
    QCOMPARE(window->picture()->size(), QSize(320, 240));
    QCOMPARE(Checked(window, {13, 52}), QStringList{"13"});
  }

  void PauseStopsMachineAndSoundAndContinuesExactly() {
    VantroRecords& records = program->records();
    for (int k = 0; k < 30; ++k) program->RunFrame();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Pause);
    QCOMPARE(Checked(window, {53}), QStringList{"53"});
    QVERIFY(window->windowTitle().endsWith(QStringLiteral(" - Paused")));
    // The frame under way ends, then the machine stands: a look 100 ms and
    // 300 ms into the pause finds it where it was, then Pause continues.
    CpuState seen{};
    int looks = 0;
    QTimer::singleShot(100, [&] { seen = records.cpu; ++looks; });
    QTimer::singleShot(300, [&] {
      QCOMPARE(records.cpu.pc, seen.pc);
      QCOMPARE(records.cpu.r, seen.r);
      ++looks;
      QTest::keyClick(window, Qt::Key_Pause);
    });
    program->RunFrame();
    QCOMPARE(looks, 2);
    QCOMPARE(window->windowTitle(), QStringLiteral("Vantro Spectrum Emulator"));
    for (int k = 0; k < 29; ++k) program->RunFrame();
    const CpuState paused_cpu = records.cpu;
    const auto paused_memory = records.machine.memory;

    // The same 60 frames without a pause end in the same state.
    StartProgram();
    for (int k = 0; k < 60; ++k) program->RunFrame();
    QCOMPARE(program->records().cpu.pc, paused_cpu.pc);
    QCOMPARE(program->records().cpu.r, paused_cpu.r);
    QVERIFY(program->records().machine.memory == paused_memory);
  }

  void RewindGoesBackASecondPerPressAndContinuesFromThere() {
    VantroRecords& records = program->records();
    struct Moment {
      CpuState cpu;
      std::array<std::uint8_t, 65536> memory;
    };
    std::vector<Moment> moments;  // after frames 0, 1, 2, ...
    auto now = [&] { return Moment{records.cpu, records.machine.memory}; };
    auto same = [](const Moment& a, const Moment& b) {
      return a.cpu.pc == b.cpu.pc && a.cpu.sp == b.cpu.sp && a.cpu.r == b.cpu.r && a.cpu.iff == b.cpu.iff &&
             a.memory == b.memory;
    };
    moments.push_back(now());
    for (int k = 0; k < 120; ++k) {
      program->RunFrame();
      moments.push_back(now());
    }
    // F9 is served after the next frame (121): a second back from it is
    // the point of frame 50; a second press goes to the start.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_F9);
    program->RunFrame();
    QVERIFY2(same(now(), moments[50]), "not back at frame 50");
    for (int k = 51; k <= 60; ++k) program->RunFrame();
    QVERIFY2(same(now(), moments[60]), "did not go on from frame 50 as before");
    window->ActionFor(kCommandRewind)->trigger();
    window->ActionFor(kCommandRewind)->trigger();
    program->RunFrame();
    QVERIFY2(same(now(), moments[0]), "two presses did not reach the start");
  }

  // "Record Input..." starts at the next frame end with the title's notice;
  // Rewind stops and saves it; the file plays back through the same
  // frames, with its own notice and a message at its end.
  void InputRecordingRecordsStopsOnRewindAndPlaysBack() {
    VantroRecords& records = program->records();
    for (int k = 0; k < 160; ++k) program->RunFrame();
    QTemporaryDir folder;
    const std::string path = QFile::encodeName(folder.filePath(QStringLiteral("game"))).toStdString();
    host.save_paths.push_back(path);
    window->ActionFor(kCommandRecordInput)->trigger();
    QVERIFY(records.machine.input_log.mode == InputLogMode::off);
    program->RunFrame();
    QVERIFY(records.machine.input_log.mode == InputLogMode::recording);
    QVERIFY(window->windowTitle().endsWith(QLatin1String(kRecordingNotice)));
    records.machine.host_keys = HostKeyBit(HostKey::Q);
    for (int k = 0; k < 10; ++k) program->RunFrame();
    records.machine.host_keys = 0;
    for (int k = 0; k < 10; ++k) program->RunFrame();
    const CpuState cpu = records.cpu;
    const std::array<std::uint8_t, 65536> memory = records.machine.memory;
    window->ActionFor(kCommandRewind)->trigger();
    QVERIFY(records.machine.input_log.mode == InputLogMode::off);
    QCOMPARE(host.messages.size(), std::size_t{1});
    QCOMPARE(host.messages[0].first, std::string("Record Input"));
    QVERIFY(!window->windowTitle().contains(QLatin1String(kRecordingNotice)));
    program->RunFrame();

    program->OpenCommandLineFile(path + ".rzx");
    QCOMPARE(host.messages.size(), std::size_t{1});
    QVERIFY(records.machine.input_log.mode == InputLogMode::playing);
    for (int k = 0; k < 19; ++k) program->RunFrame();
    QVERIFY(window->windowTitle().endsWith(QLatin1String(kPlayingNotice)));
    program->RunFrame();  // the last recorded frame, and its end told
    QVERIFY(records.machine.input_log.mode == InputLogMode::off);
    QCOMPARE(host.messages.size(), std::size_t{2});
    QCOMPARE(host.messages[1].second, std::string(kPlaybackFinished));
    QVERIFY(!window->windowTitle().contains(QLatin1String(kPlayingNotice)));
    // R as the program sees it: the file keeps seven counted bits and r7.
    QVERIFY2(records.cpu.pc == cpu.pc && records.cpu.sp == cpu.sp && records.cpu.a == cpu.a &&
                 (records.cpu.r & 0x7F) == (cpu.r & 0x7F) && records.cpu.r7 == cpu.r7 &&
                 records.machine.memory == memory,
             "the playback did not end where the recording did");

    // Leaving the program while it records writes the recording.
    const std::string last = path + "-last.rzx";
    host.save_paths.push_back(last);
    window->ActionFor(kCommandRecordInput)->trigger();
    for (int k = 0; k < 4; ++k) program->RunFrame();
    program->Shutdown();
    QCOMPARE(host.messages.size(), std::size_t{2});
    program->OpenCommandLineFile(last);
    QVERIFY(records.machine.input_log.mode == InputLogMode::playing);
  }

  void GamePadsDriveTheJoysticksAndAreNamedWhenPluggedIn() {
    QVERIFY(program->gamepads() != nullptr);
    Machine& machine = program->records().machine;
    auto plug = [](const char* name) {
      SDL_VirtualJoystickDesc desc{};
      desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
      desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
      desc.naxes = SDL_CONTROLLER_AXIS_MAX;
      desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
      desc.name = name;
      const int index = SDL_JoystickAttachVirtualEx(&desc);
      return SDL_JoystickOpen(index);
    };
    SDL_Joystick* first = plug("Test Pad One");
    SDL_Joystick* second = plug("Test Pad Two");
    QVERIFY(first != nullptr && second != nullptr);
    program->RunFrame();
    QCOMPARE(program->gamepads()->count(), 2);
    QVERIFY2(window->windowTitle().contains(QStringLiteral("Game pad connected: Test Pad")),
             qPrintable(window->windowTitle()));

    // Kempston: the first pad's d-pad and face button, the second pad unheard.
    SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualAxis(second, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    program->RunFrame();
    QCOMPARE(int{machine.pad_lines[0]}, kLineUp | kLineFire);
    QCOMPARE(int{machine.pad_lines[1]}, int{kLineLeft});
    // The left stick of a pad counts as its d-pad; pads taken out free
    // their lines, and the second moves up to first.
    SDL_JoystickClose(first);
    SDL_JoystickDetachVirtual(0);
    program->RunFrame();
    QCOMPARE(program->gamepads()->count(), 1);
    QCOMPARE(int{machine.pad_lines[0]}, int{kLineLeft});
    QCOMPARE(int{machine.pad_lines[1]}, 0);
    SDL_JoystickClose(second);
    SDL_JoystickDetachVirtual(0);
    program->RunFrame();
    QCOMPARE(int{machine.pad_lines[0]}, 0);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Vantro Spectrum Emulator"), kPadNoticeMs + 1000);
  }

  void SaveScreenshotWritesThePictureAtTheSizeShownOrAtOneHundredPercent() {
    QTemporaryDir folder;
    window->ActionFor(kCommandWindow200)->trigger();
    program->RunFrame();
    const auto& frame = program->records().renderer.frame_picture;
    const struct { int choice; const char* name; int scale; } cases[] = {
        {0, "shown", 2}, {1, "small.png", 1}};
    for (const auto& c : cases) {
      host.save_paths.push_back(folder.filePath(QString::fromLatin1(c.name)).toStdString());
      host.save_choices.push_back(c.choice);
      window->ActionFor(kCommandSaveScreenshot)->trigger();
      const QImage png(folder.filePath(QString::fromLatin1(c.name)) +
                       (c.choice == 0 ? QStringLiteral(".png") : QString()));
      QCOMPARE(png.size(), QSize(320, 240) * c.scale);
      for (QPoint at : {QPoint(0, 0), QPoint(319, 239), QPoint(50, 100)}) {
        QCOMPARE(png.pixel(at * c.scale) & 0xFFFFFF, frame[at.y() * 320 + at.x()] & 0xFFFFFF);
      }
    }
    QVERIFY(host.messages.empty());
    host.save_paths.push_back(folder.filePath(QStringLiteral("no/such/folder.png")).toStdString());
    window->ActionFor(kCommandSaveScreenshot)->trigger();
    QCOMPARE(host.messages.size(), std::size_t{1});
    QCOMPARE(host.messages[0].first, std::string(kScreenshotTitle));
  }

  void OutputItemsLoadTheirPalette() {
    VantroRecords& records = program->records();
    struct Case {
      int command;
      QRgb blue;  // palette entry 1 of the table
    };
    for (Case c : {Case{16, qRgb(22, 22, 22)}, Case{17, qRgb(0, 52, 0)},
                   Case{17, qRgb(0, 52, 0)}, Case{15, qRgb(0, 0, 202)}}) {
      window->ActionFor(c.command)->trigger();
      QCOMPARE(Checked(window, {15, 16, 17}), QStringList{QString::number(c.command)});
      QCOMPARE(records.renderer.palette.pixel[1] & 0xFFFFFFu, c.blue & 0xFFFFFFu);
    }
  }

  void FastBorderAndWriteProtectToggle() {
    Machine& machine = program->records().machine;
    window->ActionFor(kCommandFastBorder)->trigger();
    QVERIFY(machine.fast_border);
    QVERIFY(window->ActionFor(kCommandFastBorder)->isChecked());
    window->ActionFor(kCommandFastBorder)->trigger();
    QVERIFY(!machine.fast_border);
    QVERIFY(!window->ActionFor(kCommandFastBorder)->isChecked());

    window->ActionFor(kCommandWriteProtect)->trigger();
    QCOMPARE(machine.write_floor, 0);
    QVERIFY(!window->ActionFor(kCommandWriteProtect)->isChecked());
    window->ActionFor(kCommandWriteProtect)->trigger();
    QCOMPARE(machine.write_floor, 0x4000);
    QVERIFY(window->ActionFor(kCommandWriteProtect)->isChecked());
  }

  void SoundItemLetsTheBeeperPlayOnlyAtOneHundredPercent() {
    // A fresh output fills up before it plays, so whatever a frame end
    // queued is still waiting right after it.
    SdlSoundPlayer& sound = *program->sound();
    QCOMPARE(sound.rate() == 48000 || sound.rate() == 44100, true);
    window->ActionFor(kCommandSound)->trigger();
    QVERIFY(!program->records().machine.beeper.sound_on);
    QVERIFY(!window->ActionFor(kCommandSound)->isChecked());
    program->RunFrame();
    QCOMPARE(sound.BufferedBeeperSamples(), 0);
    window->ActionFor(kCommandSound)->trigger();
    QVERIFY(window->ActionFor(kCommandSound)->isChecked());
    window->ActionFor(kCommandNoLimit)->trigger();
    program->RunFrame();
    QCOMPARE(sound.BufferedBeeperSamples(), 0);
    window->ActionFor(kCommandSpeed100)->trigger();
    program->RunFrame();
    QVERIFY(sound.BufferedBeeperSamples() >= sound.rate() / 51);
  }

  // A tape opened from the command line or dropped on the window plays at
  // once to the loader running; Play Tape follows it as it stops by itself
  // at a stop block, and blocks without a signal after it pass without a word.
  void TapeOpenedFromOutsidePlaysStopsAndRewinds() {
    Machine& machine = program->records().machine;
    // A loader timing edges: INC B : IN A,(FEh) : JR back.
    const std::uint8_t loader[] = {0x04, 0xDB, 0xFE, 0x18, 0xFB};
    std::copy(std::begin(loader), std::end(loader), machine.memory.begin() + 0x8000);
    program->records().cpu.pc = 0x8000;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("tone.tzx"));
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      // 100 pulses of pure tone, stop the tape, a text, the tone again.
      file.write(QByteArray("ZXTape!\x1A\x01\x14", 10));
      file.write(QByteArray("\x12\x78\x08\x64\x00" "\x20\x00\x00" "\x30\x02hi" "\x12\x78\x08\x64\x00", 17));
    }
    for (int way = 0; way < 2; ++way) {
      if (way == 0) {
        program->OpenCommandLineFile(QFile::encodeName(path).toStdString());
      } else {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application passes a drop on only
        // while a drag is in progress.
        static_cast<QObject*>(window)->event(&drop);
        // The file opens once the drop has been answered.
        QCoreApplication::processEvents();
      }
      QVERIFY2(host.messages.empty(), host.messages.empty() ? "" : host.messages[0].second.c_str());
      QVERIFY(machine.tape_signal.playing);
      QVERIFY(window->ActionFor(kCommandPlayTape)->isChecked());
      // The title names the tape, its block and whether it plays.
      const QString tape_title = QStringLiteral("Vantro Spectrum Emulator - Tape: tone.tzx, block 1 of 3, ");
      QVERIFY2(window->windowTitle().startsWith(tape_title), qPrintable(window->windowTitle()));
      program->RunFrame();
      QCOMPARE(window->windowTitle(), tape_title + QStringLiteral("playing"));
      // The status line holds it whole, under the picture.
      auto* tape_line = window->findChild<QLabel*>(QStringLiteral("tape_line"));
      QVERIFY(tape_line != nullptr && tape_line->isVisible());
      QCOMPARE(tape_line->text(), QStringLiteral("Tape: tone.tzx, block 1 of 3, playing"));
      QVERIFY(tape_line->mapTo(window, QPoint(0, 0)).y() >= window->picture()->geometry().bottom());
      for (int k = 0; k < 10 && machine.tape_signal.playing; ++k) program->RunFrame();
      program->RunFrame();
      QVERIFY(!machine.tape_signal.playing);
      QVERIFY(!window->ActionFor(kCommandPlayTape)->isChecked());
      QVERIFY2(window->windowTitle().endsWith(QStringLiteral(", stopped")), qPrintable(window->windowTitle()));
    }
    window->ActionFor(kCommandPlayTape)->trigger();
    program->RunFrame();
    QVERIFY(window->ActionFor(kCommandPlayTape)->isChecked());
    for (int k = 0; k < 10 && machine.tape_signal.playing; ++k) program->RunFrame();
    program->RunFrame();
    QVERIFY(!window->ActionFor(kCommandPlayTape)->isChecked());
    QVERIFY(host.messages.empty());
    QCOMPARE(machine.tape_signal.block, machine.tape_signal.image->blocks.size());
    window->ActionFor(kCommandRewindTape)->trigger();
    QCOMPARE(machine.tape_signal.block, std::size_t{0});
    window->ActionFor(kCommandPlayTape)->trigger();
    QVERIFY(machine.tape_signal.playing);

    // "Save Tape As..." writes the tape in as it was read.
    const QString saved = folder.filePath(QStringLiteral("copy.tzx"));
    host.save_paths.push_back(QFile::encodeName(saved).toStdString());
    window->ActionFor(kCommandSaveTape)->trigger();
    QFile copy(saved), original(path);
    QVERIFY(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());

    for (int command : {kCommandFastTapeLoading, kCommandFastForwardLoading}) {
      window->ActionFor(command)->trigger();
      window->ActionFor(command)->trigger();
    }
    QVERIFY(machine.fast_load && machine.fast_forward_loading);
    window->ActionFor(kCommandFastTapeLoading)->trigger();
    window->ActionFor(kCommandFastForwardLoading)->trigger();
    QVERIFY(!machine.fast_load && !machine.fast_forward_loading);
    QCOMPARE(Checked(window, {kCommandFastTapeLoading, kCommandFastForwardLoading}), QStringList());
  }

  // `vantro --rom FILE`: a whole image replaces the ROM and restarts the
  // processor; a file of another size is a fatal message, the ROM untouched.
  void RomImageFromTheCommandLineReplacesTheRom() {
    Machine& machine = program->records().machine;
    const std::vector<std::uint8_t> built_in(machine.memory.begin(), machine.memory.begin() + 16384);
    QTemporaryDir folder;
    const std::string short_rom = QFile::encodeName(folder.filePath("short.rom")).toStdString();
    const std::string rom = QFile::encodeName(folder.filePath("edited.rom")).toStdString();
    QFile(QString::fromStdString(short_rom)).open(QIODevice::WriteOnly);
    {
      QFile file(QString::fromStdString(rom));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(16384, '\x76'));  // HALT everywhere
    }
    QVERIFY(!program->UseRomImage(short_rom));
    QCOMPARE(host.messages.size(), std::size_t{1});
    QCOMPARE(host.messages[0].second, short_rom + ": a ROM image has 16384 bytes, this one 0");
    QVERIFY(std::equal(built_in.begin(), built_in.end(), machine.memory.begin()));
    program->RunFrame();
    QVERIFY(program->UseRomImage(rom));
    QCOMPARE(program->records().cpu.pc, std::uint16_t{0});
    QVERIFY(std::all_of(machine.memory.begin(), machine.memory.begin() + 16384,
                        [](std::uint8_t b) { return b == 0x76; }));
  }

  void HardwareRulesWithResets() {
    VantroRecords& records = program->records();
    struct Case {
      int command;
      QStringList checked;  // of 19-24 afterwards
      bool resets;
      const char* what;
    };
    const Case cases[] = {
        {21, {"21"}, false, "Kempston again changes nothing"},
        {22, {"22"}, false, "plain joystick change"},
        {19, {"19", "21"}, true, "Sweet Talker brings Kempston"},
        {23, {"23"}, true, "joystick change drops the Sweet Talker"},
        {20, {"20"}, true, "Currah excludes every joystick"},
        {19, {"19", "21"}, true, "Sweet Talker drops the Currah"},
        {19, {"21"}, true, "Sweet Talker off"},
        {20, {"20"}, true, "Currah on"},
        {20, {}, true, "Currah off leaves no joystick"},
        {24, {"24"}, true, "choosing one afterwards resets"},
    };
    for (const Case& c : cases) {
      records.cpu.pc = 0x1234;
      records.cpu.sp = 0x8000;
      window->ActionFor(c.command)->trigger();
      QVERIFY2(Checked(window, {19, 20, 21, 22, 23, 24}) == c.checked, c.what);
      QVERIFY2((records.cpu.pc == 0 && records.cpu.sp == 0xF000) == c.resets, c.what);
    }
  }

  // Each command lands on a processor waiting in HALT at 7000h with
  // interrupts on; the next interrupt must return to the command's address,
  // not one byte past it.
  void ResetAndBreakCommandsEndAHaltWait() {
    CpuState& cpu = program->records().cpu;
    Machine& machine = program->records().machine;
    struct Case { int command; std::uint16_t pc; const char* what; };
    const Case cases[] = {{kCommandSoftReset, 0x11B7, "Soft reset"},
                          {kCommandForceBreak, 0x12A2, "Force BREAK"}};
    for (const Case& c : cases) {
      machine.memory[0x7000] = 0x76;  // HALT
      cpu.pc = 0x7000;
      cpu.sp = 0x8000;
      cpu.iff = 4;
      cpu.im = 1;
      cpu.a = 0x42;
      Step(cpu, machine);
      QVERIFY2(cpu.halted, c.what);
      window->ActionFor(c.command)->trigger();
      QVERIFY2(cpu.pc == c.pc && cpu.a == 0x42, c.what);
      AcceptInterrupt(cpu, machine);
      QVERIFY2(PopWord(cpu, machine) == c.pc, c.what);
    }
    window->ActionFor(kCommandHardReset)->trigger();
    QCOMPARE(cpu.pc, 0);
    QCOMPARE(cpu.a, 0);
  }

  void HelpTopicsShowsInfoAndEmulationContinues() {
    window->ActionFor(kCommandHelpTopics)->trigger();
    QCOMPARE(host.messages.size(), std::size_t{1});
    QCOMPARE(host.messages[0].first, std::string("Info"));
    QCOMPARE(host.messages[0].second, std::string("MenuItem: 33 is not currently installed."));
    program->RunFrame();  // the loop goes on: a frame ends and is shown
    QVERIFY(!window->picture()->image().isNull());
  }

  void AboutShowsNineLinesTwiceAndFreezesTheMachine() {
    const QStringList lines = {
        "",
        "      =====================",
        "       Vantro version 0.60",
        "      =====================",
        "",
        "  Sinclair ZX Spectrum Emulator",
        "",
    };
    for (int round = 0; round < 2; ++round) {
      CpuState& cpu = program->records().cpu;
      const std::uint16_t pc_before = cpu.pc;
      const std::int32_t frame_before = program->records().machine.frame_tstates;
      bool checked = false;
      CloseModalSoon([&](QWidget* modal) {
        auto* about = dynamic_cast<AboutWindow*>(modal);
        QVERIFY(about != nullptr);
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->pos(), QPoint(280, 100));
        QCOMPARE(about->size(), QSize(210, 170));
        QListWidget* list = about->list();
        QCOMPARE(list->count(), 9);
        for (int i = 0; i < lines.size(); ++i) QCOMPARE(list->item(i)->text(), lines[i]);
        QVERIFY(list->item(7)->text().startsWith("  "));
        QVERIFY(list->item(8)->text().startsWith("  "));
        QCOMPARE(about->ok_button()->text(), QStringLiteral("Ok"));
        QCOMPARE(about->ok_button()->geometry(), QRect(70, 140, 70, 25));
        // The loop is inside the About window's own event loop: no passes.
        QCOMPARE(program->records().cpu.pc, pc_before);
        QCOMPARE(program->records().machine.frame_tstates, frame_before);
        checked = true;
      });
      window->ActionFor(kCommandAbout)->trigger();
      QVERIFY(checked);
    }
  }

  void DebuggerOpensFromTheMenuAndWhenABreakpointFires() {
    QString title;
    CloseModalSoon([&](QWidget* modal) { title = modal->windowTitle(); });
    window->ActionFor(kCommandDebugger)->trigger();
    QCOMPARE(title, QStringLiteral("Vantro - Debugger"));

    // The ROM's interrupt routine at 0038h is reached at the first frame
    // interrupt after the ROM has set IM 1 and enabled interrupts.
    VantroRecords& records = program->records();
    window->ActionFor(kCommandNoLimit)->trigger();
    records.breakpoint = Breakpoint{};
    records.breakpoint.kind = 34;
    records.breakpoint.value = 0x0038;
    records.breakpoint.armed = true;
    title.clear();
    std::uint16_t pc_seen = 0;
    CloseModalSoon([&](QWidget* modal) {
      title = modal->windowTitle();
      pc_seen = program->records().cpu.pc;
    });
    for (int frame = 0; frame < 200 && title.isEmpty(); ++frame) program->RunFrame();
    QCOMPARE(title, QStringLiteral("Vantro - Debugger"));
    QCOMPARE(pc_seen, 0x0038);
    QVERIFY(!records.breakpoint.armed);
  }

  // A menu command reaches the loop as a queued event: it must land between
  // two instructions of the running program, not between the frame
  // interrupt's acceptance and its handler.
  void DebuggerFromTheMenuStopsInsideTheRunningLoop() {
    VantroRecords& records = program->records();
    window->ActionFor(kCommandNoLimit)->trigger();
    // 8000h: EI ; 8001h: INC A ; 8002h: JR 8001h - interrupts on throughout.
    const std::uint8_t loop[] = {0xFB, 0x3C, 0x18, 0xFD};
    std::copy(std::begin(loop), std::end(loop), records.machine.memory.begin() + 0x8000);
    records.cpu.pc = 0x8000;
    records.cpu.im = 1;
    records.cpu.iy = 0x5C3A;
    for (int frame = 0; frame < 3; ++frame) program->RunFrame();
    for (int round = 0; round < 3; ++round) {
      std::uint16_t pc_seen = 0;
      std::uint8_t iff_seen = 0;
      CloseModalSoon([&](QWidget*) {
        pc_seen = records.cpu.pc;
        iff_seen = records.cpu.iff;
      });
      QMetaObject::invokeMethod(window->ActionFor(kCommandDebugger), &QAction::trigger,
                                Qt::QueuedConnection);
      program->RunFrame();
      QVERIFY2(pc_seen >= 0x8001 && pc_seen <= 0x8003,
               qPrintable(QString::number(pc_seen, 16)));
      QVERIFY(iff_seen != 0);
    }
  }

  void ToolCommandsOpenTheirWindowsModally() {
    struct Case {
      int command;
      const char* title;
    };
    const Case cases[] = {
        {kCommandCharsetEditor, "Character Set Editor"},
        {kCommandDisassembleToFile, "Disassemble"},
        {kCommandDisassembleToWindow, "Disassemble"},
        {kCommandHexDump, "Hex Dump"},
        {kCommandPeek, "Vantro - Peek"},
        {kCommandPoke, "Vantro - Poke"},
    };
    for (const Case& c : cases) {
      QString title;
      CloseModalSoon([&](QWidget* modal) {
        title = modal->windowTitle();
        // The range dialog, Peek and Poke have no close box; their own
        // buttons end them.
        if (auto* range = dynamic_cast<AddressRangeDialog*>(modal)) range->cancel_button()->click();
        if (auto* tool = dynamic_cast<ByteToolDialog*>(modal)) tool->done_button()->click();
      });
      window->ActionFor(c.command)->trigger();
      QCOMPARE(title, QString::fromLatin1(c.title));
    }
    QVERIFY(host.messages.empty());
  }

  void AboutOkButtonCloses() {
    AboutWindow about;
    QTimer::singleShot(20, [&] { QTest::mouseClick(about.ok_button(), Qt::LeftButton); });
    QCOMPARE(about.exec(), int{QDialog::Accepted});
  }

  void HeldKeysFollowPressAndReleaseIgnoringRepeats() {
    Machine& machine = program->records().machine;
    auto send = [&](QEvent::Type type, int key, bool repeat) {
      QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
      QApplication::sendEvent(window, &event);
    };
    send(QEvent::KeyPress, Qt::Key_Q, false);
    send(QEvent::KeyPress, Qt::Key_Shift, false);
    QCOMPARE(machine.host_keys, HostKeyBit(HostKey::Q) | HostKeyBit(HostKey::LeftShift));
    send(QEvent::KeyRelease, Qt::Key_Q, true);  // a repeat's release is no release
    QVERIFY(machine.host_keys & HostKeyBit(HostKey::Q));
    send(QEvent::KeyRelease, Qt::Key_Q, false);
    QCOMPARE(machine.host_keys, HostKeyBit(HostKey::LeftShift));
    send(QEvent::KeyPress, Qt::Key_F1, false);  // reaches nothing
    QCOMPARE(machine.host_keys, HostKeyBit(HostKey::LeftShift));
    // Q pressed and released before the frame ends: the frame after it
    // still sees Q (row 2, bit 0), the one after that no more.
    program->RunFrame();
    send(QEvent::KeyPress, Qt::Key_Q, false);
    send(QEvent::KeyRelease, Qt::Key_Q, false);
    program->RunFrame();
    QCOMPARE(int{machine.key_rows[2]}, 1);
    program->RunFrame();
    QCOMPARE(int{machine.key_rows[2]}, 0);

    QFocusEvent focus_out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(window, &focus_out);
    QCOMPARE(machine.host_keys, std::uint64_t{0});
  }

  void EscapeInTheMainWindowEndsTheLoop() {
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(program->records().machine.quit_requested);
    program->Run();  // returns at once
  }

  void EscapeInAnotherWindowDoesNotEndTheLoop() {
    QTimer::singleShot(50, [] {
      QWidget* about = QApplication::activeModalWidget();
      QVERIFY(about != nullptr);
      QTest::keyClick(about, Qt::Key_Escape);  // closes the About window
    });
    window->ActionFor(kCommandAbout)->trigger();
    QVERIFY(!program->records().machine.quit_requested);
  }

  void ExitAndCloseBoxEndTheLoop() {
    window->ActionFor(kCommandExit)->trigger();
    QVERIFY(program->records().machine.quit_requested);
    StartProgram();
    window->close();
    QVERIFY(program->records().machine.quit_requested);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_qt_test.moc"
