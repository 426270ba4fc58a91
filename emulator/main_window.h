// Vantro's main window: the menu bar with its command numbers and check
// marks, the picture area, the held-key set, and the menu dispatch that runs
// each command to its end between two instructions. Built by start-up
// (program_qt.cpp); the emulation loop presents frames through it.
#pragma once
#include <QMainWindow>
#include <map>
#include <memory>
#include <utility>

#include "emulator/vantro_records.h"
#include "machine/input_log.h"
#include "machine/speech.h"
#include "snapshots/blocks.h"
#include "snapshots/pok_dialog.h"
#include "tools/charset_editor_window.h"
#include "tools/host.h"

class PictureView;
class QAction;
class QLabel;
class QTimer;

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
  kCommandWindow300 = 50,
  kCommandWindow400 = 51,
  kCommandFullScreen = 52,
  kCommandPause = 53,
  kCommandRewind = 54,
  kCommandSaveScreenshot = 55,
  kCommandApplyPokes = 56,
  kCommandSaveTape = 42,
  kCommandRecordInput = 57,
  kCommandStopRecording = 58,
};

inline constexpr char kMainWindowTitle[] = "Vantro Spectrum Emulator";
constexpr int kMainWindowX = 50;
constexpr int kMainWindowY = 50;
// A trace block that could not be written to "debug.lst", at a flush or at
// the end of the program.
inline constexpr char kTraceWriteTitle[] = "Debug to file";
inline constexpr char kTraceWriteFailed[] = "Can't write to debug.lst! The trace text is lost.";

inline constexpr char kPausedTitle[] = "Paused";
inline constexpr char kPadConnectedTitle[] = "Game pad connected: ";
// How long the title names a pad that was plugged in.
constexpr int kPadNoticeMs = 4000;
// Full screen: the menu bar and pointer hide once the pointer rests this long.
constexpr int kChromeRestMs = 2000;
inline constexpr char kScreenshotTitle[] = "Save Screenshot";
// The two entries of the dialog's file type box: the size chosen with it.
inline constexpr char kScreenshotFilter[] = "PNG picture at the size shown (*.png);;PNG picture at 100% (*.png)";

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

  // "Pause": the program holds the machine and its sound at the next frame
  // end while this is set.
  bool paused() const { return paused_; }
  // "Rewind" presses not yet served; the program serves them after the pass
  // that ends the frame, where the points were kept.
  bool rewind_pressed() const { return rewind_presses_ > 0; }
  int TakeRewindPresses() { return std::exchange(rewind_presses_, 0); }
  // A game pad was plugged in: the title names it for a few seconds.
  void ShowPadConnected(const std::string& name);
  // "Save Screenshot...": the last frame with its border as PNG.
  void SaveScreenshot();
  // "Record Input..." asks for the file; the recording starts here, which
  // the program calls at the end of its between-frames work, where the
  // frame's interrupt comes next.
  void StartPendingRecording();
  // After each frame: a playback that has ended is told, and the title
  // follows the recording's state.
  void ShowRecordingNews();

  PictureView* picture() const { return picture_; }
  CharsetEditorState& charset_state() { return charset_state_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenuBar();
  void SyncCheckMarks();
  // Play Tape's mark and the title's tape line, after a command and at
  // every frame end.
  void FollowTape();
  // The player's side of the window (main_window_view_qt.cpp).
  void SetUpPlayerView();
  void TogglePause();
  void SetWindowSize(int scale);
  void SetFullScreen(bool full_screen);
  // Hides the window sizes that would not fit the screen.
  void OfferFittingSizes();
  void ShowChrome(bool shown);
  // The title: the program's name, then Paused, the tape's line and a notice.
  void UpdateTitle();
  // The status line under the picture: the tape's line, whole (a title bar
  // as narrow as the window cuts it); shown only while a tape is in, and
  // hidden with the menu bar in full screen.
  void ShowTapeLine();
  void SetOutput(VideoOutput output);
  void ShowUninstalled(int command);
  void AskForRecording();
  // A recording made or played stops before a command that changes the
  // machine other than through its inputs, which it could not play back.
  void StopRecordingBefore(int command);
  void ReleaseAllKeys();

  VantroRecords& records_;
  Host& host_;
  BlockAsker& block_asker_;
  QtTrainerChooser trainer_chooser_{this};
  MillisecondClock& clock_;
  PictureView* picture_ = nullptr;
  std::map<int, QAction*> actions_;
  CharsetEditorState charset_state_;
  bool x11_scan_codes_ = false;
  int window_scale_ = 1;  // "Window": 100% to 400%
  bool full_screen_ = false;
  bool paused_ = false;
  int rewind_presses_ = 0;
  QTimer* chrome_timer_ = nullptr;  // hides menu bar and pointer in full screen
  QPoint pointer_at_;
  QTimer* notice_timer_ = nullptr;  // ends the pad's name in the title
  QString notice_;
  std::string pending_record_path_;
  InputLogMode shown_log_mode_ = InputLogMode::off;  // what the title tells
  std::string tape_status_;  // the tape's line as the title shows it
  QLabel* tape_line_ = nullptr;
};
