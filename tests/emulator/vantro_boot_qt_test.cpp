// End to end on the offscreen platform: the real program starts, the ROM
// boots in the emulation loop, a BASIC command is typed through key events
// on the main window, and its output is read back from the picture.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QtTest>
#include <memory>
#include <string>

#include "debugger/trace_file.h"
#include "debugger/traced_step.h"

#include "emulator/main_window.h"
#include "emulator/program_qt.h"
#include "support/fake_host.h"
#include "platform/picture_view.h"

namespace {
constexpr std::uint16_t kRomFont = 0x3D00;  // character 32 first, 8 rows each
}

class VantroBootTest : public QObject {
  Q_OBJECT

 private:
  FakeHost host;
  std::unique_ptr<VantroProgram> program;

  void Frames(int count) {
    for (int i = 0; i < count; ++i) program->RunFrame();
  }

  // The ROM reads the keyboard once per frame interrupt and wants a key
  // released for a few frames before the next one counts.
  void Type(Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(program->window(), &press);
    Frames(4);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(program->window(), &release);
    Frames(8);
  }

  // Whether character cell (row, column) of the display shows `character`
  // of the ROM font in black ink on white paper.
  bool CellShows(int row, int column, char character) {
    VantroRecords& records = program->records();
    const std::uint32_t ink = records.renderer.palette.pixel[0];
    const std::uint32_t paper = records.renderer.palette.pixel[7];
    for (int y = 0; y < 8; ++y) {
      const std::uint8_t glyph_row =
          records.machine.memory[kRomFont + (character - 32) * 8 + y];
      for (int x = 0; x < 8; ++x) {
        const int px = kScreenLeft + column * 8 + x;
        const int py = kScreenTop + row * 8 + y;
        const std::uint32_t want = (glyph_row & (0x80 >> x)) ? ink : paper;
        if (records.renderer.frame_picture[py * kFrameWidth + px] != want) return false;
      }
    }
    return true;
  }

 private slots:
  void initTestCase() { qputenv("SDL_AUDIODRIVER", "dummy"); }

  void RomBootsAndPrintsATypedNumber() {
    program = std::make_unique<VantroProgram>(&host);
    QVERIFY(program->Start());
    program->window()->ActionFor(kCommandNoLimit)->trigger();

    // The ROM's memory test and start-up take about a second and a half of
    // emulated time; its copyright line then sits on the bottom row.
    Frames(150);
    QVERIFY2(CellShows(23, 0, '\x7F'), "the boot message's (c) sign is missing");
    QVERIFY2(!CellShows(0, 0, '7'), "top-left already shows a 7");
    // The README's picture of the start-up screen is taken here, on request.
    const QString shot = qEnvironmentVariable("VANTRO_SCREENSHOT");
    if (!shot.isEmpty()) {
      QCoreApplication::processEvents();
      QVERIFY(program->window()->grab().save(shot));
    }

    // In K mode the P key enters PRINT; then 7 and ENTER.
    Type(Qt::Key_P);
    Type(Qt::Key_7);
    Type(Qt::Key_Return);
    Frames(10);

    QVERIFY2(CellShows(0, 0, '7'), "PRINT 7 did not show 7 in the top-left cell");
    QVERIFY(host.messages.empty());
    // What the window paints is exactly the renderer's picture.
    const QImage& shown = program->window()->picture()->image();
    QCOMPARE(shown.size(), QSize(kFrameWidth, kFrameHeight));
    QCOMPARE(shown.pixel(kScreenLeft + 1, kScreenTop + 1),
             QRgb(program->records().renderer.frame_picture[(kScreenTop + 1) * kFrameWidth +
                                                            kScreenLeft + 1]));
  }

  // Force BREAK chosen from the menu while the ROM waits for a key: the
  // command runs between two of the ROM's instructions, so its interrupts
  // stay on and the keyboard still reaches the editor.
  void ForceBreakFromTheMenuKeepsTheRomTyping() {
    program = std::make_unique<VantroProgram>(&host);
    QVERIFY(program->Start());
    program->window()->ActionFor(kCommandNoLimit)->trigger();
    Frames(150);
    QMetaObject::invokeMethod(program->window()->ActionFor(kCommandForceBreak), &QAction::trigger,
                              Qt::QueuedConnection);
    Frames(1);
    QCOMPARE(program->records().cpu.im, 1);
    Frames(20);
    Type(Qt::Key_P);
    bool shown = false;
    for (int row = 0; row < 24 && !shown; ++row) {
      shown = CellShows(row, 0, 'P') && CellShows(row, 1, 'R') && CellShows(row, 2, 'I') &&
              CellShows(row, 3, 'N') && CellShows(row, 4, 'T');
    }
    QVERIFY2(shown, "P after Force BREAK did not give PRINT");
  }

  // Ending Vantro appends the trace still being collected as a flush would;
  // a debug.lst that cannot be written is told, not dropped in silence.
  void TraceStillCollectingAtExitIsAppendedOrItsFailureTold() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previous = QDir::currentPath();
    for (const bool writable : {true, false}) {
      const QString place = folder.filePath(writable ? "writable" : "blocked");
      QVERIFY(QDir().mkpath(place));
      QVERIFY(QDir::setCurrent(place));
      // A folder in its place cannot be opened as the trace file.
      if (!writable) QVERIFY(QDir().mkdir(QStringLiteral("debug.lst")));
      FakeHost exit_host;
      VantroProgram vantro(&exit_host);
      QVERIFY(vantro.Start());
      VantroRecords& records = vantro.records();
      const ClockTime moment{10, 20, 30, 4, 5, 2026};
      StartTrace(records.machine, moment);
      TraceTexts trace_texts;
      TracedStep(records.cpu, records.machine, false, trace_texts);
      AppendTraceLine(records.machine, trace_texts, records.cpu);
      const TraceLine line = ComposeTraceLine(trace_texts, records.cpu);
      vantro.Shutdown();
      QDir::setCurrent(previous);

      if (writable) {
        QFile file(place + "/debug.lst");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string expected =
            TraceBlockHeader(moment) + std::string(line.begin(), line.end()) + "\r\n";
        QCOMPARE(file.readAll().toStdString(), expected);
        QVERIFY(exit_host.messages.empty());
      } else {
        QCOMPARE(exit_host.messages.size(), std::size_t{1});
        QCOMPARE(exit_host.messages[0].first, std::string(kTraceWriteTitle));
        QCOMPARE(exit_host.messages[0].second, std::string(kTraceWriteFailed));
      }
    }
  }
};

QTEST_MAIN(VantroBootTest)
#include "vantro_boot_qt_test.moc"
