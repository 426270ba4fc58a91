// Recordings as tapes: CSW (RLE and Z-RLE), PZX and decoded WAVE samples
// play the pulses they hold, at the level each says, with no rounding
// building up; damaged files are refused with the reason and change nothing.
#include <gtest/gtest.h>

#include <functional>

#include "snapshots/csw.h"
#include "snapshots/pzx.h"
#include "snapshots/wave_tape.h"
#include "tape_fixtures.h"

namespace {

using Reader = std::function<bool(const Bytes&, TapeImage&, std::string&)>;

// Each step's length and the level during it, from insertion to the end.
std::vector<std::pair<std::uint64_t, bool>> PlayOut(const TapeImage& image) {
  TapeSignal tape;
  InsertTapeSignal(tape, image, 0);
  KeepTapeMoving(tape, 0);  // a loader reads it
  std::vector<std::pair<std::uint64_t, bool>> steps;
  for (std::uint64_t begun = 0; tape.playing;) {
    const std::uint64_t end = tape.step_end;
    steps.emplace_back(end - begun, tape.level);
    begun = end;
    KeepTapeMoving(tape, end);
    AdvanceTape(tape, end);
    if (!tape.playing && tape.block < tape.image->blocks.size()) {  // past a stop
      SetTapePlaying(tape, true, end);
      KeepTapeMoving(tape, end);
    }
  }
  return steps;
}

Reader Wave(std::uint32_t rate, std::vector<std::int16_t> samples) {
  return [=](const Bytes&, TapeImage& image, std::string& reason) {
    return ReadWaveTape(PcmSound{rate, samples}, image, reason);
  };
}

Bytes Words(std::initializer_list<std::uint32_t> words, int size = 2) {
  Bytes bytes;
  for (std::uint32_t word : words) AppendWord(bytes, word, size);
  return bytes;
}

TEST(RecordingTest, RecordingsPlayTheirPulsesAtTheirLevels) {
  constexpr bool H = true, L = false;
  const struct {
    const char* name;
    Bytes file;
    Reader read;
    std::vector<std::pair<std::uint64_t, bool>> steps;
  } cases[] = {
      // 100 T a sample; 300 samples take the long form (0, 32 bits).
      {"CSW 1", CswFile(1, {300, 30000}, 35000), ReadCsw, {{300, H}, {30000, L}}},
      // 13, 12 and 13 samples at 44,100 Hz: each pulse ends where its
      // samples end, so the lengths differ and the sum does not drift.
      {"CSW 2, Z-RLE", CswFile(2, {1000, 1000, 1000}, 44100, true), ReadCsw, {{1031, H}, {953, L}, {1031, H}}},
      {"PZX",
       Joined({PzxBlock("PZXT", {1, 0, 'T', 0}), PzxBlock("BRWS", {'b'}),
               // Three pulses of 500, one of 74,565 (two words, a count
               // first), one of none (the next keeps the level), 700.
               PzxBlock("PULS", Words({0x8003, 500, 0x8001, 0x8001, 0x2345, 0, 700})),
               // Bits 1, 0, first pulse low: a 1 is 400 then a pulse of
               // none, a 0 is 300; a tail of 250.
               PzxBlock("DATA", Joined({Words({2, 0}), Words({250}), {1, 2}, Words({300, 400, 0}), {0x80}})),
               PzxBlock("PAUS", Words({1000, 0x8000})), PzxBlock("STOP", {0, 0}), PzxBlock("mine", {1}),
               PzxBlock("PULS", Words({600}))}),
       ReadPzx,
       {{500, L}, {500, H}, {500, L}, {74565, H}, {700, H}, {400, L}, {300, L}, {250, H}, {1000, H}, {600, L}}},
      // The middle is the mean; within an eighth of the swing of it the
      // level stays (the 500).
      {"WAVE samples", {}, Wave(35000, {-9000, -9000, 9000, 9000, 9000, 500, -9000, -9000, 9000}),
       {{200, L}, {400, H}, {200, L}, {100, H}}},
  };
  for (const auto& c : cases) {
    TapeImage image;
    std::string reason;
    ASSERT_TRUE(c.read(c.file, image, reason)) << c.name << ": " << reason;
    EXPECT_EQ(PlayOut(image), c.steps) << c.name;
  }
}

TEST(RecordingTest, DamagedRecordingsAreRefusedWithTheReasonAndChangeNothing) {
  Bytes csw1 = CswFile(1, {100}, 44100), csw2 = CswFile(2, {100, 200, 300}, 44100, true);
  auto with = [](Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  auto cut = [](Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
  };
  Bytes runs;
  for (int k = 0; k < 520; ++k) AppendWord(runs, 0xFFFF0000u | 1000, 4);  // 32,767 pulses of 1000 each
  const Bytes head = PzxBlock("PZXT", {1, 0});
  const struct {
    const char* name;
    Bytes file;
    Reader read;
    std::string reason;
  } cases[] = {
      {"no CSW signature", {'C', 'S', 'W'}, ReadCsw, "not a CSW recording"},
      {"CSW version cut", cut(csw1, 23), ReadCsw, "cut off before its version"},
      {"CSW version 3", with(csw1, 23, 3), ReadCsw, "CSW version 3.01 is not supported (1.x and 2.x are)"},
      {"CSW 1 header cut", cut(csw1, 30), ReadCsw, "the CSW header is cut off"},
      {"CSW 1 with Z-RLE", with(csw1, 0x1B, 2), ReadCsw, "compression type 2 is not known (1 is)"},
      {"CSW 2 compression 3", with(csw2, 0x21, 3), ReadCsw, "compression type 3 is not known (1 and 2 are)"},
      {"CSW 2 extension cut", with(csw2, 0x23, 200), ReadCsw, "extension is cut off"},
      {"CSW rate 0", with(with(csw1, 0x19, 0), 0x1A, 0), ReadCsw, "its sample rate is 0"},
      {"CSW long pulse cut", Joined({csw1, {0, 1, 2}}), ReadCsw, "cut off inside a pulse length"},
      {"Z-RLE cut", cut(csw2, csw2.size() - 3), ReadCsw, "its compressed data is cut off"},
      {"Z-RLE damaged", with(csw2, 0x34, 0x00), ReadCsw, "its compressed data is damaged"},
      {"no PZX signature", {'P', 'Z', 'X'}, ReadPzx, "not a PZX tape"},
      {"PZX version 2", PzxBlock("PZXT", {2, 1}), ReadPzx, "PZX version 2.1 is not supported (1.x is)"},
      {"PZX version cut", PzxBlock("PZXT", {1}), ReadPzx, "block 1 (PZXT): its version is cut off"},
      {"block head cut", Joined({head, {'P', 'U', 'L'}}), ReadPzx, "block 2 is cut off by the end of the file"},
      {"block past the end", cut(Joined({head, PzxBlock("PULS", Words({100, 200}))}), 20), ReadPzx,
       "block 2 (PULS) is cut off by the end of the file"},
      {"pulse cut", Joined({head, PzxBlock("PULS", {0x01, 0x80, 0x01})}), ReadPzx,
       "block 2 (PULS): a pulse is cut off by the end of the block"},
      {"data header cut", Joined({head, PzxBlock("DATA", {1, 0, 0})}), ReadPzx,
       "block 2 (DATA): its header is cut off"},
      {"data bits past the block", Joined({head, PzxBlock("DATA", {17, 0, 0, 0, 0, 0, 0, 0, 1, 2})}), ReadPzx,
       "block 2 (DATA): its 17 bits run past the end of the block"},
      {"pause cut", Joined({head, PzxBlock("PAUS", {1, 2})}), ReadPzx, "block 2 (PAUS): its length is cut off"},
      {"too many pulses", Joined({head, PzxBlock("PULS", runs)}), ReadPzx, "the recording is too long"},
      {"WAVE rate 0", {}, Wave(0, {1, 2}), "its sample rate is 0"},
      {"WAVE without samples", {}, Wave(44100, {}), "it holds no sound"},
  };
  for (const auto& c : cases) {
    TapeImage image;
    image.blocks.resize(1);
    std::string reason;
    EXPECT_FALSE(c.read(c.file, image, reason)) << c.name;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
    EXPECT_EQ(image.blocks.size(), 1u) << c.name << ": a refused file changed the image";
  }
}

}  // namespace
