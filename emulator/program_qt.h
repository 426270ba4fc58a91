// Vantro from start to end: start-up in its fixed order (platform, sound,
// memory, fonts, main window and menu, pictures, allophones, initial values,
// palette and hard reset), the emulation loop on the user-interface thread,
// and shutdown. main() runs RunVantro; tests build a VantroProgram with a
// scripted Host and drive it frame by frame.
#pragma once
#include <QEventLoop>
#include <QFont>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "emulator/emulation_loop.h"
#include "emulator/frame_schedule.h"
#include "emulator/main_window.h"
#include "emulator/rewind.h"
#include "emulator/vantro_records.h"
#include "machine/allophones.h"
#include "machine/speech.h"
#include "snapshots/block_dialog.h"
#include "tools/host.h"

class QtHost;
class SdlGamepads;
class SdlSoundPlayer;

inline constexpr char kFatalTitle[] = "Fatal Error";
inline constexpr char kCantInitialise[] = "Can't initialise system";
inline constexpr char kCantAllocate[] = "Can't allocate memory!";
inline constexpr char kCantOpenWindow[] = "Can't open a main window!";

class VantroProgram final : public LoopHooks {
 public:
  // Without a host of its own the program shows real message boxes and file
  // dialogs; tests pass a scripted one.
  explicit VantroProgram(Host* host = nullptr);
  ~VantroProgram() override;

  // Start-up; false when a fatal message was shown and the program must end.
  bool Start();
  // `vantro --rom FILE`: after start-up the image replaces the ROM; false,
  // after a fatal message, when it cannot. An empty path keeps the ROM.
  bool UseRomImage(const std::string& path);
  // `vantro FILE`: after start-up the file opens as "Open" would open it.
  void OpenCommandLineFile(const std::string& path);
  // Runs frames until quit_requested.
  void Run();
  // The end of a started program: trace text still being collected is
  // appended to "debug.lst" as a flush would, and a failed write is told.
  void Shutdown();
  // One turn of the loop: passes until a frame ends (or the machine must
  // stop). The window events gathered meanwhile are handled at the frame
  // end before the interrupt is offered, so menu commands always run
  // between two instructions of the program, once per frame at the latest;
  // at "No Limit" nothing else slows the passes down.
  void RunFrame();

  void Present() override;
  // Host events, then the wait for the frame's due time at the chosen speed,
  // with events handled as they come during it.
  void BetweenFrames() override;
  void OpenDebugger() override;

  VantroRecords& records() { return *records_; }
  const AllophoneSet& allophones() const { return *allophones_; }
  MainWindow* window() { return window_.get(); }
  MillisecondClock& clock() { return clock_; }
  bool has_sound() const { return sound_ != nullptr; }
  SdlSoundPlayer* sound() { return sound_.get(); }
  SdlGamepads* gamepads() { return gamepads_.get(); }

 private:
  // The Sweet Talker's hold in the window: sleeps in steps of at most 20 ms
  // with the window system's other events (painting, the window manager's
  // pings, the close box) handled between, and moves the frame schedule by
  // the time held. Keys and menu commands wait for the frame end, so they
  // still land between two instructions, never inside the OUT.
  class HoldClock final : public MonotonicClock {
   public:
    explicit HoldClock(VantroProgram& program) : program_(program) {}
    std::int64_t NowNs() override;
    void WaitUntil(std::int64_t due_ns) override;

   private:
    VantroProgram& program_;
  };

  void Fatal(const char* text);
  void HandleEvents(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
  // Sleeps in the window system's wait for events until due_ns, woken by a
  // precise timer; the last fraction of a millisecond is the host's sleep.
  void WaitForFrame(std::int64_t due_ns);
  // The game pads' state into the machine, and the news of one plugged in.
  void ReadGamepads();
  // "Pause": the machine stands between two frames, silent, until Pause is
  // chosen again (or the program ends); events and pads are served.
  void WaitWhilePaused();
  // After a pass that ended a frame: a point a second for "Rewind", and the
  // presses of it served, each going one second back.
  void AfterFrame();

  std::unique_ptr<QtHost> own_host_;
  Host* host_;
  SteadyMillisecondClock clock_;
  SteadyClock steady_;
  FrameSchedule schedule_;
  HoldClock hold_clock_{*this};
  QTimer frame_timer_;
  std::unique_ptr<AllophoneSet> allophones_;
  std::unique_ptr<SdlSoundPlayer> sound_;
  std::unique_ptr<SdlGamepads> gamepads_;
  std::unique_ptr<VantroRecords> records_;
  std::unique_ptr<RewindStore> rewind_;
  std::int64_t frames_ = 0;  // frames shown, as the rewind store counts them
  SilentSoundPlayer silence_;
  std::unique_ptr<SweetTalker> sweet_talker_;
  QtBlockAsker block_asker_;
  QFont text_font_, bold_font_, title_font_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<EmulationLoop> loop_;
};

// The program: Qt application, VantroProgram; exit code 0 after a run, 1
// after a fatal start-up message (or, without a display, the start-up
// failure on standard error).
int RunVantro(int argc, char** argv);
