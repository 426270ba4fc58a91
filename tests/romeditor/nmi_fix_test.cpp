// The NMI patch at 006Dh and its check mark.
#include <gtest/gtest.h>

#include "support/fake_host.h"
#include "romeditor/nmi_fix.h"
#include "romeditor/rom_editor.h"
#include "romeditor/rom_map.h"

namespace {

class NmiFix : public ::testing::Test {
 protected:
  void SetUp() override { InitRomEditor(editor); }
  std::string LastText() const { return host.messages.empty() ? "" : host.messages.back().second; }
  RomEditor editor;
  FakeHost host;
};

TEST_F(NmiFix, BuiltInRomHoldsJrNzAtTheNmiJump) {
  EXPECT_EQ(editor.rom_image[0x6D], 0x20);
}

TEST_F(NmiFix, ToggleInstallsThenRemovesAndOnlyThatByteChanges) {
  RomImage before = editor.rom_image;
  RomMap map = editor.rom_map;
  ToggleNmiFix(editor, host);
  EXPECT_EQ(editor.rom_image[0x6D], 0x28);
  EXPECT_EQ(host.messages.back(), std::make_pair(std::string("NMI Fix"), std::string("NMI fix installed.")));
  EXPECT_TRUE(editor.nmi_fix_mark);
  before[0x6D] = 0x28;
  EXPECT_EQ(editor.rom_image, before);
  EXPECT_EQ(editor.rom_map, map);

  ToggleNmiFix(editor, host);
  EXPECT_EQ(editor.rom_image[0x6D], 0x20);
  EXPECT_EQ(host.messages.back(), std::make_pair(std::string("NMI Fix"), std::string("NMI Fix removed.")));
  EXPECT_FALSE(editor.nmi_fix_mark);
}

TEST_F(NmiFix, RestoreBringsBackJrNzButKeepsTheMark) {
  ToggleNmiFix(editor, host);
  host.yes_no.push_back(true);
  RestoreDefaultRomCommand(editor, host);
  EXPECT_EQ(editor.rom_image[0x6D], 0x20);
  EXPECT_TRUE(editor.nmi_fix_mark) << "the mark shows the last toggle, not the byte";
  ToggleNmiFix(editor, host);
  EXPECT_EQ(editor.rom_image[0x6D], 0x28);
  EXPECT_EQ(LastText(), "NMI fix installed.");
  EXPECT_TRUE(editor.nmi_fix_mark);
}

TEST_F(NmiFix, ForeignByteIsStillFlippedAndCountsAsInstalled) {
  struct Case { std::uint8_t before, after; const char* text; bool mark; };
  const Case cases[] = {
      {0x00, 0x08, "NMI fix installed.", true},
      {0x18, 0x10, "NMI fix installed.", true},  // JR e becomes DJNZ e
      {0xFF, 0xF7, "NMI fix installed.", true},
      {0x28, 0x20, "NMI Fix removed.", false},
  };
  for (const Case& c : cases) {
    editor.rom_image[0x6D] = c.before;
    editor.nmi_fix_mark = !c.mark;
    ToggleNmiFix(editor, host);
    EXPECT_EQ(editor.rom_image[0x6D], c.after) << int(c.before);
    EXPECT_EQ(LastText(), c.text) << int(c.before);
    EXPECT_EQ(editor.nmi_fix_mark, c.mark) << int(c.before);
  }
}

}  // namespace
