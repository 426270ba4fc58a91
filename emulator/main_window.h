// Vantro's main window: the menu bar with its command numbers and check
// marks, the picture area, the held-key set, and the menu dispatch that runs
// each command to its end between two instructions. Built by start-up
// (program_qt.cpp); the emulation loop presents frames through it.
#pragma once
#include <QMainWindow>
#include <map>
#include <memory>

#include "emulator/vantro_records.h"
#include "machine/speech.h"
#include "snapshots/blocks.h"
#include "tools/charset_editor_window.h"
#include "tools/host.h"

class PictureView;
class QAction;

// The command number every menu event carries.
enum MenuCommand : int {
  kCommandOpen = 1,
  kCommandSaveSna = 2,
  kCommandLoadBlock = 3,
  kCommandSaveBlock = 4,
  kCommandExit = 5,
  kCommandHardReset = 6,
  kCommandSoftReset = 7,
  kCommandSpeed25 = 8,
  kCommandSpeed50 = 9,
  kCommandSpeed100 = 10,
  kCommandSpeed200 = 11,
  kCommandNoLimit = 12,
  kCommandWindow100 = 13,
  kCommandWindow200 = 14,
  kCommandColour = 15,
  kCommandMonochrome = 16,
  kCommandGreenScreen = 17,
  kCommandWriteProtect = 18,
  kCommandSweetTalker = 19,
  kCommandCurrah = 20,
  kCommandKempston = 21,
  kCommandInterface2Port1 = 22,
  kCommandInterface2Port2 = 23,
  kCommandCursor = 24,
  kCommandDebugger = 25,
  kCommandDisassembleToFile = 26,
  kCommandDisassembleToWindow = 27,
  kCommandForceBreak = 28,
  kCommandHexDump = 29,
  kCommandPeek = 30,
  kCommandPoke = 31,
  kCommandFastBorder = 32,
  kCommandHelpTopics = 33,
  kCommandAbout = 34,
  kCommandCharsetEditor = 36,
  kCommandSound = 37,
  kCommandPlayTape = 38,
  kCommandRewindTape = 39,
  kCommandFastTapeLoading = 40,
  kCommandFastForwardLoading = 41,
};

inline constexpr char kMainWindowTitle[] = "Vantro Spectrum Emulator";
constexpr int kMainWindowX = 50;
constexpr int kMainWindowY = 50;
// A trace block that could not be written to "debug.lst", at a flush or at
// the end of the program.
inline constexpr char kTraceWriteTitle[] = "Debug to file";
inline constexpr char kTraceWriteFailed[] = "Can't write to debug.lst! The trace text is lost.";

// "MenuItem: 33 is not currently installed."
std::string UninstalledCommandText(int command);

class MainWindow : public QMainWindow {
 public:
  MainWindow(VantroRecords& records, Host& host, BlockAsker& block_asker,
             MillisecondClock& clock, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs the action of a menu command to its end (tool windows run their
  // own modal loops meanwhile), then brings every check mark up to date.
  void Dispatch(int command);
  // The menu item of a command number, or null.
  QAction* ActionFor(int command) const;

  // Frame end: shows the frame picture, or at 200% its 640x480 copy.
  void Present();
  // Opens a file as "Open" does with that file chosen: for `vantro FILE`
  // and a file dropped on the window.
  void OpenPath(const std::string& path);
  // A breakpoint fired, the trace was flushed, or "Debugger" was chosen.
  void OpenDebugger();

  PictureView* picture() const { return picture_; }
  CharsetEditorState& charset_state() { return charset_state_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenuBar();
  void SyncCheckMarks();
  void SetWindowSize(bool double_size);
  void SetOutput(VideoOutput output);
  void ShowUninstalled(int command);
  void ReleaseAllKeys();

  VantroRecords& records_;
  Host& host_;
  BlockAsker& block_asker_;
  MillisecondClock& clock_;
  PictureView* picture_ = nullptr;
  std::map<int, QAction*> actions_;
  CharsetEditorState charset_state_;
  bool x11_scan_codes_ = false;
};
