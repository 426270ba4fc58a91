// A short, repeatable fuzz run in the test suite: the libFuzzer entry points
// fed with generated seeds and seeded random mutations of them (truncation,
// growth, byte flips, the compressed image's marker bytes).
#include <gtest/gtest.h>

#include <random>

#include "snapshot_files.h"
#include "snapshots/fuzz/fuzz_entries.h"
#include "archive_fixtures.h"
#include "tape_fixtures.h"

namespace {

Bytes Mutate(const Bytes& seed, std::mt19937& random) {
  Bytes bytes = seed;
  auto pick = [&](std::size_t n) { return n == 0 ? 0 : random() % n; };
  int edits = 1 + static_cast<int>(random() % 8);
  for (int k = 0; k < edits; ++k) {
    switch (random() % 6) {
      case 0: if (!bytes.empty()) bytes[pick(bytes.size())] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
      case 1: bytes.resize(pick(bytes.size() + 1)); break;
      case 2: bytes.resize(bytes.size() + pick(300), static_cast<std::uint8_t>(random())); break;
      case 3: {
        static const Bytes tokens[] = {{0xED, 0xED}, {0x00, 0xED, 0xED, 0x00}, {0xED}, {0x00}, {0xED, 0xED, 0x00, 0xFF}};
        const Bytes& token = tokens[random() % 5];
        std::size_t at = pick(bytes.size() + 1);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), token.begin(), token.end());
        break;
      }
      case 4: if (!bytes.empty()) bytes[pick(bytes.size())] = static_cast<std::uint8_t>(random()); break;
      default: if (bytes.size() > 1) bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(pick(bytes.size()))); break;
    }
  }
  return bytes;
}

using Entry = bool (*)(const std::uint8_t*, std::size_t);

void RunSeeds(const char* name, Entry entry, const std::vector<Bytes>& seeds, int mutations) {
  std::mt19937 random(20240601);
  for (const Bytes& seed : seeds) {
    ASSERT_TRUE(entry(seed.data(), seed.size())) << name << ": seed of " << seed.size() << " bytes";
  }
  for (int k = 0; k < mutations; ++k) {
    Bytes input = Mutate(seeds[random() % seeds.size()], random);
    ASSERT_TRUE(entry(input.data(), input.size())) << name << ": mutation " << k << " (" << input.size() << " bytes)";
  }
}

Bytes Z80Header(std::uint8_t flags) {
  Bytes header(30, 0);
  header[6] = 0x00;
  header[7] = 0x80;
  header[12] = flags;
  return header;
}

TEST(FuzzSeedTest, SnaLoaderSurvivesMutatedSnapshots) {
  Bytes exact(49179);
  for (std::size_t k = 0; k < exact.size(); ++k) exact[k] = static_cast<std::uint8_t>(k * 7);
  Bytes top_stack = exact;
  top_stack[23] = 0xFF;  // SP FFFFh: the popped word wraps
  top_stack[24] = 0xFF;
  RunSeeds("sna", fuzz::FuzzSna, {exact, top_stack, Bytes{}, Bytes(27, 0xFF)}, 60);
}

TEST(FuzzSeedTest, Z80LoaderSurvivesMutatedSnapshots) {
  Bytes compressed = Z80Header(0x20);
  for (int k = 0; k < 200; ++k) compressed.insert(compressed.end(), {0xED, 0xED, 0x00, static_cast<std::uint8_t>(k)});
  Bytes marked = Z80Header(0x20);
  marked.insert(marked.end(), {0x01, 0xED, 0x05, 0x00, 0x01, 0xED, 0xED, 0x03, 0x07, 0x00, 0xED, 0xED, 0x00});
  Bytes plain = Z80Header(0x00);
  plain.resize(30 + 49152, 0x42);
  Bytes later = Z80Header(0x20);
  later[7] = 0;  // PC 0: a later version
  RunSeeds("z80", fuzz::FuzzZ80, {compressed, marked, plain, later, Bytes{1, 2, 3}}, 400);
}

TEST(FuzzSeedTest, LaterZ80VersionsSurviveMutatedPages) {
  // Seeds written by the saver itself: noisy and uniform memory.
  auto saved = [](std::uint32_t seed, bool uniform) {
    auto machine = PatternedMachine(seed);
    if (uniform) std::fill(machine->memory.begin() + 0x4000, machine->memory.end(), 0xED);
    CpuState cpu = DistinctRegisters();
    return Z80FileBytes(*machine, cpu);
  };
  Bytes version2 = saved(3, true);
  version2.erase(version2.begin() + 32 + 23, version2.begin() + 32 + 54);  // an extra header of 23
  version2[30] = 23;
  Bytes raw_page = Z80Header(0x00);
  raw_page.insert(raw_page.end(), {54, 0});
  raw_page.resize(32 + 54, 0);
  for (std::uint8_t page : {8, 4, 5}) {
    raw_page.insert(raw_page.end(), {0xFF, 0xFF, page});
    raw_page.resize(raw_page.size() + 16384, page);
  }
  RunSeeds("z80 paged", fuzz::FuzzZ80Paged, {saved(1, false), saved(2, true), version2, raw_page, Bytes{}}, 300);
}

TEST(FuzzSeedTest, TapeTrapSurvivesMutatedTapes) {
  auto tape = [](std::uint16_t ix, std::uint16_t de, std::uint8_t loads, std::uint8_t mode, const Bytes& body) {
    Bytes input{static_cast<std::uint8_t>(ix), static_cast<std::uint8_t>(ix >> 8),
                static_cast<std::uint8_t>(de), static_cast<std::uint8_t>(de >> 8), loads, mode};
    input.insert(input.end(), body.begin(), body.end());
    return input;
  };
  Bytes body = TapBlock(0x00, BasicHeader("demo", 20, 10));
  Bytes data_block = TapBlock(0xFF, Bytes(20, 0x33));
  body.insert(body.end(), data_block.begin(), data_block.end());
  RunSeeds("tape", fuzz::FuzzTape,
           {tape(0x5C00, 17, 2, 0x00, body), tape(0xFFF0, 0x40, 1, 0x80, body),
            tape(0x3FF0, 0x20, 0, 0x00, body), tape(0x0000, 0, 0, 0xC0, {})},
           300);
}

TEST(FuzzSeedTest, TzxReaderAndPlayerSurviveMutatedTapes) {
  const Bytes tap = TapBlock(0x00, BasicHeader("demo", 4, 10));
  Bytes pulses{2, 0x2C, 0x01, 0xF4, 0x01};
  Bytes every = Joined({TzxHeader(), TzxStandardBlock(tap, 0), TzxTurboBlock(tap, {900, 300, 300, 400, 800, 40}, 1),
                        TzxBlock(0x12, {0x10, 0x02, 0x20, 0x00}), TzxBlock(0x13, pulses),
                        TzxBlock(0x14, {0x57, 0x03, 0xAE, 0x06, 0x05, 0x01, 0x00, 0x02, 0x00, 0x00, 0xAA, 0xF0}),
                        TzxBlock(0x15, {0x4F, 0x00, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0xC3, 0xE0}),
                        TzxCswBlock({300, 500, 9000}, 44100, false), TzxCswBlock({300, 500}, 22050, true),
                        TzxGeneralisedBlock(tap, 2)});
  Bytes steering = Joined({TzxHeader(), TzxBlock(0x21, {0x01, 'G'}), TzxBlock(0x24, {0x03, 0x00}),
                           TzxBlock(0x2B, {1, 0, 0, 0, 1}), TzxBlock(0x20, {0x05, 0x00}), TzxBlock(0x25, {}),
                           TzxBlock(0x22, {}), TzxBlock(0x20, {0, 0}), TzxBlock(0x2A, {0, 0, 0, 0}),
                           TzxBlock(0x32, {0x06, 0x00, 0x01, 0x00, 0x03, 'A', 'B', 'C'}),
                           TzxBlock(0x31, {0x05, 0x02, 'h', 'i'}), TzxBlock(0x33, {1, 0, 1, 0}),
                           TzxBlock(0x26, {0x02, 0x00, 0x02, 0x00, 0x03, 0x00}), TzxBlock(0x23, {0x03, 0x00}),
                           TzxBlock(0x12, {0x10, 0x02, 0x02, 0x00}), TzxBlock(0x27, {}),
                           TzxBlock(0x28, {0x01, 0x00, 0x00}), TzxBlock(0x40, {0x00, 0x01, 0x00, 0x00, 0x00}),
                           TzxBlock(0x5A, {'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 13})});
  RunSeeds("tzx", fuzz::FuzzTzx,
           {every, steering, TzxHeader(), Bytes{0x12, 0x01, 0x00}, CswFile(1, {300, 500, 70000}, 44100),
            CswFile(2, RomPulses(tap), 44100, true), PzxFile(tap)},
           300);
}

TEST(FuzzSeedTest, BlockLoadSurvivesMutatedBlocks) {
  auto block = [](std::uint16_t base, std::uint16_t count, const Bytes& body) {
    Bytes input{static_cast<std::uint8_t>(base), static_cast<std::uint8_t>(base >> 8),
                static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8)};
    input.insert(input.end(), body.begin(), body.end());
    return input;
  };
  RunSeeds("block", fuzz::FuzzBlock,
           {block(0, 16384, Bytes(100, 1)), block(16384, 6912, Bytes(6912, 2)),
            block(0xFFFF, 2, {7, 8}), block(0x9000, 5, {}), block(0x8000, 0xFFFF, Bytes(10, 9))},
           200);
}

TEST(FuzzSeedTest, ArchivesSurviveMutatedDirectoriesAndData) {
  const Bytes tap = Joined({TapBlock(0x00, BasicHeader("demo", 20, 10)), TapBlock(0xFF, Bytes(20, 0x33))});
  Bytes sna(49179, 0);
  sna[23] = 0x00;
  sna[24] = 0x80;
  // The wrapped form: member 0 (a.tap) deflated, sizes and CRC from the seed.
  Bytes deflated = RawDeflated(tap);
  Bytes wrapped{0x00, static_cast<std::uint8_t>(tap.size()), 0, 0, 0};
  const auto crc = static_cast<std::uint32_t>(crc32(0, tap.data(), static_cast<uInt>(tap.size())));
  PutLe(wrapped, crc, 4);
  wrapped.insert(wrapped.end(), deflated.begin(), deflated.end());
  Bytes stored_sna{0x09, 0, 0, 0, 0, 0, 0, 0, 0};
  stored_sna.insert(stored_sna.end(), sna.begin(), sna.end());
  RunSeeds("zip", fuzz::FuzzZip,
           {ZipFile({{"readme.txt", {'h', 'i'}}, {"demo.tap", tap}}), ZipFile({{"x.sna", sna, false}}),
            GzipFile(tap), wrapped, stored_sna, Bytes{}},
           150);
}

TEST(FuzzSeedTest, PokReaderSurvivesMutatedTrainers) {
  const std::string text = "NInfinite lives\r\nM  8 40000 42 0\r\nZ  8 40001 256 3\r\nNTime\nZ  0 16384 1 2\n"
                           "N128K\nZ  3 49152 9 0\nY\n";
  RunSeeds("pok", fuzz::FuzzPok, {Bytes(text.begin(), text.end()), Bytes{'Y'}, Bytes{}}, 300);
}

TEST(FuzzSeedTest, SzxAndRzxReadersSurviveMutatedFiles) {
  auto machine = std::make_unique<Machine>();
  InitMachine(*machine);
  CpuState cpu;
  cpu.pc = 0x8000;
  cpu.iff = 4;
  machine->frame_tstates = 5000;
  for (std::size_t k = 0x4000; k < 0x10000; ++k) machine->memory[k] = static_cast<std::uint8_t>(k % 251);
  const Bytes szx = SzxFileBytes(*machine, cpu).value();
  RunSeeds("szx", fuzz::FuzzSzx, {szx, Bytes(szx.begin() + 8, szx.end()), Bytes{}}, 150);

  // A recording of three frames, made as the loop makes one.
  const std::string path = ::testing::TempDir() + "seed.rzx";
  ASSERT_FALSE(StartInputRecording(*machine, cpu, path));
  InputLog& log = machine->input_log;
  for (std::uint32_t frame = 0; frame < 3; ++frame) {
    for (std::uint8_t read = 0; read < frame * 2; ++read) LogPortRead(log, static_cast<std::uint8_t>(0xBF - read));
    log.frame_fetches.push_back(1000 + frame);
    log.frame_starts.push_back(log.port_bytes.size());
  }
  ASSERT_FALSE(StopInputRecording(*machine));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  Bytes rzx(4096);
  rzx.resize(std::fread(rzx.data(), 1, rzx.size(), file));
  std::fclose(file);
  RunSeeds("rzx", fuzz::FuzzRzx, {rzx, Bytes(rzx.begin() + 10, rzx.end()), Bytes{}}, 150);
}

}  // namespace
