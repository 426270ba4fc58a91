// The frame schedule on a clock the test drives: due times, falling behind
// and restarting, speed changes, "No Limit" and back, the Sweet Talker's
// hold, and the rate the Speed items ask for.
#include "emulator/frame_schedule.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "emulator/emulation_loop.h"
#include "machine/machine.h"

namespace {

constexpr std::int64_t kMs = kNsPerMs;

struct FakeClock : MonotonicClock {
  std::int64_t now = 0;
  std::vector<std::int64_t> waited_until;
  std::int64_t NowNs() override { return now; }
  void WaitUntil(std::int64_t due_ns) override {
    waited_until.push_back(due_ns);
    if (due_ns > now) now = due_ns;
  }
};

}  // namespace

TEST(FrameSchedule, DueTimesRestartsSpeedChangesAndHolds) {
  struct Step {
    int rate;
    std::int64_t now;
    std::int64_t held;  // a hold just before this frame end
    std::int64_t due;
    const char* what;
  };
  const Step steps[] = {
      {50, 1000 * kMs, 0, 1000 * kMs, "the first frame end starts the schedule: no wait"},
      {50, 1005 * kMs, 0, 1020 * kMs, "frame 1 is due 20 ms after the start"},
      {50, 1021 * kMs, 0, 1040 * kMs, "frame 2 at 40 ms, whenever frame 1 really began"},
      {50, 1070 * kMs, 0, 1060 * kMs, "a frame behind: no wait, the schedule stays"},
      {50, 1081 * kMs, 0, 1080 * kMs, "caught up by the next frame"},
      {50, 1200 * kMs, 0, 1200 * kMs, "over four frames behind: restart from now"},
      {50, 1201 * kMs, 0, 1220 * kMs, "the restarted schedule runs from 1200"},
      {12, 1225 * kMs, 0, 1225 * kMs, "a speed change restarts"},
      {12, 1226 * kMs, 0, 1225 * kMs + 1000 * kMs / 12, "1 s / 12, not rounded to ms"},
      {0, 1320 * kMs, 0, 1320 * kMs, "No Limit: no wait"},
      {0, 1321 * kMs, 0, 1321 * kMs, "No Limit: no wait"},
      {12, 1322 * kMs, 0, 1322 * kMs, "back from No Limit restarts"},
      {12, 1500 * kMs, 100 * kMs, 1322 * kMs + 1000 * kMs / 12 + 100 * kMs,
       "a 100 ms hold moves the schedule instead of being caught up"},
  };
  FrameSchedule schedule;
  for (const Step& s : steps) {
    ShiftSchedule(schedule, s.held);
    EXPECT_EQ(NextFrameDue(schedule, s.rate, s.now), s.due) << s.what;
  }

  // Paced frames on the clock, 1 ms of emulation each: frame n begins
  // exactly n x 20 ms after frame 0, so 50 frames fit the first second and
  // 500 ten seconds, with no drift and no spinning (one wait per frame).
  FakeClock clock;
  schedule = FrameSchedule{};
  std::vector<std::int64_t> begins;
  for (int frame = 0; frame <= 500; ++frame) {
    clock.now += kMs;
    PaceFrame(schedule, 50, clock);
    begins.push_back(clock.now);
  }
  EXPECT_EQ(begins[50] - begins[0], kNsPerSecond);
  EXPECT_EQ(begins[500] - begins[0], 10 * kNsPerSecond);
  EXPECT_EQ(clock.waited_until.size(), 501u);
}

TEST(FrameSchedule, SpeedItemsAskForWholeFrameRatesAndNoLimitForNone) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  EXPECT_EQ(WantedFrameRate(*machine), 50) << "start-up is 100%";
  const struct { int multiplier, rate; } speeds[] = {{1, 12}, {2, 25}, {4, 50}, {8, 100}};
  for (const auto& speed : speeds) {
    ChooseNoLimit(*machine);
    EXPECT_EQ(WantedFrameRate(*machine), 0);
    ChooseSpeed(*machine, speed.multiplier);
    EXPECT_EQ(WantedFrameRate(*machine), speed.rate) << "multiplier " << speed.multiplier;
  }
}

TEST(FrameSchedule, ATapeRunsUnpacedWhileALoaderRunsAndFastForwardIsOn) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  ChooseSpeed(*machine, 2);
  TapeImage image;
  image.bytes = {0x00, 0x01, 0x02};
  image.blocks.push_back(StandardBlock(0, 3, 0x00));
  InsertTapeSignal(machine->tape_signal, image, 0);
  EXPECT_EQ(WantedFrameRate(*machine), 25) << "without a loader the tape waits at the chosen speed";
  KeepTapeMoving(machine->tape_signal, 10);
  EXPECT_EQ(WantedFrameRate(*machine), 0) << "a loader runs the signal";
  TapeFrameEnd(machine->tape_signal, 3'500'020);
  EXPECT_EQ(WantedFrameRate(*machine), 25) << "a second after the loader the tape stops";
  KeepTapeMoving(machine->tape_signal, 3'500'020);
  machine->fast_forward_loading = false;
  EXPECT_EQ(WantedFrameRate(*machine), 25) << "Fast-Forward While Loading off";
  machine->fast_forward_loading = true;
  SetTapePlaying(machine->tape_signal, false, 20);
  EXPECT_EQ(WantedFrameRate(*machine), 25) << "the tape stopped";
}
