// Start-up, loop and shutdown of Vantro; see program_qt.h.
#include "emulator/program_qt.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <new>

#include "cpu/z80.h"
#include "emulator/command_line.h"
#include "platform/fonts.h"
#include "platform/qt_application.h"
#include "platform/qt_host.h"
#include "platform/sdl_gamepads.h"
#include "platform/sdl_sound.h"
#include "platform/sdl_wave.h"
#include "snapshots/rzx.h"

namespace {
constexpr int kRealTimeFrames = 50;  // target_frames of "100%"
// While paused, pads are still looked at this often (their news in the title).
constexpr int kPausedPollMs = 50;
}  // namespace

VantroProgram::VantroProgram(Host* host) {
  if (host == nullptr) {
    own_host_ = std::make_unique<QtHost>();
    host_ = own_host_.get();
  } else {
    host_ = host;
  }
  // The frame wait's alarm: whole milliseconds, not rounded to coarser
  // steps as Qt's default timers may be.
  frame_timer_.setSingleShot(true);
  frame_timer_.setTimerType(Qt::PreciseTimer);
}

VantroProgram::~VantroProgram() {
  // The Sweet Talker must not outlive the machine pointing at it, nor the
  // sound player the Sweet Talker; the window goes before the records it shows.
  if (records_) records_->machine.sweet_talker = nullptr;
  window_.reset();
}

void VantroProgram::Fatal(const char* text) { host_->ShowMessage(kFatalTitle, text); }

bool VantroProgram::Start() {
  // The allophone slots and durations come first, so the sound output can
  // be opened on them.
  try {
    allophones_ = std::make_unique<AllophoneSet>();
  } catch (const std::bad_alloc&) {
    Fatal(kCantAllocate);
    return false;
  }

  // Graphics, keyboard and mouse come with the Qt application; without a
  // screen there is nothing to show the machine on. Sound: a machine without
  // an audio device speaks silently rather than refusing to start.
  if (QGuiApplication::primaryScreen() == nullptr) {
    Fatal(kCantInitialise);
    return false;
  }
  sound_ = SdlSoundPlayer::Open(*allophones_);
  gamepads_ = SdlGamepads::Open();

  // Memory: the machine with its trace buffer, and the pictures; the ROM is
  // copied in and every field takes its start value.
  try {
    records_ = std::make_unique<VantroRecords>();
    rewind_ = std::make_unique<RewindStore>();
  } catch (const std::bad_alloc&) {
    Fatal(kCantAllocate);
    return false;
  }
  VantroRecords& records = *records_;
  InitMachine(records.machine);
  // The beeper is made at the rate the device plays.
  ResetBeeper(records.machine.beeper, sound_ ? sound_->rate() : kDefaultBeeperRate);

  text_font_ = ConsolasFont(8);
  bold_font_ = ConsolasFont(8, true);
  title_font_ = ConsolasFont(12, true);

  window_ = std::make_unique<MainWindow>(records, *host_, block_asker_, clock_);
  window_->show();
  if (window_->windowHandle() == nullptr) {
    window_.reset();
    Fatal(kCantOpenWindow);
    return false;
  }
  if (own_host_) own_host_->set_parent(window_.get());
  block_asker_.set_parent(window_.get());

  // Allophones: a damaged built-in set leaves the recordings empty; the
  // durations still pace the speech.
  LoadBuiltInAllophones(*allophones_);
  SoundPlayer& player = sound_ ? static_cast<SoundPlayer&>(*sound_) : silence_;
  sweet_talker_ = std::make_unique<SweetTalker>(*allophones_, player, hold_clock_);
  records.machine.sweet_talker = sweet_talker_.get();
  records.machine.wave_decoder = DecodeWaveWithSdl;

  LoadPalette(records.renderer, VideoOutput::colour);
  ResetCpu(records.cpu);

  loop_ = std::make_unique<EmulationLoop>(EmulationLoop{records.cpu, records.machine,
                                                        records.breakpoint, records.renderer,
                                                        clock_, *this, records.hex_mode});
  window_->setFocus();
  return true;
}

void VantroProgram::RunFrame() {
  // Rewind's first point is the machine as the first frame begins, after
  // the ROM image and the file of the command line.
  if (rewind_->count == 0) StartRewind(*rewind_, records_->cpu, records_->machine);
  // A frame end handles the events itself (BetweenFrames); a pass that
  // stopped for the debugger has not, and has no frame to pace.
  if (RunUntilFrameEnd(*loop_) & kPassFrameEnded) {
    AfterFrame();
  } else {
    HandleEvents();
  }
}

void VantroProgram::AfterFrame() {
  VantroRecords& records = *records_;
  window_->ShowRecordingNews();
  RewindFramesEnded(*rewind_, frames_, records.cpu, records.machine);
  for (int presses = window_->TakeRewindPresses(); presses > 0; presses = window_->TakeRewindPresses()) {
    while (presses-- > 0) RewindStep(*rewind_, records.cpu, records.machine);
    frames_ = rewind_->frame;
    // The moment gone back to shows at once, paused or not; the sound goes
    // on from it with the next frame.
    RenderFrame(records.renderer, records.machine, clock_.NowMs());
    window_->Present();
    if (window_->paused()) WaitWhilePaused();
  }
}

void VantroProgram::BetweenFrames() {
  HandleEvents();
  ReadGamepads();
  if (window_->paused()) WaitWhilePaused();
  const int rate = WantedFrameRate(records_->machine);
  WaitForFrame(NextFrameDue(schedule_, rate, steady_.NowNs()));
  // Last, after every event of the wait: the frame's interrupt comes next.
  window_->StartPendingRecording();
}

void VantroProgram::WaitForFrame(std::int64_t due_ns) {
  while (!records_->machine.quit_requested) {
    const std::int64_t left = due_ns - steady_.NowNs();
    if (left <= 0) return;
    if (left < kNsPerMs) {
      steady_.WaitUntil(due_ns);
      return;
    }
    // Any event ends the wait early; it is handled, and the rest of the
    // time waited for again.
    frame_timer_.start(static_cast<int>(left / kNsPerMs));
    HandleEvents(QEventLoop::WaitForMoreEvents);
  }
}

void VantroProgram::ReadGamepads() {
  if (!gamepads_) return;
  for (const std::string& name : gamepads_->Poll(records_->machine.pad_lines)) window_->ShowPadConnected(name);
}

void VantroProgram::WaitWhilePaused() {
  // The sound device stops where it is and later plays on from there; the
  // frame schedule, left far behind, starts again from the time of leaving.
  if (sound_) sound_->SetPaused(true);
  while (window_->paused() && !window_->rewind_pressed() && !records_->machine.quit_requested) {
    frame_timer_.start(kPausedPollMs);
    HandleEvents(QEventLoop::WaitForMoreEvents);
    ReadGamepads();
  }
  if (sound_) sound_->SetPaused(false);
}

std::int64_t VantroProgram::HoldClock::NowNs() { return program_.steady_.NowNs(); }

void VantroProgram::HoldClock::WaitUntil(std::int64_t due_ns) {
  constexpr std::int64_t kEventStepNs = 20 * kNsPerMs;
  SteadyClock& steady = program_.steady_;
  const std::int64_t start = steady.NowNs();
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const std::int64_t now = steady.NowNs();
    if (now >= due_ns) break;
    steady.WaitUntil(std::min(due_ns, now + kEventStepNs));
  }
  ShiftSchedule(program_.schedule_, steady.NowNs() - start);
}

void VantroProgram::HandleEvents(QEventLoop::ProcessEventsFlags flags) {
  QCoreApplication::processEvents(flags);
  // Without exec() Qt never reaches the point where objects released with
  // deleteLater (closed menus' helpers, finished dialogs) are freed.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void VantroProgram::OpenCommandLineFile(const std::string& path) {
  if (!path.empty()) window_->OpenPath(path);
}

bool VantroProgram::UseRomImage(const std::string& path) {
  if (path.empty()) return true;
  std::optional<std::string> problem = LoadRomImage(records_->machine, records_->cpu, path);
  if (!problem) return true;
  // Checked before start-up, so only a file changed since can fail here.
  std::fprintf(stderr, "vantro: %s\n", problem->c_str());
  Fatal(problem->c_str());
  return false;
}

void VantroProgram::Run() {
  while (!records_->machine.quit_requested) RunFrame();
}

void VantroProgram::Present() {
  ++frames_;
  // The beeper sounds only at "100%": at other speeds its pitch and length
  // would be wrong, and the output buffer would run dry or over.
  const Machine& machine = records_->machine;
  if (sound_ && machine.beeper.sound_on && WantedFrameRate(machine) == kRealTimeFrames) {
    sound_->QueueBeeper(machine.beeper.block.data(), machine.beeper.block_size);
  }
  window_->Present();
}

void VantroProgram::OpenDebugger() { window_->OpenDebugger(); }

void VantroProgram::Shutdown() {
  Machine& machine = records_->machine;
  if (machine.trace_on && !FlushTrace(machine, loop_->trace_path)) {
    machine.trace_write_failed = false;
    host_->ShowMessage(kTraceWriteTitle, kTraceWriteFailed);
  }
  // A recording still being made is written as "Stop Recording" would.
  ShowProblem(*host_, StopInputRecording(machine));
}

int RunVantro(int argc, char** argv) {
  if (AnswerInformationOption(argc, argv, "vantro", VantroHelpText())) return 0;
  std::unique_ptr<QApplication> application =
      StartQtApplication(argc, argv, kFatalTitle, kCantInitialise);
  // Qt has taken its own options out of the list. A bad option or ROM image
  // is told before any window opens.
  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments().mid(1)) {
    args.push_back(QFile::encodeName(arg).toStdString());
  }
  std::string error;
  std::optional<VantroArguments> arguments = ParseVantroArguments(args, error);
  if (arguments && !arguments->rom.empty()) {
    if (std::optional<std::string> problem = RomImageProblem(arguments->rom)) {
      error = *problem;
      arguments.reset();
    }
  }
  if (!arguments) {
    std::fprintf(stderr, "vantro: %s\n", error.c_str());
    return kStartFailedExitCode;
  }
  VantroProgram program;
  if (!program.Start()) return kStartFailedExitCode;
  if (!program.UseRomImage(arguments->rom)) return kStartFailedExitCode;
  program.OpenCommandLineFile(arguments->file);
  program.Run();
  // Nothing is saved and nothing is asked; only the trace is not dropped.
  program.Shutdown();
  return 0;
}
