// "Open": dispatch by extension to the SNA and Z80 loaders or the tape, and
// the tape's life across Opens.
#include <gtest/gtest.h>

#include "support/fake_host.h"
#include "snapshot_files.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/tape.h"
#include "computer/computer.h"
#include "tape_fixtures.h"
#include "archive_fixtures.h"

namespace {

enum class Went { sna, z80, tape, nowhere };

class DispatchTest : public ::testing::Test {
 protected:
  TempFolder folder;
  FakeHost host;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  CpuState cpu;

  ~DispatchTest() override { EjectTape(*machine); }

  // A file that each loader takes and recognisably: as SNA it sets pc from
  // the stack at 8000h (5A5Ah); as a compressed first-version Z80 it sets
  // A = 19h; as a TAP it is one block of C019h bytes.
  std::string MakeFile(const std::string& name) {
    Bytes file(49179, 0);
    file[0] = 0x19;  // TAP: block length low byte; Z80: A; SNA: I
    file[1] = 0xC0;
    file[6] = 0x34;  // Z80: PC low
    file[12] = 0x20;  // Z80: compressed
    std::size_t at = 30;
    for (std::size_t left = 49152; left > 0; left -= std::min<std::size_t>(left, 255)) {
      for (std::uint8_t byte : {0xED, 0xED, static_cast<int>(std::min<std::size_t>(left, 255)), 0}) file[at++] = byte;
    }
    for (std::uint8_t byte : {0x00, 0xED, 0xED, 0x00}) file[at++] = byte;
    file[23] = 0x00;  // SNA: SP 8000h
    file[24] = 0x80;
    file[27 + 0x4000] = 0x5A;  // SNA: the word at 8000h
    file[28 + 0x4000] = 0x5A;
    std::string path = folder.File(name);
    WriteFile(path, file);
    return path;
  }

  Went Open(const std::string& path) {
    cpu = CpuState{};
    cpu.pc = 0x1111;
    host.open_paths.push_back(path);
    LoadFileDispatcher(*machine, cpu, host);
    if (machine->tape_active) return Went::tape;
    if (cpu.pc == 0x5A5A) return Went::sna;
    if (cpu.a == 0x19) return Went::z80;
    return Went::nowhere;
  }
};

TEST_F(DispatchTest, ExtensionChoosesTheLoaderWhateverItsCase) {
  struct Case { const char* name; Went want; };
  const Case cases[] = {
      {"a.sna", Went::sna}, {"b.SNA", Went::sna}, {"c.Sna", Went::sna},
      {"d.z80", Went::z80}, {"e.Z80", Went::z80},
      {"f.tap", Went::tape}, {"g.TAP", Went::tape}, {"h.bin", Went::tape},
      {"noextension", Went::tape}, {"dot.", Went::tape}, {"sna", Went::tape},
      {"archive.sna.tap", Went::tape}, {"tape.tap.sna", Went::sna},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Open(MakeFile(c.name)), c.want) << c.name;
    EXPECT_EQ(machine->tape_active, machine->tape_signal.inserted) << c.name;
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DispatchTest, DialogAsksForAllSupportedFilesOrAnyFile) {
  Open(MakeFile("x.tap"));
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0], (std::pair<std::string, std::string>{
                                 "Load File", "All supported files (*.sna)|*.sna;*.z80;*.tap;*.tzx;*.csw;*.pzx;*.wav"
                                              ";*.szx;*.rzx;*.zip;*.gz;;All files (*)|*"}));
}

TEST_F(DispatchTest, ASnapshotTakesTheTapeOutACancelOrARefusedFileDoesNot) {
  ASSERT_EQ(Open(MakeFile("first.tap")), Went::tape);
  const Bytes first = machine->tape_signal.image->bytes;
  const bool playing = machine->tape_signal.playing;
  // Cancelling the dialog leaves the tape in, and as it was.
  LoadFileDispatcher(*machine, cpu, host);
  EXPECT_TRUE(machine->tape_active) << "a cancelled Open took the tape out";
  ASSERT_TRUE(machine->tape_signal.inserted);
  EXPECT_EQ(machine->tape_signal.image->bytes, first);
  EXPECT_EQ(machine->tape_signal.playing, playing);

  ASSERT_EQ(Open(MakeFile("second.tap")), Went::tape);
  const Bytes second = machine->tape_signal.image->bytes;
  // Refused files, each reported through the host: the tape stays in.
  WriteFile(folder.File("short.sna"), Bytes(100, 0));
  WriteFile(folder.File("empty.tap"), Bytes{});
  for (const char* name : {"short.sna", "empty.tap", "missing.z80"}) {
    EXPECT_EQ(Open(folder.File(name)), Went::tape) << name;
    EXPECT_EQ(machine->tape_signal.image->bytes, second) << name;
  }
  const std::vector<std::pair<std::string, std::string>> want{
      {"Load SNA", "This is not an SNA snapshot: an SNA file is 49,179 bytes long!"},
      {"Load TAP", "The tape image is empty!"},
      {"Load Z80", "Can't open file!"}};
  EXPECT_EQ(host.messages, want);

  EXPECT_EQ(Open(MakeFile("snap.sna")), Went::sna);
  EXPECT_FALSE(machine->tape_active) << "a snapshot must run without the old tape";
  EXPECT_FALSE(machine->tape_signal.inserted);
}

// A program waiting in HALT when a snapshot comes in must resume the loaded
// program exactly at its PC, not one byte past it.
TEST_F(DispatchTest, SnapshotLoadEndsAHaltSoTheFirstInterruptPushesTheLoadedPc) {
  Bytes sna(49179, 0);
  sna[19] = 4;     // interrupts enabled
  sna[23] = 0x00;  // SP 8000h
  sna[24] = 0x80;
  sna[25] = 1;     // IM 1
  sna[27 + 0x4000] = 0x34;  // PC 1234h on the stack
  sna[28 + 0x4000] = 0x12;
  Bytes z80{0, 0, 0, 0, 0, 0, 0x34, 0x12, 0x02, 0x80, 0, 0, 0x20};  // PC 1234h, SP 8002h
  z80.resize(30, 0);
  z80[27] = 1;  // interrupts enabled
  z80[29] = 1;  // IM 1
  for (std::size_t left = 49152; left > 0; left -= std::min<std::size_t>(left, 255)) {
    z80.insert(z80.end(), {0xED, 0xED, static_cast<std::uint8_t>(std::min<std::size_t>(left, 255)), 0});
  }
  z80.insert(z80.end(), {0x00, 0xED, 0xED, 0x00});
  WriteFile(folder.File("halt.sna"), sna);
  WriteFile(folder.File("halt.z80"), z80);
  for (const char* name : {"halt.sna", "halt.z80"}) {
    cpu = CpuState{};
    cpu.pc = 0x7000;  // waiting on a HALT at 7000h
    cpu.halted = true;
    ASSERT_FALSE(OpenFile(*machine, cpu, folder.File(name))) << name;
    ASSERT_EQ(cpu.pc, 0x1234) << name;
    AcceptInterrupt(cpu, *machine);
    EXPECT_EQ(cpu.pc, 0x0038) << name;
    EXPECT_EQ(cpu.sp, 0x8000) << name;
    EXPECT_EQ(machine->memory[0x8000] | machine->memory[0x8001] << 8, 0x1234) << name << ": pushed address";
  }
}

// A zip or gzip file goes in as the member its name and choice say; a
// damaged archive, one with nothing to open, a cancelled choice and a member
// its loader refuses all leave the machine and the tape in it alone.
TEST_F(DispatchTest, ArchiveMemberOpensByItsOwnNameAndRefusedArchivesChangeNothing) {
  const Bytes file = ReadFile(MakeFile("member"));
  const Bytes readme{'h', 'i', '\n'};
  auto patched = [](Bytes zip, std::size_t local_at, std::size_t central_at, std::uint8_t value) {
    // A one-member archive: the byte in the local header and the directory.
    const std::size_t directory = zip.size() - 22 - 46 - (zip[26] | zip[27] << 8);
    zip[local_at] = value;
    zip[directory + central_at] = value;
    return zip;
  };
  Bytes stored = ZipFile({{"game.sna", file, false}});
  Bytes bad_crc = stored;
  bad_crc[30 + 8 + 100] ^= 0x01;  // a RAM byte of the stored snapshot
  Bytes cut_zip = ZipFile({{"game.sna", file}});
  cut_zip.resize(cut_zip.size() - 10);
  Bytes cut_gz = GzipFile(file);
  cut_gz.resize(cut_gz.size() / 2);
  const std::string crc_failed = "This zip archive cannot be used: \"game.sna\" is damaged (its CRC-32 check fails).";
  const std::string none_inside =
      "This zip archive holds no snapshot or tape Vantro opens (.sna, .z80, .szx, .rzx, .tap, .tzx, .csw, .pzx, .wav)!";

  struct Case {
    std::string name;
    Bytes bytes;
    std::deque<int> choices;
    Went want;
    std::pair<std::string, std::string> message;  // none when the title is empty
  };
  const Case cases[] = {
      {"readme_first.zip", ZipFile({{"README.TXT", readme}, {"game.SNA", file}}), {}, Went::sna, {}},
      {"stored.ZIP", ZipFile({{"folder/", {}, false}, {"folder/game.tap", file, false}}), {}, Went::tape, {}},
      {"game.z80.gz", GzipFile(file), {}, Went::z80, {}},
      {"game.gz", GzipFile(file, "GAME.Z80"), {}, Went::z80, {}},
      {"two.zip", ZipFile({{"a.tap", file}, {"b.sna", file}}), {1}, Went::sna, {}},
      {"two_cancelled.zip", ZipFile({{"a.tap", file}, {"b.sna", file}}), {-1}, Went::nowhere, {}},
      {"cut.zip", cut_zip, {}, Went::nowhere,
       {"Load ZIP", "This zip archive cannot be used: it has no zip directory at its end (not a zip archive, or cut off)."}},
      {"crc.zip", bad_crc, {}, Went::nowhere, {"Load ZIP", crc_failed}},
      {"bzip2.zip", patched(stored, 8, 10, 12), {}, Went::nowhere,
       {"Load ZIP", "This zip archive cannot be used: \"game.sna\" is packed by method 12, which is not supported "
                    "(stored and deflated are)."}},
      {"locked.zip", patched(stored, 6, 8, 1), {}, Went::nowhere,
       {"Load ZIP", "This zip archive cannot be used: \"game.sna\" is encrypted."}},
      {"readme.zip", ZipFile({{"readme.txt", readme}, {"game.pok", readme}}), {}, Went::nowhere, {"Load ZIP", none_inside}},
      {"cut.z80.gz", cut_gz, {}, Went::nowhere, {"Load GZ", "This gzip file cannot be used: its data is cut off."}},
      {"notes.txt.gz", GzipFile(readme), {}, Went::nowhere,
       {"Load GZ", "\"notes.txt\" is what this gzip file holds: no snapshot or tape Vantro opens (.sna, .z80, .szx, .rzx, "
                   ".tap, .tzx, .csw, .pzx, .wav)!"}},
      {"short.zip", ZipFile({{"short.sna", readme}}), {}, Went::nowhere,
       {"Load SNA", "This is not an SNA snapshot: an SNA file is 49,179 bytes long!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(c.name);
    WriteFile(path, c.bytes);
    ASSERT_FALSE(InsertTape(*machine, MakeFile("previous.tap")));
    const auto previous = machine->tape_signal.image;
    const auto memory = machine->memory;
    cpu = CpuState{};
    cpu.pc = 0x1111;
    host.messages.clear();
    host.choices = c.choices;
    host.open_paths.push_back(path);
    LoadFileDispatcher(*machine, cpu, host);
    Went went = Went::nowhere;
    if (machine->tape_active && machine->tape_signal.image != previous) went = Went::tape;
    if (cpu.pc == 0x5A5A) went = Went::sna;
    if (cpu.a == 0x19) went = Went::z80;
    EXPECT_EQ(went, c.want);
    if (c.want == Went::sna || c.want == Went::z80) {
      EXPECT_FALSE(machine->tape_active);
    }
    if (c.want == Went::nowhere) {
      EXPECT_EQ(machine->tape_signal.image, previous) << "the tape that was in stays in";
      EXPECT_TRUE(machine->memory == memory) << "memory is unchanged";
      EXPECT_EQ(cpu.pc, 0x1111);
    }
    std::vector<std::pair<std::string, std::string>> want;
    if (!c.message.first.empty()) want.push_back(c.message);
    EXPECT_EQ(host.messages, want);
  }
  EXPECT_EQ(host.choice_lists.back(), (std::vector<std::string>{"a.tap", "b.sna"}));
}

TEST_F(DispatchTest, LoaderFailuresAreTheLoadersOwn) {
  Open(folder.File("missing.sna"));
  Open(folder.File("missing.z80"));
  const std::vector<std::pair<std::string, std::string>> want{
      {"Load SNA", "Can't open file for reading!"}, {"Load Z80", "Can't open file!"}};
  EXPECT_EQ(host.messages, want);
}

}  // namespace
