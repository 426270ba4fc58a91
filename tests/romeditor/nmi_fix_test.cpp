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

TEST_F(NmiFix, OnlyTheTwoJumpsAreToggledAndAnyOtherByteIsNamedAndLeftAlone) {
  struct Case { std::uint8_t before, after; const char* text; bool mark; };
  const Case cases[] = {
      {0x20, 0x28, "NMI fix installed.", true},
      {0x28, 0x20, "NMI Fix removed.", false},
      {0x00, 0x00, "The byte at 006Dh is 00h, not JR NZ (20h) or JR Z (28h). The ROM was left unchanged.", true},
      {0x18, 0x18, "The byte at 006Dh is 18h, not JR NZ (20h) or JR Z (28h). The ROM was left unchanged.", false},
      {0xFF, 0xFF, "The byte at 006Dh is FFh, not JR NZ (20h) or JR Z (28h). The ROM was left unchanged.", true},
  };
  for (const Case& c : cases) {
    editor.rom_image[0x6D] = c.before;
    RomImage expected = editor.rom_image;
    expected[0x6D] = c.after;
    // A foreign byte must keep whatever mark stood before; a jump sets it.
    bool foreign = c.before != 0x20 && c.before != 0x28;
    editor.nmi_fix_mark = foreign ? c.mark : !c.mark;
    ToggleNmiFix(editor, host);
    EXPECT_EQ(editor.rom_image, expected) << "byte " << int(c.before);
    EXPECT_EQ(LastText(), c.text) << "byte " << int(c.before);
    EXPECT_EQ(editor.nmi_fix_mark, c.mark) << "byte " << int(c.before);
  }
}

}  // namespace
