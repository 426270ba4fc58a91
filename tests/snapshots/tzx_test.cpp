// TZX images: every block kind of 1.20 is read and played, blocks without a
// signal (and kinds of later revisions) are passed over; damaged and cut-off
// files of every kind are refused with the block named.
#include "snapshots/tzx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tape_fixtures.h"

namespace {

Bytes Body(std::initializer_list<std::uint8_t> bytes) { return Bytes(bytes); }

// Valid blocks of each kind, one or more (a file cut between two of them
// is whole).
struct KindCase {
  KindCase(const char* kind, Bytes block) : name(kind), blocks{std::move(block)} {}
  KindCase(const char* kind, std::vector<Bytes> several) : name(kind), blocks(std::move(several)) {}
  const char* name;
  std::vector<Bytes> blocks;
};

std::vector<KindCase> EveryKind() {
  const Bytes tap = TapBlock(0xFF, {1, 2, 3});
  Bytes pulses{3};
  for (std::uint32_t length : {500u, 600u, 700u}) AppendWord(pulses, length);
  // Length 6: one string, title (id 0) "ABC".
  const Bytes archive_body{0x06, 0x00, 0x01, 0x00, 0x03, 'A', 'B', 'C'};
  Bytes custom{'P', 'O', 'K', 'E', 'S', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  AppendWord(custom, 2, 4);
  custom.insert(custom.end(), {7, 8});
  const Bytes tone = TzxBlock(0x12, Body({0x10, 0x02, 0x04, 0x00}));
  return {
      {"standard data", TzxStandardBlock(tap)},
      {"turbo data", TzxTurboBlock(tap, {1000, 300, 300, 400, 800, 500})},
      {"pure tone", TzxBlock(0x12, Body({0x10, 0x02, 0x20, 0x00}))},
      {"pulse sequence", TzxBlock(0x13, pulses)},
      {"pure data", TzxBlock(0x14, Body({0x57, 0x03, 0xAE, 0x06, 0x05, 0x00, 0x00, 0x02, 0x00, 0x00, 0xAA, 0xF0}))},
      {"direct recording", TzxBlock(0x15, Body({0x4F, 0x00, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0xC3, 0xE0}))},
      {"pause", TzxBlock(0x20, Body({0x0A, 0x00}))},
      {"CSW recording", TzxCswBlock({100, 200, 70000}, 44100, false)},
      {"CSW recording, Z-RLE", TzxCswBlock({100, 200, 70000}, 22050, true)},
      {"generalised data", TzxGeneralisedBlock(tap)},
      {"group", {TzxBlock(0x21, Body({0x02, 'G', '1'})), TzxBlock(0x22, {})}},
      {"jump", {TzxBlock(0x23, Body({0x02, 0x00})), tone, tone}},
      {"loop", {TzxBlock(0x24, Body({0x03, 0x00})), tone, TzxBlock(0x25, {})}},
      {"call", {TzxBlock(0x26, Body({0x02, 0x00, 0x02, 0x00, 0x02, 0x00})), tone, tone, TzxBlock(0x27, {})}},
      {"select", TzxBlock(0x28, Body({0x05, 0x00, 0x01, 0x01, 0x00, 0x01, 'A'}))},
      {"stop in 48K mode", TzxBlock(0x2A, Body({0, 0, 0, 0}))},
      {"signal level", TzxBlock(0x2B, Body({1, 0, 0, 0, 1}))},
      {"text", TzxBlock(0x30, Body({0x03, 'a', 'b', 'c'}))},
      {"message", TzxBlock(0x31, Body({0x05, 0x02, 'h', 'i'}))},
      {"archive info", TzxBlock(0x32, archive_body)},
      {"hardware type", TzxBlock(0x33, Body({0x01, 0x00, 0x01, 0x00}))},
      {"emulation info", TzxBlock(0x34, Body({0, 0, 0, 0, 0, 0, 0, 0}))},
      {"custom info", TzxBlock(0x35, custom)},
      {"snapshot", TzxBlock(0x40, Body({0, 2, 0, 0, 1, 2}))},
      {"a kind of a later revision", TzxBlock(0x4B, Body({0x02, 0x00, 0x00, 0x00, 1, 2}))},
      {"glue", TzxBlock(0x5A, Body({'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 13}))},
      {"stop", TzxBlock(0x20, Body({0x00, 0x00}))},
  };
}

TEST(TzxTest, EveryBlockKindReadsAndEveryCutOfItIsRefused) {
  for (const KindCase& kind : EveryKind()) {
    Bytes file = TzxHeader();
    std::vector<std::size_t> ends;
    for (const Bytes& block : kind.blocks) {
      file = Joined({file, block});
      ends.push_back(file.size());
    }
    TapeImage image;
    std::string reason;
    ASSERT_TRUE(ReadTzx(file, image, reason)) << kind.name << ": " << reason;
    for (std::size_t cut = 11; cut < file.size(); ++cut) {
      const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      TapeImage refused;
      refused.blocks.push_back(SignalBlock{});
      std::string why;
      const bool read = ReadTzx(part, refused, why);
      if (read) {
        EXPECT_NE(std::find(ends.begin(), ends.end(), cut), ends.end())
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
  Bytes bad_csw = TzxCswBlock({100, 200}, 44100, false);
  bad_csw[1 + 9] = 3;
  Bytes damaged_zrle = TzxCswBlock({100, 200, 300, 400}, 44100, true);
  damaged_zrle[1 + 14] ^= 0xFF;  // zlib's header
  Bytes bad_symbol = TzxGeneralisedBlock(tap);
  bad_symbol[1 + 0x12 + 10] = 2;  // the first pilot run names symbol 2 of 2
  const struct {
    const char* name;
    Bytes file;
    const char* reason;
  } cases[] = {
      {"empty", {}, "ZXTape!"},
      {"no signature", Joined({Bytes{'Z', 'X', 'T', 'a', 'p', 'e', '?', 0x1A, 1, 20}}), "ZXTape!"},
      {"header cut", Bytes(header.begin(), header.begin() + 9), "version"},
      {"version 2", TzxHeader(2, 0), "version 2.00"},
      {"version 0.99", TzxHeader(0, 99), "version 0.99 is not supported (1.x is)"},
      {"nine bits", Joined({TzxHeader(), bad_bits}), "9 bits"},
      {"loop end alone", Joined({TzxHeader(), TzxBlock(0x25, {})}), "never started"},
      {"loop in loop", Joined({TzxHeader(), TzxBlock(0x24, Body({2, 0})), TzxBlock(0x24, Body({2, 0})),
                               TzxBlock(0x25, {}), TzxBlock(0x25, {})}), "inside the loop"},
      {"loop never ends", Joined({TzxHeader(), TzxBlock(0x24, Body({2, 0}))}), "never ends"},
      {"level missing", Joined({TzxHeader(), TzxBlock(0x2B, Body({0, 0, 0, 0}))}), "level"},
      {"archive string too long", Joined({TzxHeader(), TzxBlock(0x32, bad_archive)}), "archive info string 1"},
      {"unknown kind too long", Joined({TzxHeader(), TzxBlock(0x4B, Body({0xFF, 0xFF, 0xFF, 0x7F, 1}))}),
       "block 1 (4Bh) is cut off"},
      {"CSW compression 3", Joined({TzxHeader(), bad_csw}), "block 1 (18h): compression type 3 is not known"},
      {"Z-RLE damaged", Joined({TzxHeader(), damaged_zrle}), "block 1 (18h): its compressed data is damaged"},
      {"symbol not in its table", Joined({TzxHeader(), bad_symbol}), "block 1 (19h): pilot symbol 2 is not"},
      {"jump to itself", Joined({TzxHeader(), TzxBlock(0x23, Body({0, 0}))}), "block 1 (23h): it jumps to itself"},
      {"jump off the tape", Joined({TzxHeader(), TzxBlock(0x30, Body({0})), TzxBlock(0x23, Body({0xFE, 0xFF}))}),
       "block 2 (23h) goes to block 0, which the tape does not have"},
      {"call off the tape", Joined({TzxHeader(), TzxBlock(0x26, Body({1, 0, 3, 0}))}),
       "block 1 (26h) goes to block 4, which"},
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

TEST(TzxTest, BlocksPlayTheirPulsesLoopsJumpsCallsAndStops) {
  Bytes pulses{2};
  AppendWord(pulses, 300);
  AppendWord(pulses, 500);
  const Bytes file = Joined({
      TzxHeader(1, 21),
      TzxBlock(0x2B, Body({1, 0, 0, 0, 0})),                 // level low
      TzxBlock(0x24, Body({0x02, 0x00})),                    // twice:
      TzxBlock(0x12, Body({0xC8, 0x00, 0x03, 0x00})),       //   3 pulses of 200
      TzxBlock(0x25, {}),
      TzxBlock(0x13, pulses),                                // 300, 500
      TzxBlock(0x15, Body({0x64, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x90})),  // 1001: 100 T samples
      TzxBlock(0x30, Body({0x01, 'x'})),                     // no signal
      TzxCswBlock({200, 300}, 35000, false),                 // 2 and 3 samples of 100 T
      TzxBlock(0x4B, Body({0x01, 0x00, 0x00, 0x00, 0x00})),  // a later kind: passed over
      TzxBlock(0x23, Body({0x02, 0x00})),                    // jump over
      TzxBlock(0x12, Body({0xE7, 0x03, 0x03, 0x00})),       //   3 pulses of 999
      TzxBlock(0x26, Body({0x02, 0x00, 0x02, 0x00, 0x02, 0x00})),  // the pulse of 150 twice
      TzxBlock(0x23, Body({0x03, 0x00})),                    // then on past it
      TzxBlock(0x13, Body({0x01, 0x96, 0x00})),
      TzxBlock(0x27, {}),
      // 19h: a pilot symbol of one pulse of 250, twice; no data.
      TzxBlock(0x19, Body({20, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0xFA, 0x00, 0, 2, 0})),
      TzxBlock(0x20, Body({0x00, 0x00})),                    // stop
      TzxBlock(0x12, Body({0xC8, 0x00, 0x03, 0x00})),
  });
  TapeImage image;
  std::string reason;
  ASSERT_TRUE(ReadTzx(file, image, reason)) << reason;
  TapeSignal tape;
  InsertTapeSignal(tape, image, 0);
  ASSERT_TRUE(tape.playing);

  const std::vector<std::uint64_t> edges = Edges(tape, 100000);
  // The first tone pulse began with the loader (T-state 0); then an edge at
  // every pulse: five more of the tone played twice, the sequence, the
  // samples 1, 0, 0, 1 (no edge between the two zeros), the recording, the
  // called pulse twice and the generalised data's two.
  const std::vector<std::uint64_t> expected{200,  400,  600,  800,  1000, 1200, 1500, 2000,
                                            2100, 2300, 2400, 2600, 2900, 3050, 3200, 3450};
  EXPECT_EQ(edges, expected);
  EXPECT_FALSE(tape.playing) << "pause 0 stops the tape";
  SetTapePlaying(tape, true, 200000);
  KeepTapeMoving(tape, 200000);
  EXPECT_TRUE(tape.playing) << "the tape goes on after a stop";
}

}  // namespace
