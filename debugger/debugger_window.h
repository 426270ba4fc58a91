// "Vantro - Debugger": the modal window in which the user single-steps the
// Z80, watches registers, stack and T-states, arms the breakpoint, loads
// registers, forces the interrupt state and starts the other tools. Opened
// by the main menu's "Debugger" and by the emulation loop when the
// breakpoint fires or the trace buffer has been flushed (both through the
// main window's OpenDebugger).
#pragma once
#include <QDialog>
#include <cstdint>
#include <map>
#include <string>

#include "cpu/cpu_state.h"
#include "debugger/traced_step.h"
#include "debugger/breakpoint.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/speech.h"
#include "snapshots/blocks.h"
#include "tools/host.h"
#include "tools/listing.h"

class QAction;
class QLineEdit;
class QListWidget;
class QPushButton;

inline constexpr char kDebuggerTitle[] = "Vantro - Debugger";
inline constexpr char kDebuggerErrorTitle[] = "Error";
inline constexpr char kCantOpenDebugger[] = "Can't open a Debugger window!";
constexpr int kDebuggerX = 50;
constexpr int kDebuggerY = 50;
constexpr int kDebuggerClientWidth = 514;
constexpr int kDebuggerClientHeight = 480;

// The program's records the debugger works on, all owned by Vantro's start-up.
struct DebuggerContext {
  CpuState& cpu;
  Machine& machine;
  Breakpoint& breakpoint;
  DisplayRenderer& renderer;  // the Video Out View renders through it
  bool& hex_mode;             // HexMode, flipped by BASE
  ListingState& listing;      // Disassemble and Hex Dump ranges
  Host& host;
  BlockAsker& block_asker;
  MillisecondClock& clock;
};

// Command numbers of the debugger's own menu bar.
enum DebuggerCommand : int {
  kDebugOpen = 1,
  kDebugSaveSna,
  kDebugLoadBlock,
  kDebugSaveBlock,
  kDebugExit,
  kDebugHardReset,
  kDebugRun,
  kDebugViewTv,
  kDebugToFile,
  kDebugDisassembleToFile,
  kDebugDisassembleToWindow,
  kDebugForceDisable,
  kDebugForceEnable,
  kDebugForceBreak,
  kDebugHexDump,
  kDebugPeek,
  kDebugPoke,
  kDebugBreakBase = 100,     // + breakpoint kind 0-8, 18, 19-35
  kDebugLoadBase = 200,      // + Load order 0-16
  kDebugForceModeBase = 300, // + interrupt mode 0-2
};

class DebuggerWindow : public QDialog {
  Q_OBJECT

 public:
  explicit DebuggerWindow(DebuggerContext& context, QWidget* parent = nullptr);

  // Every display field from the current state, in the HexMode now in force.
  void RefreshDebugger();
  // Runs one menu command; the leaving ones end the window.
  void Dispatch(int command);
  QAction* ActionFor(int command) const;

  void Step();
  void ToggleBase();
  void ClearTotal();

  QListWidget* listing() const { return listing_; }
  QListWidget* stack_list() const { return stack_; }
  QPushButton* base_button() const { return base_; }
  QPushButton* run_button() const { return run_; }
  QPushButton* step_button() const { return step_; }
  QPushButton* clear_button() const { return clear_; }
  // Display fields by name: "IFF", "IM", "T-state", "A".."L", "AF".."HL",
  // "AF'".."HL'", "I", "R", "IX", "IY", "PC", "SP", "MEMPTR".
  QLineEdit* Field(const std::string& name) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls(QWidget* client);
  void BuildMenuBar(class QMenuBar* bar);
  void Leave();

  DebuggerContext& context_;
  TraceTexts trace_texts_;
  std::map<int, QAction*> actions_;
  std::map<std::string, QLineEdit*> fields_;
  QListWidget* listing_ = nullptr;
  QListWidget* stack_ = nullptr;
  QPushButton* base_ = nullptr;
  QPushButton* run_ = nullptr;
  QPushButton* step_ = nullptr;
  QPushButton* clear_ = nullptr;
};

// Opens the debugger and returns when the user leaves it (RUN, "Run",
// "Exit Debugger", "Debug to file" or the close box). Both T-state counters
// are 0 on entry and on exit, and the breakpoint is disarmed on entry.
void OpenDebugger(DebuggerContext& context, QWidget* parent = nullptr);
