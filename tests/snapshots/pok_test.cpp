// "Apply POKEs...": the command around the POK reader, with a scripted user
// choosing trainers (the reader's rules are checked through vantro-run).
#include <gtest/gtest.h>

#include "snapshot_files.h"
#include "snapshots/pok.h"
#include "support/fake_host.h"

namespace {

struct ScriptedChooser : TrainerChooser {
  std::optional<std::vector<ChosenTrainer>> answer;
  std::vector<std::string> offered;
  std::optional<std::vector<ChosenTrainer>> ChooseTrainers(const std::vector<Trainer>& trainers) override {
    offered.clear();
    for (const Trainer& trainer : trainers) offered.push_back(trainer.name);
    return answer;
  }
};

TEST(ApplyPokesTest, ChosenTrainersLandWithTheirAskedValuesAndACancelOrABadFileChangesNothing) {
  TempFolder folder;
  const std::string pok = folder.File("game.pok"), bad = folder.File("bad.pok");
  const std::string text = "NLives\nM  8 40000 42 0\nZ  8 40001 256 3\nNTime\nZ  8 40002 7 1\nN128K\nZ  4 49152 9 0\nY\n";
  WriteFile(pok, Bytes(text.begin(), text.end()));
  const std::string broken = "NLives\nZ  8 40000 42\nY\n";
  WriteFile(bad, Bytes(broken.begin(), broken.end()));
  auto machine = PatternedMachine();
  const auto before = machine->memory;
  FakeHost host;
  ScriptedChooser chooser;

  // Cancelled file dialog, cancelled trainer dialog, malformed file.
  ApplyPokesCommand(*machine, host, chooser);
  host.open_paths = {pok};
  ApplyPokesCommand(*machine, host, chooser);
  EXPECT_EQ(chooser.offered, (std::vector<std::string>{"Lives", "Time", "128K"}));
  chooser.offered.clear();
  host.open_paths = {bad};
  chooser.answer = std::vector<ChosenTrainer>{{0, {9}}};
  ApplyPokesCommand(*machine, host, chooser);
  EXPECT_TRUE(chooser.offered.empty()) << "a malformed file offers no trainer";
  EXPECT_TRUE(machine->memory == before);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].second,
            "This POK file cannot be used: line 2: a poke line holds four numbers (bank, address, value, original), "
            "this one 3 fields.");
  EXPECT_EQ(host.dialogs.front(), (std::pair<std::string, std::string>{"Apply POKEs", "POK trainers (*.pok)|*.pok"}));

  // "Lives" with 9 for its open poke, and the 128K one, which is not poked.
  host.open_paths = {pok};
  chooser.answer = std::vector<ChosenTrainer>{{0, {9}}, {2, {}}};
  ApplyPokesCommand(*machine, host, chooser);
  EXPECT_EQ(machine->memory[40000], 42);
  EXPECT_EQ(machine->memory[40001], 9);
  EXPECT_EQ(machine->memory[40002], before[40002]) << "an unchosen trainer was poked";
  EXPECT_EQ(machine->memory[49152], before[49152]) << "a 128K-only trainer was poked";
}

}  // namespace
