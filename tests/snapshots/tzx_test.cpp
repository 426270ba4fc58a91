// TZX images: every block kind is read and played; damaged and cut-off
// files of every kind are refused with the block named; a kind that is not
// played stops the tape with its id.
#include "snapshots/tzx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tape_fixtures.h"

namespace {

Bytes Body(std::initializer_list<std::uint8_t> bytes) { return Bytes(bytes); }

// One valid block of each kind read, with its id.
struct KindCase {
  const char* name;
  Bytes block;
};

std::vector<KindCase> EveryKind() {
  const Bytes tap = TapBlock(0xFF, {1, 2, 3});
  Bytes pulses{3};
  for (std::uint32_t length : {500u, 600u, 700u}) AppendWord(pulses, length);
  // Length 6: one string, title (id 0) "ABC".
  const Bytes archive_body{0x06, 0x00, 0x01, 0x00, 0x03, 'A', 'B', 'C'};
  Bytes custom{'P', 'O', 'K', 'E', 'S', ' ', ' ', ' ', ' ', ' '};
  AppendWord(custom, 2, 4);
  custom.insert(custom.end(), {7, 8});
  return {
      {"standard data", TzxStandardBlock(tap)},
      {"turbo data", TzxTurboBlock(tap, {1000, 300, 300, 400, 800, 500})},
      {"pure tone", TzxBlock(0x12, Body({0x10, 0x02, 0x20, 0x00}))},
      {"pulse sequence", TzxBlock(0x13, pulses)},
      {"pure data", TzxBlock(0x14, Body({0x57, 0x03, 0xAE, 0x06, 0x05, 0x00, 0x00, 0x02, 0x00, 0x00, 0xAA, 0xF0}))},
      {"direct recording", TzxBlock(0x15, Body({0x4F, 0x00, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0xC3, 0xE0}))},
      {"pause", TzxBlock(0x20, Body({0x0A, 0x00}))},
      {"group", Joined({TzxBlock(0x21, Body({0x02, 'G', '1'})), TzxBlock(0x22, {})})},
      {"loop", Joined({TzxBlock(0x24, Body({0x03, 0x00})), TzxBlock(0x12, Body({0x10, 0x02, 0x04, 0x00})),
                       TzxBlock(0x25, {})})},
      {"stop in 48K mode", TzxBlock(0x2A, Body({0, 0, 0, 0}))},
      {"signal level", TzxBlock(0x2B, Body({1, 0, 0, 0, 1}))},
      {"text", TzxBlock(0x30, Body({0x03, 'a', 'b', 'c'}))},
      {"message", TzxBlock(0x31, Body({0x05, 0x02, 'h', 'i'}))},
      {"archive info", TzxBlock(0x32, archive_body)},
      {"hardware type", TzxBlock(0x33, Body({0x01, 0x00, 0x01, 0x00}))},
      {"custom info", TzxBlock(0x35, custom)},
      {"glue", TzxBlock(0x5A, Body({'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 13}))},
      {"stop", TzxBlock(0x20, Body({0x00, 0x00}))},
      {"not played (generalised data)", TzxBlock(0x19, Body({0x02, 0x00, 0x00, 0x00, 0xAB, 0xCD}))},
      {"not played (jump)", TzxBlock(0x23, Body({0x01, 0x00}))},
  };
}

TEST(TzxTest, EveryBlockKindReadsAndEveryCutOfItIsRefused) {
  for (const KindCase& kind : EveryKind()) {
    const Bytes file = Joined({TzxHeader(), kind.block});
    TapeImage image;
    std::string reason;
    ASSERT_TRUE(ReadTzx(file, image, reason)) << kind.name << ": " << reason;
    for (std::size_t cut = 11; cut < file.size(); ++cut) {
      // A cut between the group's start and end leaves a whole file.
      const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      TapeImage refused;
      refused.blocks.push_back(SignalBlock{});
      std::string why;
      const bool read = ReadTzx(part, refused, why);
      if (read) {
        EXPECT_EQ(std::string(kind.name), "group")
            << kind.name << " cut to " << cut << " bytes was read";
        continue;
      }
      EXPECT_NE(why.find("block "), std::string::npos) << kind.name << " cut to " << cut << ": " << why;
      EXPECT_EQ(refused.blocks.size(), 1u) << kind.name << ": a refused file changed the image";
    }
  }
}

TEST(TzxTest, DamagedFilesAreRefusedWithTheReason) {
  const Bytes tap = TapBlock(0xFF, {1, 2, 3});
  Bytes bad_bits = TzxTurboBlock(tap, kStandardTimings);
  bad_bits[1 + 0x0C] = 9;
  const Bytes header = TzxHeader();
  Bytes bad_archive{0x06, 0x00, 0x01, 0x00, 0x09, 'A', 'B', 'C'};
  const struct {
    const char* name;
    Bytes file;
    const char* reason;
  } cases[] = {
      {"empty", {}, "ZXTape!"},
      {"no signature", Joined({Bytes{'Z', 'X', 'T', 'a', 'p', 'e', '?', 0x1A, 1, 20}}), "ZXTape!"},
      {"header cut", Bytes(header.begin(), header.begin() + 9), "version"},
      {"version 2", TzxHeader(2, 0), "version 2.00"},
      {"version 1.21", TzxHeader(1, 21), "version 1.21"},
      {"nine bits", Joined({TzxHeader(), bad_bits}), "9 bits"},
      {"loop end alone", Joined({TzxHeader(), TzxBlock(0x25, {})}), "never started"},
      {"loop in loop", Joined({TzxHeader(), TzxBlock(0x24, Body({2, 0})), TzxBlock(0x24, Body({2, 0})),
                               TzxBlock(0x25, {}), TzxBlock(0x25, {})}), "inside the loop"},
      {"loop never ends", Joined({TzxHeader(), TzxBlock(0x24, Body({2, 0}))}), "never ends"},
      {"level missing", Joined({TzxHeader(), TzxBlock(0x2B, Body({0, 0, 0, 0}))}), "level"},
      {"archive string too long", Joined({TzxHeader(), TzxBlock(0x32, bad_archive)}), "archive info string 1"},
      {"unknown kind too long", Joined({TzxHeader(), TzxBlock(0x4B, Body({0xFF, 0xFF, 0xFF, 0x7F, 1}))}),
       "block 1 (4Bh) is cut off"},
  };
  for (const auto& c : cases) {
    TapeImage image;
    std::string reason;
    EXPECT_FALSE(ReadTzx(c.file, image, reason)) << c.name;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
  }
}

// Plays the image out to a loader reading the EAR bit; returns the
// T-state of every edge.
std::vector<std::uint64_t> Edges(TapeSignal& tape, std::uint64_t limit) {
  std::vector<std::uint64_t> edges;
  KeepTapeMoving(tape, 0);
  bool level = tape.level;
  for (std::uint64_t now = 0; now < limit && tape.playing; now += 10) {
    KeepTapeMoving(tape, now);
    if (TapeEarLevel(tape, now) != level) {
      level = !level;
      edges.push_back(now);
    }
  }
  return edges;
}

TEST(TzxTest, BlocksPlayTheirPulsesLoopsAndStops) {
  Bytes pulses{2};
  AppendWord(pulses, 300);
  AppendWord(pulses, 500);
  const Bytes file = Joined({
      TzxHeader(),
      TzxBlock(0x2B, Body({1, 0, 0, 0, 0})),                 // level low
      TzxBlock(0x24, Body({0x02, 0x00})),                    // twice:
      TzxBlock(0x12, Body({0xC8, 0x00, 0x03, 0x00})),       //   3 pulses of 200
      TzxBlock(0x25, {}),
      TzxBlock(0x13, pulses),                                // 300, 500
      TzxBlock(0x15, Body({0x64, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x90})),  // 1001: 100 T samples
      TzxBlock(0x20, Body({0x00, 0x00})),                    // stop
      TzxBlock(0x19, Body({0x00, 0x00, 0x00, 0x00})),        // not played
  });
  TapeImage image;
  std::string reason;
  ASSERT_TRUE(ReadTzx(file, image, reason)) << reason;
  TapeSignal tape;
  InsertTapeSignal(tape, image, 0);
  ASSERT_TRUE(tape.playing);

  const std::vector<std::uint64_t> edges = Edges(tape, 100000);
  // The first tone pulse began with the loader (T-state 0); then an edge at
  // every pulse: five more of the tone played twice, the sequence, and the
  // samples 1, 0, 0, 1 (no edge between the two zeros).
  const std::vector<std::uint64_t> expected{200, 400, 600, 800, 1000, 1200, 1500, 2000, 2100, 2300};
  EXPECT_EQ(edges, expected);
  EXPECT_FALSE(tape.playing) << "pause 0 stops the tape";
  EXPECT_FALSE(tape.stopped_unplayed);

  SetTapePlaying(tape, true, 200000);
  KeepTapeMoving(tape, 200000);
  EXPECT_FALSE(tape.playing);
  EXPECT_TRUE(tape.stopped_unplayed);
  EXPECT_EQ(tape.unplayed_id, 0x19);
}

}  // namespace
