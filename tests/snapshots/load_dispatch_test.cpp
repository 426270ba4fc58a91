// "Open": dispatch by extension to the SNA and Z80 loaders or the tape, and
// the tape's life across Opens.
#include <gtest/gtest.h>

#include "support/fake_host.h"
#include "snapshot_files.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/tape.h"

namespace {

enum class Went { sna, z80, tape, nowhere };

class DispatchTest : public ::testing::Test {
 protected:
  TempFolder folder;
  FakeHost host;
  std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  CpuState cpu;

  ~DispatchTest() override { EjectTape(*machine); }

  // A file that each loader would recognise by its effect: as SNA it sets
  // pc from the stack at 8000h (5A5Ah); as Z80 it sets A = 77h; any other
  // way it becomes the tape.
  std::string MakeFile(const std::string& name) {
    Bytes file(49179, 0);
    file[0] = 0x77;        // Z80: A; SNA: I
    file[6] = 0x34;        // Z80: PC low
    file[23] = 0x00;       // SNA: SP 8000h
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
    if (cpu.a == 0x77) return Went::z80;
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
    EXPECT_EQ(machine->tape_active, machine->tape_file != nullptr) << c.name;
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DispatchTest, DialogAsksForAllSupportedFiles) {
  Open(MakeFile("x.tap"));
  ASSERT_EQ(host.dialogs.size(), 1u);
  EXPECT_EQ(host.dialogs[0], (std::pair<std::string, std::string>{
                                 "Load File", "All supported files (*.sna)|*.sna;*.z80;*.tap"}));
}

TEST_F(DispatchTest, EveryOpenTakesTheTapeOutFirst) {
  ASSERT_EQ(Open(MakeFile("first.tap")), Went::tape);
  // Cancelling the dialog leaves no tape in.
  LoadFileDispatcher(*machine, cpu, host);
  EXPECT_FALSE(machine->tape_active);
  EXPECT_EQ(machine->tape_file, nullptr);

  ASSERT_EQ(Open(MakeFile("second.tap")), Went::tape);
  EXPECT_EQ(Open(MakeFile("snap.sna")), Went::sna);
  EXPECT_FALSE(machine->tape_active) << "a snapshot must run without the old tape";

  // A tape that cannot be opened stays out, silently.
  EXPECT_EQ(Open(folder.File("missing.tap")), Went::nowhere);
  EXPECT_EQ(machine->tape_file, nullptr);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DispatchTest, LoaderFailuresAreTheLoadersOwn) {
  Open(folder.File("missing.sna"));
  Open(folder.File("missing.z80"));
  const std::vector<std::pair<std::string, std::string>> want{
      {"Load SNA", "Can't open file for reading!"}, {"Load Z80", "Can't open file!"}};
  EXPECT_EQ(host.messages, want);
}

}  // namespace
