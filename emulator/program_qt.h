// Vantro from start to end: start-up in its fixed order (platform, sound,
// memory, fonts, main window and menu, pictures, allophones, initial values,
// palette and hard reset), the emulation loop on the user-interface thread,
// and shutdown. main() runs RunVantro; tests build a VantroProgram with a
// scripted Host and drive it frame by frame.
#pragma once
#include <QFont>
#include <memory>

#include "emulator/emulation_loop.h"
#include "emulator/main_window.h"
#include "emulator/vantro_records.h"
#include "machine/allophones.h"
#include "machine/speech.h"
#include "snapshots/block_dialog.h"
#include "tools/host.h"

class QtHost;
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
  // Runs frames until quit_requested.
  void Run();
  // One turn of the loop: passes until a frame ends (or the machine must
  // stop), then the window events gathered meanwhile. Menu commands
  // therefore always run between two instructions, once per frame at the
  // latest; at "No Limit" nothing else slows the passes down.
  void RunFrame();

  void Present() override;
  void OpenDebugger() override;

  VantroRecords& records() { return *records_; }
  const AllophoneSet& allophones() const { return *allophones_; }
  MainWindow* window() { return window_.get(); }
  MillisecondClock& clock() { return clock_; }
  bool has_sound() const { return sound_ != nullptr; }
  SdlSoundPlayer* sound() { return sound_.get(); }

 private:
  void Fatal(const char* text);

  std::unique_ptr<QtHost> own_host_;
  Host* host_;
  SteadyMillisecondClock clock_;
  std::unique_ptr<AllophoneSet> allophones_;
  std::unique_ptr<SdlSoundPlayer> sound_;
  std::unique_ptr<VantroRecords> records_;
  SilentSoundPlayer silence_;
  std::unique_ptr<SweetTalker> sweet_talker_;
  QtBlockAsker block_asker_;
  QFont text_font_, bold_font_, title_font_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<EmulationLoop> loop_;
};

// The program: Qt application, VantroProgram, exit code 0 whatever happened.
int RunVantro(int argc, char** argv);
