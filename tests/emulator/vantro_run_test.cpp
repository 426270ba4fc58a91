// vantro-run end to end: boot and LOAD runs judged by the PNG they write,
// the typing notation, the outputs (dump, snapshot, trace, until-pc) and
// the one-line refusals of bad command lines and malformed files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>

#include "data/rom_image.h"
#include "emulator/headless_run.h"
#include "emulator/typed_keys.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "platform/sdl_wave.h"
#include "snapshots/archive_fixtures.h"
#include "snapshots/rzx.h"
#include "snapshots/szx.h"
#include "snapshots/tape_fixtures.h"
#include "support/tone.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  }
};

Picture ReadPng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
  }
  return picture;
}

// The samples of a 16-bit mono PCM WAVE file as --wav writes it (the
// 44-byte header checked field by field); empty when anything differs.
std::vector<std::int16_t> ReadWave(const std::string& path, int& rate) {
  const Bytes bytes = ReadFile(path);
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (bytes.size() < 44 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
      std::string(bytes.begin() + 8, bytes.begin() + 16) != "WAVEfmt " || u32(16) != 16 || u16(20) != 1 ||
      u16(22) != 1 || u32(28) != 2 * u32(24) || u16(32) != 2 || u16(34) != 16 ||
      std::string(bytes.begin() + 36, bytes.begin() + 40) != "data" || u32(40) != bytes.size() - 44 ||
      u32(4) != bytes.size() - 8) {
    return {};
  }
  rate = static_cast<int>(u32(24));
  std::vector<std::int16_t> samples((bytes.size() - 44) / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(u16(44 + 2 * i));
  return samples;
}

// Reads the text off the picture's 256x192 display area: a pixel differing
// from the paper colour (taken at the cell's top-left corner pixel of a
// blank line) is ink; each 8x8 cell is matched against the ROM's font.
std::string PictureText(const Picture& picture) {
  const auto rom = BuiltInRom();
  const std::uint32_t paper = picture.At(32, 24);
  std::string text;
  for (int row = 0; row < 24; ++row) {
    for (int column = 0; column < 32; ++column) {
      char found = '?';
      for (int code = 32; code < 128 && found == '?'; ++code) {
        bool same = true;
        for (int line = 0; line < 8 && same; ++line) {
          std::uint8_t bits = 0;
          for (int x = 0; x < 8; ++x) {
            bool ink = picture.At(32 + column * 8 + x, 24 + row * 8 + line) != paper;
            bits = static_cast<std::uint8_t>(bits << 1 | (ink ? 1 : 0));
          }
          same = bits == rom[0x3D00 + (code - 32) * 8 + line];
        }
        if (same) found = static_cast<char>(code);
      }
      text += found;
    }
    text += '\n';
  }
  return text;
}

struct RunResult {
  int code;
  std::string out, error;
};

RunResult RunVantro(const std::vector<std::string>& args) {
  RunResult result{kRunError, {}, {}};
  auto options = ParseRunOptions(args, result.error);
  if (!options) return result;
  options->wave_decoder = DecodeWaveWithSdl;  // as vantro-run's main does
  std::ostringstream out;
  result.code = RunHeadless(*options, out, result.error);
  result.out = out.str();
  return result;
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes HelloTape() {
  const Bytes program{0x00, 0x0A, 0x09, 0x00, 0xF5, '"', 'H', 'E', 'L', 'L', 'O', '"', 0x0D};
  Bytes tape = TapBlock(0x00, BasicHeader("hello", static_cast<std::uint16_t>(program.size()), 10));
  Bytes data = TapBlock(0xFF, program);
  tape.insert(tape.end(), data.begin(), data.end());
  return tape;
}

// DI; LD A,42; LD (9000h),A; then spin at 0006h.
const Bytes kStoreProgram{0xF3, 0x3E, 0x2A, 0x32, 0x00, 0x90, 0x18, 0xFE};

class VantroRunTest : public ::testing::Test {
 protected:
  TempFolder folder;
};

TEST_F(VantroRunTest, BootScreenshotShowsTheCopyrightLine) {
  const std::string png = folder.File("boot.png");
  RunResult run = RunVantro({"--frames", "150", "--screenshot", png});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  Picture picture = ReadPng(png);
  ASSERT_EQ(picture.width, 320);
  ASSERT_EQ(picture.height, 240);
  EXPECT_EQ(picture.At(0, 0), picture.At(32, 24)) << "border and paper are both white after start-up";
  std::string text = PictureText(picture);
  EXPECT_NE(text.find("\x7F 1982 Sinclair Research Ltd"), std::string::npos) << text;
}

TEST_F(VantroRunTest, TypedLoadRunsAProgramFromATapeThroughTheTrapOrTheSignal) {
  const std::string tap = folder.File("hello.tap");
  WriteFile(tap, HelloTape());
  // The same tape as recordings, which the ROM's loader reads from the
  // signal whether fast loading is on or not, and as a TZX of a later 1.x
  // revision whose blocks carry no signal around one that plays as 19h and
  // one as 18h.
  const Bytes hello = HelloTape();
  const Bytes header(hello.begin(), hello.begin() + 21), data(hello.begin() + 21, hello.end());
  const std::vector<std::uint32_t> pulses = RomPulses(hello);
  Bytes custom(16, ' ');
  AppendWord(custom, 3, 4);
  custom.insert(custom.end(), {1, 2, 3});
  const struct {
    const char* name;
    Bytes bytes;
  } recordings[] = {
      {"v1.csw", CswFile(1, pulses, 44100)},
      {"v2.csw", CswFile(2, pulses, 22050, true)},
      {"hello.pzx", PzxFile(hello)},
      {"u8-mono-44100.wav", WaveFile(pulses, 44100, 8, 1)},
      {"s16-stereo-22050.wav", WaveFile(pulses, 22050, 16, 2)},
      {"later.tzx",
       Joined({TzxHeader(1, 21), TzxBlock(0x35, custom), TzxBlock(0x30, {2, 'h', 'i'}), TzxGeneralisedBlock(header),
               TzxBlock(0x4B, {1, 0, 0, 0, 9}), TzxBlock(0x40, {0, 1, 0, 0, 7}),
               TzxCswBlock(RomPulses(data), 44100, true), TzxBlock(0x5A, {'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20})})},
  };
  for (const auto& recording : recordings) {
    const std::string path = folder.File(recording.name), png = folder.File("recorded.png");
    WriteFile(path, recording.bytes);
    RunResult run = RunVantro({"--load", path, "--type", "J\"\"{ENTER}", "--frames", "600", "--screenshot", png});
    ASSERT_EQ(run.code, kRunOk) << recording.name << ": " << run.error;
    std::string text = PictureText(ReadPng(png));
    EXPECT_NE(text.find("Program: hello"), std::string::npos) << recording.name << text;
    EXPECT_NE(text.find("0 OK, 10:1"), std::string::npos) << recording.name << text;
  }

  // The same blocks as TZX standard speed blocks, loaded by the ROM's own
  // loader from the signal: some 9 emulated seconds.
  const std::string tzx = folder.File("hello.tzx");
  Bytes tzx_bytes = TzxHeader();
  const Bytes tap_bytes = HelloTape();
  for (std::size_t at = 0; at < tap_bytes.size();) {
    const std::size_t length = tap_bytes[at] | tap_bytes[at + 1] << 8;
    const Bytes block = TzxStandardBlock(Bytes(tap_bytes.begin() + at, tap_bytes.begin() + at + 2 + length));
    tzx_bytes.insert(tzx_bytes.end(), block.begin(), block.end());
    at += 2 + length;
  }
  WriteFile(tzx, tzx_bytes);
  const std::string wav = folder.File("hello.wav");
  const struct {
    std::vector<std::string> args;
    bool signal;
  } cases[] = {{{"--load", tap, "--frames", "100"}, false},
               {{"--load", tzx, "--no-fast-load", "--frames", "600", "--wav", wav}, true}};
  for (const auto& c : cases) {
    const std::string png = folder.File("hello.png");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--type", "J\"\"{ENTER}", "--screenshot", png});
    RunResult run = RunVantro(args);
    ASSERT_EQ(run.code, kRunOk) << run.error;
    std::string text = PictureText(ReadPng(png));
    EXPECT_NE(text.find("Program: hello"), std::string::npos) << c.args[1] << text;
    EXPECT_NE(text.find("HELLO"), std::string::npos) << c.args[1] << text;
    EXPECT_NE(text.find("0 OK, 10:1"), std::string::npos) << c.args[1] << text;
    if (!c.signal) continue;
    // The signal the ROM reads is heard: the header's pilot tone, 2,168 T
    // a pulse, is the longest tone of the run.
    int rate = 0;
    const std::vector<std::int16_t> samples = ReadWave(wav, rate);
    const Tone pilot = LongestTone(samples, rate);
    EXPECT_NEAR(pilot.frequency, 3.5e6 / (2 * 2168), 8.0) << "no loading noise";
    EXPECT_GT(pilot.end - pilot.start, 1.5) << "no loading noise";
  }
}

// The tape waits for a loader whatever its first block, and a game's key
// loop between two loads does not play the next block away. The game at
// 8000h waits for a key with interrupts off, has LD-BYTES load its next
// level to 9000h, then HALTs, which ends only if the load enabled
// interrupts again as the ROM's own ending does.
TEST_F(VantroRunTest, TapeWaitsForItsLoaderWhateverItsFirstBlockAndKeyLoopsDoNotStartIt) {
  // A BASIC program in two turbo blocks at timings the ROM still reads,
  // with a short pilot: 1.9 s of tone that used to play before LOAD "".
  const Bytes program{0x00, 0x0A, 0x09, 0x00, 0xF5, '"', 'T', 'U', 'R', 'B', 'O', '"', 0x0D};
  const TurboTimings turbo{2100, 650, 720, 830, 1660, 3223};
  const std::string tzx = folder.File("turbo.tzx");
  WriteFile(tzx, Joined({TzxHeader(),
                         TzxTurboBlock(TapBlock(0x00, BasicHeader("turbo", program.size(), 0x8000)), turbo),
                         TzxTurboBlock(TapBlock(0xFF, program), turbo)}));
  const Bytes game{0xF3,                          // 8000 DI
                   0xAF, 0xDB, 0xFE, 0x2F,        // 8001 XOR A : IN A,(FEh) : CPL
                   0xE6, 0x1F, 0x28, 0xF8,        // 8005 AND 1Fh : JR Z,8001h
                   0xDD, 0x21, 0x00, 0x90,        // 8009 LD IX,9000h
                   0x11, 0x04, 0x00,              // 800D LD DE,4
                   0x3E, 0xFF, 0x37,              // 8010 LD A,FFh : SCF
                   0xCD, 0x56, 0x05,              // 8013 CALL LD-BYTES
                   0x76, 0xC9};                   // 8016 HALT : RET
  const std::string code = folder.File("game.bin");
  WriteFile(code, game);
  const std::string levels = folder.File("levels.tap");
  WriteFile(levels, Joined({TapBlock(0xFF, {1, 2, 3, 4}), TapBlock(0xFF, {5, 6, 7, 8})}));
  const std::vector<std::string> multi_load{
      "--load", levels, "--bin", code + "@32768", "--type", "t{EXTEND}l32768\n{WAIT 300} ",
      "--until-pc", "0x8017", "--frames", "1000", "--dump", "0x9000:4"};
  std::vector<std::string> multi_load_signal = multi_load;
  multi_load_signal.push_back("--no-fast-load");
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string dumped;
  } cases[] = {
      {"turbo first block, LOAD \"\" typed 1.2 s late",
       {"--load", tzx, "--type", "{WAIT 60}j\"\"\n", "--frames", "600", "--dump", "0x5CCB:13"},
       "5CCB: 00 0A 09 00 F5 22 54 55 52 42 4F 22 0D\n"},
      {"key loop before a level, trap", multi_load, "9000: 01 02 03 04\n"},
      {"key loop before a level, signal", multi_load_signal, "9000: 01 02 03 04\n"},
      {"the tape's line of the title, no loader yet",
       {"--load", levels, "--frames", "10", "--tape-status"}, "Tape: levels.tap, block 1 of 2, waiting for a loader\n"},
  };
  for (const auto& c : cases) {
    RunResult run = RunVantro(c.args);
    EXPECT_EQ(run.code, kRunOk) << c.name << ": " << run.error;
    EXPECT_EQ(run.out, c.dumped) << c.name;
  }
}

// SAVE "prog" typed in BASIC, through the fast trap and through the MIC
// signal, gives the same TAP file, after the blocks of a tape inserted
// before; the saved program loads back.
TEST_F(VantroRunTest, SaveWritesATapeThatLoadsBack) {
  const std::string hello = folder.File("hello.tap");
  WriteFile(hello, HelloTape());
  const std::vector<std::string> save{"--type", "10e hi{ENTER}s\"prog\"{ENTER}{WAIT 10}{ENTER}", "--dump",
                                      "0x5CCB:9"};
  const struct {
    const char* name;
    std::vector<std::string> args;
    Bytes tape_before;
  } cases[] = {
      {"fast", {"--frames", "100"}, {}},
      {"MIC signal", {"--no-fast-load", "--frames", "600"}, {}},
      {"after an inserted tape", {"--load", hello, "--frames", "100"}, HelloTape()},
  };
  const std::string program = "5CCB: 00 0A 05 00 EA 20 68 69 0D\n";
  Bytes first;
  for (const auto& c : cases) {
    const std::string saved = folder.File("prog");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), save.begin(), save.end());
    args.insert(args.end(), {"--save-tape", saved});
    RunResult run = RunVantro(args);
    ASSERT_EQ(run.code, kRunOk) << c.name << ": " << run.error;
    EXPECT_EQ(run.out, program) << c.name;
    Bytes tape = ReadFile(saved + ".tap");
    ASSERT_GT(tape.size(), c.tape_before.size()) << c.name;
    EXPECT_TRUE(std::equal(c.tape_before.begin(), c.tape_before.end(), tape.begin())) << c.name;
    tape.erase(tape.begin(), tape.begin() + c.tape_before.size());
    if (first.empty()) first = tape;
    EXPECT_EQ(tape, first) << c.name << ": the saved blocks differ";
    std::filesystem::remove(saved + ".tap");
  }
  const std::string saved = folder.File("prog.tap");
  WriteFile(saved, first);
  RunResult load = RunVantro({"--load", saved, "--type", "j\"\"{ENTER}", "--frames", "100", "--dump", "0x5CCB:9"});
  ASSERT_EQ(load.code, kRunOk) << load.error;
  EXPECT_EQ(load.out, program);
  EXPECT_EQ(RunVantro({"--frames", "1", "--save-tape", saved}).error,
            saved + ": Save Tape: There is no tape to save: insert one, or SAVE something first.");
}

TEST_F(VantroRunTest, UntilPcDumpAndSnapshotShowTheProgramsWork) {
  const std::string code = folder.File("store.bin");
  WriteFile(code, kStoreProgram);
  const std::string sna = folder.File("after");
  RunResult run = RunVantro({"--bin", code + "@0", "--until-pc", "6", "--dump", "0x9000:2", "--dump", "$0000:3",
                       "--save-sna", sna});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  EXPECT_EQ(run.out, "9000: 2A 00\n0000: F3 3E 2A\n");
  ASSERT_EQ(ReadFile(sna + ".sna").size(), 49179u) << "a bare name gets .sna";

  // The snapshot carries the state on: loading it shows the same memory,
  // as an SNA and as a Z80 (version 3) file.
  const std::string z80 = folder.File("after.z80");
  RunResult as_z80 = RunVantro({"--load", sna + ".sna", "--save-sna", z80});
  ASSERT_EQ(as_z80.code, kRunOk) << as_z80.error;
  ASSERT_EQ(ReadFile(z80).at(30), 54) << "a .z80 name saves version 3";
  for (const std::string& path : {sna + ".sna", z80}) {
    RunResult again = RunVantro({"--load", path, "--dump", "9000h:1"});
    ASSERT_EQ(again.code, kRunOk) << again.error;
    EXPECT_EQ(again.out, "9000: 2A\n") << path;
  }

  RunResult never = RunVantro({"--bin", code + "@0", "--until-pc", "0x1234", "--frames", "3"});
  EXPECT_EQ(never.code, kRunPcNotReached);
  EXPECT_EQ(never.error, "the program counter never reached 1234h in 3 frames");
}

TEST_F(VantroRunTest, Z80FileOfTheOldestWritersAndItsJoystickCarryThrough) {
  // Version 1 with flags FFh (read as 1: a plain image) and Interface 2's
  // left joystick in byte 29: loaded, run and saved again as version 3.
  Bytes file{0, 0, 0, 0, 0, 0, 0x00, 0x80, 0x00, 0xFF, 0x3F, 0, 0xFF};
  file.resize(30, 0);
  file[29] = 0x81;
  Bytes ram(49152, 0);
  ram[0x9000 - 0x4000] = 0x2A;
  ram[0x8000 - 0x4000] = 0x18;  // JR $ at 8000h
  ram[0x8001 - 0x4000] = 0xFE;
  const std::string path = folder.File("old.z80"), saved = folder.File("saved.z80");
  WriteFile(path, Joined({file, ram}));
  RunResult run = RunVantro({"--load", path, "--frames", "2", "--dump", "0x9000:1", "--save-sna", saved});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  EXPECT_EQ(run.out, "9000: 2A\n") << "flags FFh were taken as a compressed image";
  EXPECT_EQ(ReadFile(saved).at(29) >> 6, 2) << "the joystick was not fitted, or not recorded";
}

// Downloads as archives hand them out: the file inside opens as it would
// on its own, and a damaged archive ends the run with its message.
TEST_F(VantroRunTest, ZippedTapeAndGzippedZ80OpenAsTheFilesInside) {
  Bytes header{0, 0, 0, 0, 0, 0, 0x00, 0x80, 0x00, 0xFF, 0x3F, 0, 0x00};
  header.resize(30, 0);
  Bytes ram(49152, 0);
  ram[0x9000 - 0x4000] = 0x2A;
  ram[0x8000 - 0x4000] = 0x18;  // JR $ at 8000h
  ram[0x8001 - 0x4000] = 0xFE;
  const Bytes z80 = Joined({header, ram});
  Bytes cut = GzipFile(z80);
  cut.resize(cut.size() - 12);
  struct Case {
    std::string name;
    Bytes bytes;
    std::vector<std::string> args;
    std::string out, error;
  };
  const std::vector<Case> cases = {
      {"hello.zip", ZipFile({{"HELLO.NFO", {'h', 'i'}}, {"Hello/hello.tap", HelloTape()}}),
       {"--type", "j\"\"{ENTER}", "--until-text", "HELLO"}, "", ""},
      {"state.z80.gz", GzipFile(z80), {"--frames", "2", "--dump", "0x9000:1"}, "9000: 2A\n", ""},
      {"both.zip", ZipFile({{"state.z80", z80, false}, {"hello.tap", HelloTape()}}), {"--dump", "0x9000:1"},
       "9000: 2A\n", ""},
      {"cut.z80.gz", cut, {}, "", ": Load GZ: This gzip file cannot be used: its data is cut off."},
  };
  for (const Case& c : cases) {
    const std::string path = folder.File(c.name);
    WriteFile(path, c.bytes);
    std::vector<std::string> args{"--load", path};
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult run = RunVantro(args);
    EXPECT_EQ(run.code, c.error.empty() ? kRunOk : kRunError) << c.name << ": " << run.error;
    EXPECT_EQ(run.out, c.out) << c.name;
    EXPECT_EQ(run.error, c.error.empty() ? "" : path + c.error) << c.name;
  }
}

// A POK file's trainers go into the machine after its start-up (the ROM
// clears RAM): all of them, the named ones, with --poke-value for the pokes
// the file leaves open; a malformed file is refused with its line.
TEST_F(VantroRunTest, PokesOfTheChosenTrainersLandAndMalformedFilesNameTheirLine) {
  const std::string pok = folder.File("game.pok");
  WriteFile(pok, TextBytes("NInfinite lives\r\nM  8 40000 42 0\r\nZ  8 40001 256 3\r\n"
                           "NInfinite time\nZ  8 40002 7 1\n\nN128K only\nZ  1 49152 9 0\nY\nnot read\n"));
  const std::vector<std::string> dump{"--dump", "40000:3", "--dump", "49152:1"};
  struct Case {
    std::vector<std::string> args;
    std::string text;  // the dump, or the error line
  };
  const std::vector<Case> cases = {
      {{"--pokes", pok, "--poke-value", "9"}, "9C40: 2A 09 07\nC000: 00\n"},
      {{"--pokes", pok, "--trainer", "Infinite time"}, "9C40: 00 00 07\nC000: 00\n"},
      {{"--pokes", pok}, "--pokes: trainer 'Infinite lives' asks for a value: give it with --poke-value"},
      {{"--pokes", pok, "--trainer", "128K only"},
       "--pokes: trainer '128K only' pokes 128K memory a 48K Spectrum does not have"},
      {{"--pokes", pok, "--trainer", "Lives"},
       "--trainer: " + pok + " has no trainer 'Lives' (it has: 'Infinite lives' 'Infinite time' '128K only')"},
      {{"--trainer", "Lives"}, "--trainer names a trainer of the --pokes file, and there is none"},
      {{"--pokes", pok, "--poke-value", "256"}, "--poke-value wants a byte 0-255, not '256'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), dump.begin(), dump.end());
    RunResult run = RunVantro(args);
    const bool dumped = c.text.find("9C40") == 0;
    EXPECT_EQ(run.code, dumped ? kRunOk : kRunError) << c.text;
    EXPECT_EQ(dumped ? run.out : run.error, c.text);
  }

  const struct {
    const char* file;
    const char* reason;
  } malformed[] = {
      {"NA\nM  8 40000 1\nY\n",
       "line 2: a poke line holds four numbers (bank, address, value, original), this one 3 fields"},
      {"NA\nZ  8 1000 1 0\nY\n", "line 2: the address '1000' is not in RAM (16384-65535)"},
      {"NA\nZ  8 40000 300 0\nY\n", "line 2: the value '300' is not 0-255 (or 256 to ask for one)"},
      {"NA\nZ  8 40000 -1 0\nY\n", "line 2: the value '-1' is not 0-255 (or 256 to ask for one)"},
      {"NA\nZ  x 40000 1 0\nY\n", "line 2: the bank 'x' is not a number 0-255"},
      {"NA\nZ  8 40000 1 999\nY\n", "line 2: the original value '999' is not 0-255"},
      {"NA\n\nM  8 40000 1 0\nNB\nZ 8 40000 1 0\nY\n",
       "line 4: a trainer starts before the last one's final poke (Z)"},
      {"M  8 40000 1 0\n", "line 1: a poke comes before any trainer's name (N)"},
      {"NA\nZ 8 40000 1 0\nX\n", "line 3: a line starts with N, M, Z or Y, not 'X'"},
      {"NA\nM 8 40000 1 0\nY\n", "line 3: the file ends (Y) before the trainer's last poke (Z)"},
      {"NA\nM 8 40000 1 0\n", "line 2: the file ends before the trainer's last poke (Z)"},
  };
  const std::string bad = folder.File("bad.pok");
  for (const auto& m : malformed) {
    WriteFile(bad, TextBytes(m.file));
    RunResult run = RunVantro({"--pokes", bad});
    EXPECT_EQ(run.code, kRunError) << m.file;
    EXPECT_EQ(run.error, bad + ": Apply POKEs: This POK file cannot be used: " + m.reason + ".") << m.file;
  }
  WriteFile(bad, TextBytes("Y\n"));
  EXPECT_EQ(RunVantro({"--pokes", bad}).error, bad + ": Apply POKEs: This POK file holds no trainers!");
}

TEST_F(VantroRunTest, RamBlockGoesInAfterStartUpAndRunsFromUsr) {
  // LD A,42; LD (9000h),A; spin. The ROM's start-up would clear it if it
  // went in before.
  const std::string code = folder.File("usr.bin");
  WriteFile(code, Bytes{0x3E, 0x2A, 0x32, 0x00, 0x90, 0x18, 0xFE});
  RunResult run = RunVantro({"--bin", code + "@0x8000", "--type", "t{EXTEND}l32768{ENTER}", "--until-pc",
                             "0x8005", "--dump", "0x9000:1"});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  EXPECT_EQ(run.out, "9000: 2A\n");
}

TEST_F(VantroRunTest, ScriptedPlayHoldsKeysMovesTheJoystickAndWaitsForText) {
  // CAPS SHIFT + A held for 60 frames in PRINT "...": the ROM's repeat
  // types several capital As, and the run ends once four stand there.
  RunResult held = RunVantro({"--type", "p\"{HOLD CS+A 60}\"{ENTER}", "--until-text", "AAAA"});
  EXPECT_EQ(held.code, kRunOk) << held.error;
  // Start-up, five typed keys of 8 frames and the 20 frames.
  RunResult never = RunVantro({"--type", "p\"{CS+A}\"{ENTER}", "--until-text", "AAAA", "--frames", "20"});
  EXPECT_EQ(never.code, kRunPcNotReached);
  EXPECT_EQ(never.error, "the text 'AAAA' never stood on the screen in 210 frames");

  // DI; IN A,(1Fh); LD (9000h),A; LD A,EFh; IN A,(FEh); LD (9001h),A; JR 0:
  // the Kempston port and Interface 2's port 1 while the joystick is held.
  const std::string code = folder.File("stick.bin");
  WriteFile(code, Bytes{0xF3, 0xDB, 0x1F, 0x32, 0x00, 0x90, 0x3E, 0xEF, 0xDB, 0xFE, 0x32, 0x01, 0x90, 0x18, 0xF1});
  const struct { const char* joystick; const char* dump; } cases[] = {
      {"kempston", "9000: 18 BF\n"},   // Up 08h + fire 10h
      {"sinclair1", "9000: FF BC\n"},  // keys 9 (Up) and 0 (fire)
      {"sinclair2", "9000: FF BF\n"},  // port 2 is on keys 1-5
  };
  for (const auto& c : cases) {
    RunResult run = RunVantro({"--bin", code + "@0", "--joystick", c.joystick, "--type", "{JOY UP+FIRE 3}",
                               "--dump", "0x9000:2"});
    ASSERT_EQ(run.code, kRunOk) << run.error;
    EXPECT_EQ(run.out, c.dump) << c.joystick;
  }
}

TEST_F(VantroRunTest, RewindReturnsExactlyToTheStateOfSecondsBefore) {
  // The ROM counts FRAMES and scans the keys all the while, so every frame
  // leaves other memory and registers; a tape inserted keeps its place.
  const std::string tap = folder.File("hello.tap");
  WriteFile(tap, HelloTape());
  const std::string rewound = folder.File("rewound.sna"), straight = folder.File("straight.sna");
  RunResult back = RunVantro({"--load", tap, "--frames", "500", "--rewind", "3", "--dump", "0:65536", "--save-sna", rewound});
  ASSERT_EQ(back.code, kRunOk) << back.error;
  RunResult run = RunVantro({"--load", tap, "--frames", "350", "--dump", "0:65536", "--save-sna", straight});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  EXPECT_TRUE(back.out == run.out) << "memory differs";
  EXPECT_EQ(ReadFile(rewound), ReadFile(straight)) << "registers or memory differ";
  RunResult other = RunVantro({"--load", tap, "--frames", "351", "--dump", "0:65536"});
  EXPECT_FALSE(other.out == run.out) << "a frame later must differ";

  RunResult too_far = RunVantro({"--frames", "100", "--rewind", "3"});
  EXPECT_EQ(too_far.code, kRunError);
  EXPECT_EQ(too_far.error, "--rewind 3: the run reaches back only 2 seconds");
}

// The output of a command line, for the fuse-emulator-utils tools.
std::string CommandOutput(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

// An SZX file's TAPE chunk holding a tape file, zlib-packed or not.
Bytes SzxTapeChunk(const Bytes& tape, bool packed) {
  Bytes stored = tape;
  if (packed) {
    uLongf size = compressBound(tape.size());
    stored.resize(size);
    compress(stored.data(), &size, tape.data(), tape.size());
    stored.resize(size);
  }
  Bytes body{0, 0, static_cast<std::uint8_t>(packed ? 3 : 1), 0};
  AppendWord(body, static_cast<std::uint32_t>(tape.size()), 4);
  AppendWord(body, static_cast<std::uint32_t>(stored.size()), 4);
  Bytes extension{'t', 'a', 'p'};
  extension.resize(16, 0);
  Bytes chunk{'T', 'A', 'P', 'E'};
  AppendWord(chunk, static_cast<std::uint32_t>(body.size() + 16 + stored.size()), 4);
  return Joined({chunk, body, extension, stored});
}

TEST_F(VantroRunTest, SzxSnapshotLoadsBackToTheSameStateAlsoThroughSnapconv) {
  // Stopped inside a frame with the Interface 2 joystick fitted: the
  // T-state within the frame and the joystick travel with the rest.
  const std::string code = folder.File("store.bin"), first = folder.File("first.szx");
  WriteFile(code, kStoreProgram);
  RunResult run = RunVantro({"--bin", code + "@0", "--joystick", "sinclair1", "--until-pc", "6", "--save-sna", first});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  const Bytes first_bytes = ReadFile(first);
  ASSERT_GE(first_bytes.size(), 4u);
  ASSERT_EQ(std::string(first_bytes.begin(), first_bytes.begin() + 4), "ZXST");
  const std::string z80 = folder.File("converted.z80"), back = folder.File("back.szx");
  ASSERT_EQ(CommandOutput("snapconv '" + first + "' '" + z80 + "' 2>&1 && snapconv '" + z80 + "' '" + back +
                          "' 2>&1 && echo converted"),
            "converted\n");
  const std::string again = folder.File("again.szx"), as_sna = folder.File("first.sna");
  RunResult reload = RunVantro({"--load", first, "--save-sna", again});
  ASSERT_EQ(reload.code, kRunOk) << reload.error;
  EXPECT_EQ(ReadFile(again), ReadFile(first)) << "registers, T-state, border, joystick or RAM differ";
  ASSERT_EQ(RunVantro({"--load", first, "--save-sna", as_sna}).code, kRunOk);
  for (const std::string& path : {z80, back}) {
    const std::string converted = path + ".sna";
    RunResult load = RunVantro({"--load", path, "--save-sna", converted, "--dump", "0x9000:1"});
    ASSERT_EQ(load.code, kRunOk) << path << ": " << load.error;
    EXPECT_EQ(load.out, "9000: 2A\n") << path;
    EXPECT_EQ(ReadFile(converted), ReadFile(as_sna)) << path << ": registers or memory differ after snapconv";
  }

  // A tape embedded in the snapshot, packed or not, is the tape in: LOAD
  // finds it. The snapshot stands at the ROM's key wait.
  const std::string ready = folder.File("ready.szx");
  ASSERT_EQ(RunVantro({"--frames", "160", "--save-sna", ready}).code, kRunOk);
  for (bool packed : {false, true}) {
    const std::string with_tape = folder.File(packed ? "packed.szx" : "plain.szx");
    WriteFile(with_tape, Joined({ReadFile(ready), SzxTapeChunk(HelloTape(), packed)}));
    RunResult load = RunVantro({"--load", with_tape, "--type", "j\"\"{ENTER}", "--until-text", "HELLO"});
    EXPECT_EQ(load.code, kRunOk) << with_tape << ": " << load.error;
  }

  // Refused files, SZX and RZX, each with its message.
  const Bytes good = ReadFile(ready);
  auto machine_byte = [&](std::uint8_t id) {
    Bytes file = good;
    file[6] = id;  // the SZX header's machine
    return file;
  };
  Bytes damaged_tape = Joined({good, SzxTapeChunk(HelloTape(), true)});
  damaged_tape[damaged_tape.size() - 6] ^= 0x5A;
  Bytes recording;
  {
    const std::string rzx = folder.File("short.rzx");
    ASSERT_EQ(RunVantro({"--load", ready, "--record", rzx, "--frames", "3"}).code, kRunOk);
    recording = ReadFile(rzx);
  }
  const struct { const char* name; Bytes bytes; std::string text; } refused[] = {
      {"cut.szx", Bytes(good.begin(), good.begin() + 200), "Load SZX: This is not an SZX snapshot, or it is damaged!"},
      {"noise.szx", Bytes(100, 0x5A), "Load SZX: This is not an SZX snapshot, or it is damaged!"},
      {"128.szx", machine_byte(2), "Load SZX: This snapshot is for the Spectrum 128K; Vantro emulates the ZX Spectrum 48K only!"},
      {"plus3.szx", machine_byte(5), "Load SZX: This snapshot is for the Spectrum +3; Vantro emulates the ZX Spectrum 48K only!"},
      {"pentagon.szx", machine_byte(7), "Load SZX: This snapshot is for the Pentagon 128K; Vantro emulates the ZX Spectrum 48K only!"},
      {"tape.szx", damaged_tape, "Load SZX: The tape embedded in the snapshot is damaged!"},
      {"cut.rzx", Bytes(recording.begin(), recording.end() - 10), "Load RZX: This is not an RZX input recording, or it is damaged!"},
      {"noise.rzx", Bytes(100, 0x5A), "Load RZX: This is not an RZX input recording, or it is damaged!"},
  };
  for (const auto& c : refused) {
    const std::string path = folder.File(c.name);
    WriteFile(path, c.bytes);
    RunResult load = RunVantro({"--load", path});
    EXPECT_EQ(load.code, kRunError) << c.name;
    EXPECT_EQ(load.error, path + ": " + c.text) << c.name;
  }
}

TEST_F(VantroRunTest, RzxRecordingPlaysBackToTheSameMemoryAndRegisters) {
  // Typed keys and the joystick reach the program only through port reads,
  // which the recording keeps; the frames end by their fetch counts.
  const std::string ready = folder.File("ready.szx");
  ASSERT_EQ(RunVantro({"--frames", "160", "--save-sna", ready}).code, kRunOk);
  const std::string rzx = folder.File("play.rzx"), live = folder.File("live.szx"), played = folder.File("played.szx");
  RunResult record = RunVantro({"--load", ready, "--record", rzx, "--type", "10p7{ENTER}{JOY UP 3}",
                                "--frames", "30", "--save-sna", live, "--dump", "0:65536"});
  ASSERT_EQ(record.code, kRunOk) << record.error;
  // 5 keys of 8 frames, the joystick's 3 and the 30; the first frame end
  // starts the recording.
  const std::string listing = CommandOutput("rzxdump '" + rzx + "'");
  EXPECT_NE(listing.find("Snapshot extension: `SZX'"), std::string::npos) << listing;
  EXPECT_NE(listing.find("Frame count: 72"), std::string::npos) << listing;
  RunResult play = RunVantro({"--load", rzx, "--frames", "72", "--save-sna", played, "--dump", "0:65536"});
  ASSERT_EQ(play.code, kRunOk) << play.error;
  EXPECT_TRUE(play.out == record.out) << "memory differs";
  // Compared as SNA files, which leave out the T-state within the frame:
  // a frame played ends by its fetches, not its T-states.
  const std::string live_sna = folder.File("live.sna"), played_sna = folder.File("played.sna");
  ASSERT_EQ(RunVantro({"--load", live, "--save-sna", live_sna}).code, kRunOk);
  ASSERT_EQ(RunVantro({"--load", played, "--save-sna", played_sna}).code, kRunOk);
  EXPECT_EQ(ReadFile(played_sna), ReadFile(live_sna)) << "registers differ";
  // After the last frame the machine goes on live.
  EXPECT_EQ(RunVantro({"--load", rzx, "--frames", "200"}).code, kRunOk);

  // A recording whose frames hold no port reads, played where the ROM
  // scans the keyboard every frame: it stops at the first read.
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  CpuState cpu;
  ASSERT_FALSE(LoadSzx(*machine, cpu, ready));
  const std::string silent = folder.File("silent.rzx");
  ASSERT_FALSE(StartInputRecording(*machine, cpu, silent));
  for (int frame = 0; frame < 3; ++frame) {
    machine->input_log.frame_fetches.push_back(20000);
    machine->input_log.frame_starts.push_back(0);
  }
  ASSERT_FALSE(StopInputRecording(*machine));
  RunResult short_of_reads = RunVantro({"--load", silent, "--frames", "5"});
  EXPECT_EQ(short_of_reads.code, kRunError);
  EXPECT_EQ(short_of_reads.error, silent + ": " + kPlaybackTitle + ": " + kPlaybackRanOut);
}

TEST_F(VantroRunTest, TraceFileHoldsTheInstructionsInDebugListFormatOrTheRunFails) {
  const std::string code = folder.File("store.bin");
  WriteFile(code, kStoreProgram);
  const std::string trace = folder.File("run.lst");
  RunResult run = RunVantro({"--bin", code + "@0", "--until-pc", "6", "--trace", trace});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  Bytes bytes = ReadFile(trace);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.rfind("START ", 0), 0u) << text;
  EXPECT_NE(text.find("SZ5H3PNC"), std::string::npos) << text;
  EXPECT_NE(text.find("DI"), std::string::npos) << text;
  EXPECT_NE(text.find("LD (36864),A"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n") << "the run's end closes the block as a flush does";

  // Every write to /dev/full fails, as on a full disk: the flushes during a
  // run of 20 frames and the one at its end must not pass for success.
  if (!std::filesystem::exists("/dev/full")) return;
  const std::string full = folder.File("full.lst");
  std::filesystem::create_symlink("/dev/full", full);
  run = RunVantro({"--frames", "20", "--trace", full});
  EXPECT_EQ(run.code, kRunError);
  EXPECT_EQ(run.error, "cannot write " + full);
}

TEST_F(VantroRunTest, BeepOfOneSecondComesOutAsMiddleCInTheWaveFile) {
  const std::string wav = folder.File("beep.wav");
  RunResult run = RunVantro({"--type", "{EXTEND}{SS+Z}1,0{ENTER}", "--frames", "100", "--wav", wav});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  int rate = 0;
  const std::vector<std::int16_t> samples = ReadWave(wav, rate);
  ASSERT_FALSE(samples.empty()) << "not a 16-bit mono PCM WAVE file";
  // Start-up, six keys of 8 frames and the 100 frames: emulated time, each
  // frame 69,888 T-states and the last instruction's overshoot.
  const double frames = kBootFrames + 6 * 8 + 100;
  EXPECT_NEAR(static_cast<double>(samples.size()) / rate, frames * 69888 / 3.5e6, frames * 600 / 3.5e6);

  // BEEP 1,0: one second of middle C (261.63 Hz), after the key clicks.
  const Tone tone = LongestTone(samples, rate);
  EXPECT_NEAR(tone.frequency, 261.63, 261.63 * 0.005);
  EXPECT_NEAR(tone.end - tone.start, 1.0, 0.02);
  EXPECT_GT(tone.peak, 4000) << "the tone is too quiet";
  EXPECT_LT(tone.start, static_cast<double>(samples.size()) / rate - 1.5) << "the tone came too late";
  // The speaker is left where BEEP left it: silence once the filter settles.
  EXPECT_LE(PeakAfter(samples, rate, tone.end + 0.1), 16) << "noise after the tone";
}

// A program that copies 6,144 bytes with LDIR over and over, each copy
// longer than a frame, under an IM 1 handler that counts to 9000h. The
// interrupt lands between two passes of the copy, so the handler runs once
// a frame, and every frame is 69,888 T-states of sound.
TEST_F(VantroRunTest, LongBlockMovesLoseNoTimeAndTakeEveryFrameInterrupt) {
  Bytes code{0xF3,                    // DI
             0x31, 0x00, 0xF0,        // LD SP,F000h
             0x21, 0x00, 0x00,        // LD HL,0
             0x22, 0x00, 0x90,        // LD (9000h),HL
             0xED, 0x56,              // IM 1
             0xFB,                    // EI
             0x21, 0x00, 0x40,        // 000Dh: LD HL,4000h
             0x11, 0x00, 0xC0,        // LD DE,C000h
             0x01, 0x00, 0x18,        // LD BC,6144
             0xED, 0xB0,              // LDIR
             0x18, 0xF3};             // JR 000Dh
  code.resize(0x38, 0x00);
  code.insert(code.end(), {0xE5,                // 0038h: PUSH HL
                           0x2A, 0x00, 0x90,    // LD HL,(9000h)
                           0x23,                // INC HL
                           0x22, 0x00, 0x90,    // LD (9000h),HL
                           0xE1, 0xFB, 0xC9});  // POP HL; EI; RET
  const std::string bin = folder.File("ldir.bin");
  WriteFile(bin, code);
  const std::string wav = folder.File("ldir.wav");
  RunResult run =
      RunVantro({"--bin", bin + "@0", "--frames", "200", "--wav", wav, "--dump", "0x9000:2", "--dump", "0xEFFE:2"});
  ASSERT_EQ(run.code, kRunOk) << run.error;
  // The run ends as the 200th frame's interrupt is taken: 199 handlers have
  // run and the 200th is about to, returning into the LDIR at 0016h it
  // interrupted.
  EXPECT_EQ(run.out, "9000: C7 00\nEFFE: 16 00\n");
  int rate = 0;
  const std::vector<std::int16_t> samples = ReadWave(wav, rate);
  ASSERT_FALSE(samples.empty()) << "not a 16-bit mono PCM WAVE file";
  EXPECT_NEAR(static_cast<double>(samples.size()) / rate, 200 * 69888 / 3.5e6, 600 / 3.5e6);
}

TEST_F(VantroRunTest, BadCommandLinesAndFilesEndWithOneLine) {
  const std::string short_sna = folder.File("short.sna");
  WriteFile(short_sna, Bytes(100, 0));
  const std::string short_z80 = folder.File("short.z80");
  WriteFile(short_z80, Bytes(10, 1));
  const std::string later_z80 = folder.File("later.z80");
  WriteFile(later_z80, Bytes(40, 0));  // header PC 0
  const std::string bad_tap = folder.File("bad.tap");
  WriteFile(bad_tap, Bytes{0x13, 0x00, 0x00, 0x01});
  const std::string empty = folder.File("empty.bin");
  WriteFile(empty, Bytes{});
  const std::string small_rom = folder.File("small.rom");
  WriteFile(small_rom, Bytes(100, 0));
  const std::string cut_tzx = folder.File("cut.tzx");
  WriteFile(cut_tzx, Joined({TzxHeader(), Bytes{0x10, 0xE8, 0x03, 0x13, 0x00, 0x00}}));
  const std::string tzx2 = folder.File("two.tzx");
  WriteFile(tzx2, TzxHeader(2, 0));
  const std::string csw = folder.File("cut.csw");
  Bytes cut_csw = CswFile(2, {100, 200, 300}, 44100, true);
  cut_csw.resize(cut_csw.size() - 4);
  WriteFile(csw, cut_csw);
  const std::string pzx = folder.File("long.pzx");
  WriteFile(pzx, Joined({PzxBlock("PZXT", {1, 0}), PzxBlock("DATA", {9, 0, 0, 0, 0, 0, 0, 0, 0xFF})}));
  const std::string wav = folder.File("bad.wav");
  Bytes bad_wav = WaveFile({100, 200}, 44100, 8, 1);
  bad_wav[20] = 0x55;  // an unknown encoding
  WriteFile(wav, bad_wav);
  const std::string fifo = folder.File("fifo.tap");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  struct Case { std::vector<std::string> args; std::string error; };
  const Case cases[] = {
      {{"--bogus"}, "unknown option --bogus (see --help)"},
      {{"--frames"}, "--frames needs a value (see --help)"},
      {{"--frames", "many"}, "--frames wants a number of frames, not 'many'"},
      {{"--bin", "x.bin"}, "--bin wants FILE@ADDR with ADDR 0-65535, not 'x.bin'"},
      {{"--dump", "0x10000:1"}, "--dump wants ADDR:LEN with ADDR 0-65535 and LEN 1-65536, not '0x10000:1'"},
      {{"--until-pc=70000"}, "--until-pc wants an address 0-65535, not '70000'"},
      {{"--speed", "75"}, "--speed wants 25, 50, 100 or 200, not '75'"},
      {{"--joystick", "atari"}, "--joystick wants kempston, sinclair1, sinclair2 or cursor, not 'atari'"},
      {{"--rewind", "61"}, "--rewind wants 1-60 seconds, not '61'"},
      {{"--type", "{CS+Q"}, "--type: '{' at position 1 is never closed"},
      {{"--type", "\x01"}, "--type: no Spectrum key for '\x01' (position 1)"},
      // The loaders' own messages, as the File menu shows them.
      {{"--load", folder.File("missing.sna")}, folder.File("missing.sna") + ": Load SNA: Can't open file for reading!"},
      {{"--load", short_sna}, short_sna + ": Load SNA: This is not an SNA snapshot: an SNA file is 49,179 bytes long!"},
      {{"--load", short_z80}, short_z80 + ": Load Z80: This file is too short for a Z80 snapshot header!"},
      {{"--load", later_z80}, later_z80 + ": Load Z80: This file version is not supported!"},
      {{"--load", bad_tap}, bad_tap + ": Load TAP: This is not a TAP tape image: its block lengths do not match the file!"},
      {{"--load", empty}, empty + ": Load TAP: The tape image is empty!"},
      {{"--load", cut_tzx}, cut_tzx + ": Load TZX: This TZX tape cannot be used: block 1 (10h) is cut off by the end of the file."},
      {{"--load", tzx2}, tzx2 + ": Load TZX: This TZX tape cannot be used: TZX version 2.00 is not supported (1.x is)."},
      {{"--load", csw}, csw + ": Load CSW: This CSW recording cannot be used: its compressed data is cut off."},
      {{"--load", pzx}, pzx + ": Load PZX: This PZX tape cannot be used: block 2 (DATA): its 9 bits run past the end of the block."},
      {{"--load", wav},
       wav + ": Load WAV: This WAVE file cannot be used: it is not a WAVE file SDL can decode (MPEG formats not supported)."},
      // Neither a pipe nor a folder is waited on or read.
      {{"--load", fifo}, fifo + ": Load TAP: This is not a file that can be loaded (a folder, device or pipe)!"},
      {{"--load", folder.File("")}, folder.File("") + ": Load TAP: This is not a file that can be loaded (a folder, device or pipe)!"},
      {{"--bin", fifo + "@32768"}, fifo + ": Load BIN: This is not a file that can be loaded (a folder, device or pipe)!"},
      {{"--bin", empty + "@32768"}, empty + ": Load BIN: The file is empty!"},
      {{"--rom", small_rom}, small_rom + ": a ROM image has 16384 bytes, this one 100"},
      {{"--screenshot", folder.File("no/such/dir.png")},
       "cannot create " + folder.File("no/such/dir.png") + ": No such file or directory"},
      {{"--wav", folder.File("no/such/dir.wav")},
       "cannot create " + folder.File("no/such/dir.wav") + ": No such file or directory"},
  };
  for (const Case& c : cases) {
    RunResult run = RunVantro(c.args);
    EXPECT_EQ(run.code, kRunError) << c.args[0];
    EXPECT_EQ(run.error, c.error) << c.args[0];
    EXPECT_EQ(run.error.find('\n'), std::string::npos);
  }
}

// A program racing the beam in the frame after an EI; HALT: the border
// turns red in a top border line, an attribute is rewritten between two
// pixel lines of its cell, the border turns green in the middle of a screen
// line. Delays are counted from the published instruction timings; the
// pixels looked at lie tens of T-states from where each change lands, so
// they hold whatever the cost of the acceptance and of the ULA's delays.
TEST_F(VantroRunTest, ScreenshotShowsBorderAndAttributeChangesWhereTheBeamWas) {
  Bytes code{0xF3, 0x31, 0x00, 0xF0,        // DI; LD SP,F000h
             0x3E, 0x01, 0xD3, 0xFE,        // LD A,1; OUT (FEh),A: blue border
             0x21, 0x00, 0x58, 0x11, 0x01, 0x58, 0x01, 0xFF, 0x02,  // LD HL,5800h; LD DE,5801h; LD BC,767
             0x36, 0x38, 0xED, 0xB0,        // LD (HL),38h; LDIR: black on white
             0xED, 0x56, 0xFB, 0x76};       // IM 1; EI; HALT
  code.resize(0x38, 0x00);
  code.insert(code.end(), {0xC3, 0x40, 0x00});  // 0038h: JP 0040h, interrupts left off
  code.resize(0x40, 0x00);
  // The frame T-state the code at 0040h starts at: the acceptance (IM 1,
  // 13 T) a few T-states into the frame, then the JP.
  std::int32_t now = 13 + 10;
  auto wait_until = [&](std::int32_t when) {
    if (when - now >= 31) {
      const int loops = (when - now - 5) / 26;  // LD BC,n; DEC BC; LD A,B; OR C; JR NZ: 26 n + 5
      code.insert(code.end(), {0x01, static_cast<std::uint8_t>(loops), static_cast<std::uint8_t>(loops >> 8), 0x0B,
                               0x78, 0xB1, 0x20, 0xFB});
      now += 26 * loops + 5;
    }
    while (when - now >= 4) {
      code.push_back(0x00);
      now += 4;
    }
  };
  auto border_at = [&](std::int32_t when, std::uint8_t colour) {
    wait_until(when - 7 - 8);  // LD A,n (7), then OUT (n),A's port cycle 8 T in
    code.insert(code.end(), {0x3E, colour, 0xD3, 0xFE});
    now += 7 + 11;
  };
  const std::int32_t kRow10 = BeamRowTState(10), kRow150 = BeamRowTState(150);
  border_at(kRow10 + 60, 2);
  wait_until(36682 - 7 - 10);  // line 99's blanking; LD (nn),A stores 10 T in
  code.insert(code.end(), {0x3E, 0x10, 0x32, 0x83, 0x59});  // LD A,10h; LD (5983h),A: cell (12,3) red paper
  now += 7 + 13;
  border_at(kRow150 + 64, 4);
  code.insert(code.end(), {0xF3, 0x76});  // DI; HALT
  const std::string bin = folder.File("beam.bin");
  WriteFile(bin, code);

  const std::uint32_t blue = 0x0000CA, red = 0xCA0000, green = 0x00CA00, white = 0xCACACA;
  for (bool fast : {false, true}) {
    const std::string png = folder.File(fast ? "fast.png" : "beam.png");
    std::vector<std::string> args{"--bin", bin + "@0", "--frames", "2", "--screenshot", png};
    if (fast) args.push_back("--fast-border");
    RunResult run = RunVantro(args);
    ASSERT_EQ(run.code, kRunOk) << run.error;
    Picture picture = ReadPng(png);
    ASSERT_EQ(picture.width, 320);
    struct Pixel {
      int x, y;
      std::uint32_t colour;
      const char* what;
    } pixels[] = {
        {319, 9, blue, "the line above the first change"},
        {63, 10, blue, "the changed line's start"},
        {256, 10, red, "the changed line's end"},
        {0, 11, red, "the line below"},
        {319, 149, red, "above the second change"},
        {31, 150, red, "the second changed line's left border"},
        {288, 150, green, "its right border"},
        {0, 239, green, "the bottom border"},
        {56, 123, white, "the cell's lines fetched before the attribute changed"},
        {63, 124, red, "the cell's lines fetched after it"},
        {48, 124, white, "the cell beside it"},
    };
    for (const Pixel& p : pixels) {
      const bool border = p.x < kScreenLeft || p.x >= kScreenLeft + kScreenWidth || p.y < kScreenTop ||
                          p.y >= kScreenTop + kScreenHeight;
      const std::uint32_t want = fast && border ? green : p.colour;
      EXPECT_EQ(picture.At(p.x, p.y), want) << (fast ? "fast border: " : "beam: ") << p.what;
    }
  }
}


TEST(TypedKeysTest, NotationGivesTheSpectrumKeyChords) {
  auto bit = [](HostKey key) { return HostKeyBit(key); };
  const std::uint64_t cs = bit(HostKey::LeftShift), ss = bit(HostKey::RightShift);
  struct Case { const char* text; std::vector<std::uint64_t> keys; };
  const Case cases[] = {
      {"j", {bit(HostKey::J)}},
      {"J", {cs | bit(HostKey::J)}},
      {"\"", {ss | bit(HostKey::P)}},
      {"7 \n", {bit(HostKey::Digit7), bit(HostKey::Space), bit(HostKey::Return)}},
      {"{enter}{SS+P}", {bit(HostKey::Return), ss | bit(HostKey::P)}},
      {"{CS+SS}{delete}", {cs | ss, cs | bit(HostKey::Digit0)}},
      {"(:)", {ss | bit(HostKey::Digit8), ss | bit(HostKey::Z), ss | bit(HostKey::Digit9)}},
      {"{WAIT 25}", {0}},
      {"{hold q+a 50}{JOY UP+FIRE 2}", {bit(HostKey::Q) | bit(HostKey::A), bit(HostKey::Up) | bit(HostKey::LeftCtrl)}},
  };
  for (const Case& c : cases) {
    std::string error;
    auto chords = ParseTypedKeys(c.text, error);
    ASSERT_TRUE(chords) << c.text << ": " << error;
    ASSERT_EQ(chords->size(), c.keys.size()) << c.text;
    for (std::size_t k = 0; k < c.keys.size(); ++k) EXPECT_EQ((*chords)[k].keys, c.keys[k]) << c.text;
  }
  std::string error;
  EXPECT_EQ(ParseTypedKeys("{WAIT 25}", error)->front().wait_frames, 25);
  EXPECT_FALSE(ParseTypedKeys("{WAIT}", error));
  EXPECT_FALSE(ParseTypedKeys("{SS+}", error));
  EXPECT_EQ(ParseTypedKeys("{HOLD Q 50}", error)->front().hold_frames, 50);
  EXPECT_EQ(ParseTypedKeys("a", error)->front().hold_frames, 0) << "typed keys keep their 4 + 4 frames";
  for (const char* bad : {"{HOLD Q}", "{HOLD 5}", "{JOY SIDEWAYS 5}", "{JOY FIRE 0}", "{HOLD Q+ 5}"}) {
    EXPECT_FALSE(ParseTypedKeys(bad, error)) << bad;
  }
  EXPECT_FALSE(ParseTypedKeys("£", error));

}

TEST(VantroRunOptionsTest, HelpExplainsEveryOption) {
  std::string help = RunHelpText();
  for (const char* option : {"--rom", "--load", "--bin", "--frames", "--type", "--until-pc",
                             "--screenshot", "--save-sna", "--dump", "--trace", "--speed", "--no-fast-load", "{ENTER}",
                             "--pokes", "--trainer", "--poke-value", ".zip", ".gz",
                             "{SS+", "--joystick", "--until-text", "{HOLD", "{JOY", "--rewind", "--fast-border",
                             "--record", ".szx", ".rzx", "--tape-status"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

}  // namespace
