// What the debugger window's buttons and menu items do to the machine,
// without the window: entering and leaving, STEP with its running T-state
// total, the interrupt commands, the register Load rules and the digits-only
// value fields of its dialogs. debugger_window.cpp and the dialogs call these;
// the tests drive them directly.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cpu/cpu_state.h"
#include "debugger/traced_step.h"
#include "debugger/breakpoint.h"
#include "machine/machine.h"

// The running total wraps here (FFFFFh), not at 100000h.
constexpr std::int32_t kRunningTotalModulus = 1048575;
// "Force State" > "Enable" stores what EI stores.
constexpr std::uint8_t kInterruptsEnabled = 4;
constexpr int kLoadableRegisters = 17;  // A F B C D E H L I R BC DE HL IX IY PC SP

// Opening: the running total starts at 0 and the breakpoint is disarmed,
// so the user arms it last and then leaves. The machine keeps its place in
// the frame, through STEP and leaving too: the steps' T-states count into
// the frame, and the loop ends the frames they passed when it resumes.
void EnterDebugger(CpuState& cpu, Machine& machine, Breakpoint& breakpoint);
// Leaving: the loop resumes where the machine stands in its frame.
void LeaveDebugger(CpuState& cpu, Machine& machine);

// (total + tstates) modulo 1,048,575.
std::int32_t AddToRunningTotal(std::int32_t total, std::uint32_t tstates);

// STEP: exactly one instruction through the traced step (a repeating block
// instruction runs all its passes, as one instruction) and nothing else: no
// interrupt, frame end, keyboard, breakpoint or tape trap. tstates holds
// that instruction's count afterwards and debugger_total the running total.
// Answers the listing line: address field, byte field in 14 columns,
// instruction text.
std::string DebuggerStep(CpuState& cpu, Machine& machine, bool hex_mode, TraceTexts& texts);

// "Force State" > "Enable": at least one more instruction runs before an
// interrupt can be accepted. "Disable" clears iff.
void ForceInterruptsEnabled(CpuState& cpu);
void ForceInterruptsDisabled(CpuState& cpu);
// "Force Mode" > "0", "1", "2".
void ForceInterruptMode(CpuState& cpu, std::uint8_t mode);

// Load dialog order 0-16 (menu order) to breakpoint kind 19-35: the two
// share one name table and one register order.
constexpr std::uint8_t KindOfLoadOrder(int order) {
  return static_cast<std::uint8_t>(kFirstRegisterKind + order);
}
bool IsWideLoadOrder(int order);
// "LOAD": 8-bit registers take the low byte into their field (R the whole
// byte into r, r7 untouched); BC, DE, HL split into high and low register;
// PC also ends a HALT wait. An order outside 0-16 changes nothing.
void LoadRegister(CpuState& cpu, int order, std::uint16_t value);

// A digits-only value field of the break-on-value, opcode and Load dialogs.
// Every change of text is read as decimal: a number up to `limit` is taken;
// anything else empties the field and the last accepted number stays.
struct ValueField {
  std::uint32_t limit = 255;
  std::uint16_t value = 0;
  // Answers the text the field must show instead, when it must change.
  std::optional<std::string> Edit(std::string_view text);
};
