// The Sweet Talker: which allophone an OUT starts and how long it holds the
// program, measured on a clock the test drives.
#include "machine/speech.h"

#include <gtest/gtest.h>

#include <vector>

#include "cpu/cpu_state.h"
#include "machine/port_bus.h"

namespace {

// Every look at the clock costs one millisecond, as a busy-wait would.
class FakeClock final : public MillisecondClock {
 public:
  explicit FakeClock(std::uint32_t start) : now_(start) {}
  std::uint32_t NowMs() override { return now_++; }
  // The tick the last look returned.
  std::uint32_t last() const { return now_ - 1; }

 private:
  std::uint32_t now_;
};

struct Started {
  int allophone;
  std::uint32_t at;
};

class RecordingPlayer final : public SoundPlayer {
 public:
  explicit RecordingPlayer(const FakeClock& clock) : clock_(clock) {}
  void Play(int allophone) override { started.push_back({allophone, clock_.last()}); }
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
  // Milliseconds between the first and the last look at the clock.
  std::uint32_t Hold(std::uint8_t byte) {
    const std::uint32_t before = clock.last() + 1;
    talker.Write(byte);
    return clock.last() - before;
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

TEST(SweetTalker, HoldSurvivesTheTickWrappingAround) {
  Rig rig(0xFFFFFF00u);  // 256 ms before the wrap
  EXPECT_EQ(420u, rig.Hold(0x05));
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
  // Allophone 9 starts right after 27's 130 ms (plus the one tick this clock
  // charges for the next look), while 27's recording may still sound:
  // nothing here stops it.
  EXPECT_EQ(131u, rig.player.started[1].at - rig.player.started[0].at);
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
    CpuState cpu;
    cpu.io_data = 0x45;
    PortWrite(machine, cpu, row.low, 0x00);
    EXPECT_EQ(row.heard ? 1u : 0u, rig.player.started.size())
        << "port " << int{row.low} << (row.fitted ? " fitted" : " not fitted");
  }
}
