// The Sweet Talker: which allophone an OUT starts and how long it holds the
// program, measured on a clock the test drives.
#include "machine/speech.h"

#include <gtest/gtest.h>

#include <vector>

#include "machine/port_bus.h"

namespace {

// A clock the test drives: the wait jumps straight to its end and is
// recorded, so a hold shows as one wait of exactly its duration.
class FakeClock final : public MonotonicClock {
 public:
  explicit FakeClock(std::int64_t start_ms) : now_(start_ms * kMs) {}
  std::int64_t NowNs() override { return now_; }
  void WaitUntil(std::int64_t due_ns) override {
    waits.push_back(due_ns - now_);
    if (due_ns > now_) now_ = due_ns;
  }
  std::uint32_t NowMs() const { return static_cast<std::uint32_t>(now_ / kMs); }
  std::vector<std::int64_t> waits;
  static constexpr std::int64_t kMs = 1'000'000;

 private:
  std::int64_t now_;
};

struct Started {
  int allophone;
  std::uint32_t at;
};

class RecordingPlayer final : public SoundPlayer {
 public:
  explicit RecordingPlayer(const FakeClock& clock) : clock_(clock) {}
  void Play(int allophone) override { started.push_back({allophone, clock_.NowMs()}); }
  std::vector<Started> started;

 private:
  const FakeClock& clock_;
};

struct Rig {
  explicit Rig(std::uint32_t start = 1000) : clock(start), player(clock), talker(set, player, clock) {}
  AllophoneSet set;
  FakeClock clock;
  RecordingPlayer player;
  SweetTalker talker;
  // The milliseconds one write holds the program, all in one wait.
  std::uint32_t Hold(std::uint8_t byte) {
    clock.waits.clear();
    talker.Write(byte);
    EXPECT_EQ(clock.waits.size(), 1u) << "a hold is one wait on the clock, not a spin";
    return clock.waits.empty() ? 0 : static_cast<std::uint32_t>(clock.waits[0] / FakeClock::kMs);
  }
};

}  // namespace

TEST(SweetTalker, PausesPlayNothingAndHoldForTheirDurations) {
  const std::uint32_t expected[] = {10, 30, 50, 100, 200};
  for (std::uint8_t n = 0; n <= 4; ++n) {
    Rig rig;
    EXPECT_EQ(expected[n], rig.Hold(n)) << "pause " << int{n};
    EXPECT_TRUE(rig.player.started.empty()) << "pause " << int{n} << " played a sound";
  }
}

TEST(SweetTalker, TopTwoBitsAreIgnored) {
  const struct { std::uint8_t byte; int allophone; std::uint32_t ms; } rows[] = {
      {0x45, 5, 420}, {0x05, 5, 420}, {0x85, 5, 420}, {0xC5, 5, 420},
      {0x3F, 63, 50}, {0xFF, 63, 50}, {0x1B, 27, 130}, {0x40, -1, 10}, {0xC4, -1, 200}};
  for (const auto& row : rows) {
    Rig rig;
    EXPECT_EQ(row.ms, rig.Hold(row.byte)) << "byte " << int{row.byte};
    if (row.allophone < 0) {
      EXPECT_TRUE(rig.player.started.empty()) << "byte " << int{row.byte};
    } else {
      ASSERT_EQ(1u, rig.player.started.size()) << "byte " << int{row.byte};
      EXPECT_EQ(row.allophone, rig.player.started[0].allophone) << "byte " << int{row.byte};
    }
  }
}

TEST(SweetTalker, SoundStartsBeforeTheHoldNotAfterIt) {
  Rig rig;
  rig.Hold(0x45);
  ASSERT_EQ(1u, rig.player.started.size());
  EXPECT_EQ(1000u, rig.player.started[0].at);
}

TEST(SweetTalker, AllophonesInARowEachStartAndEachHold) {
  Rig rig;
  std::uint32_t total = 0;
  for (std::uint8_t n : {27, 9, 0, 63}) total += rig.Hold(n);
  EXPECT_EQ(130u + 210u + 10u + 50u, total);
  ASSERT_EQ(3u, rig.player.started.size());
  EXPECT_EQ(27, rig.player.started[0].allophone);
  EXPECT_EQ(9, rig.player.started[1].allophone);
  EXPECT_EQ(63, rig.player.started[2].allophone);
  // Allophone 9 starts right after 27's 130 ms, while 27's recording may
  // still sound: nothing here stops it.
  EXPECT_EQ(130u, rig.player.started[1].at - rig.player.started[0].at);
}

TEST(SweetTalker, OnlyOddPortsWithBitsThreeToSevenClearReachItWhileFitted) {
  const struct { std::uint8_t low; bool fitted; bool heard; } rows[] = {
      {0x01, true, true}, {0x03, true, true}, {0x05, true, true}, {0x07, true, true},
      {0x09, true, false}, {0x1F, true, false}, {0x00, true, false}, {0x01, false, false}};
  for (const auto& row : rows) {
    Rig rig;
    Machine machine;
    machine.sweet_talker = &rig.talker;
    machine.sweet_talker_on = row.fitted;
    PortWrite(machine, row.low, 0x00, 0x45, 0);
    EXPECT_EQ(row.heard ? 1u : 0u, rig.player.started.size())
        << "port " << int{row.low} << (row.fitted ? " fitted" : " not fitted");
  }
}
