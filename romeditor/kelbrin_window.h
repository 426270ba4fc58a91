// Kelbrin's main window: the title picture, the menu bar with its command
// ids, and the dispatch that runs each command on the RomEditor to its end.
// main() builds it once; tests build it with a scripted host and asker.
#pragma once
#include <QImage>
#include <QMainWindow>
#include <map>

#include "romeditor/kelbrin_asker.h"
#include "romeditor/rom_editor.h"
#include "romeditor/vantro_launch_qt.h"
#include "tools/charset_editor_window.h"
#include "tools/host.h"
#include "tools/listing.h"

class QAction;
class QLabel;

// Menu command ids; the dispatch runs on these numbers.
enum KelbrinCommand : int {
  kCmdLoadBlock = 1,
  kCmdSaveBlock = 2,
  kCmdRestoreRom = 3,
  kCmdExit = 4,
  kCmdRunInVantro = 5,
  kCmdDisassembleToFile = 10,
  kCmdDisassembleToWindow = 11,
  kCmdDefineCode = 12,
  kCmdDefineData = 13,
  kCmdOutputInHex = 14,
  kCmdEnableMapping = 15,
  kCmdEditCharset = 16,
  kCmdHexDump = 17,
  kCmdPeek = 18,
  kCmdPoke = 19,
  kCmdNmiFix = 20,
  kCmdHelp = 34,
  kCmdAbout = 35,
};

// Answers the commands' questions with the real dialogs.
class QtKelbrinAsker : public KelbrinAsker {
 public:
  QtKelbrinAsker(QWidget* parent, ListingState& state) : parent_(parent), state_(state) {}
  std::optional<BlockRequest> AskBlock(BlockForm form) override;
  std::optional<RomRange> AskRange(std::string_view title) override;

 private:
  QWidget* parent_;
  ListingState& state_;
};

class KelbrinWindow : public QMainWindow {
 public:
  KelbrinWindow(RomEditor& editor, Host& host, CharsetEditorState& charset,
                const QImage& title_picture);

  // Runs the command of a menu id; an unknown id gets the "Info" box.
  void RunCommand(int id);
  // The menu item of an id, or null.
  QAction* action(int id) const;
  // Tests replace the dialogs with a script.
  void set_asker(KelbrinAsker* asker) { asker_ = asker; }
  VantroLauncher& launcher() { return launcher_; }
  QWidget* client() const { return client_; }
  QLabel* title_label() const { return title_label_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Escape, "Exit" and the close box end here: with unsaved changes the
  // user is asked first, and No keeps Kelbrin open.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void SyncCheckMarks();
  void DisassembleToWindow();

  RomEditor& editor_;
  Host& host_;
  CharsetEditorState& charset_;
  ListingState listing_state_;
  QtKelbrinAsker dialogs_;
  KelbrinAsker* asker_;
  VantroLauncher launcher_;
  std::map<int, QAction*> actions_;
  QWidget* client_ = nullptr;
  QLabel* title_label_ = nullptr;
};
