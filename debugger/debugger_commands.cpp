// The debugger's commands on CpuState and Machine; see debugger_commands.h.
#include "debugger/debugger_commands.h"

#include "computer/computer.h"
#include "tools/disassembler.h"
#include "tools/text_format.h"

namespace {

// The T-states of the instruction before the debugger opened (a trace flush
// opens it before the loop has moved them) and of every STEP belong to the
// frame. Frames that STEP ran past are dropped whole, so the loop ends one
// when it resumes, and the machine keeps its place within the frame.
void MoveIntoFrame(CpuState& cpu, Machine& machine) {
  std::int64_t at = std::int64_t{machine.frame_tstates} + cpu.tstates;
  if (at >= 2 * kFrameTStates) at = kFrameTStates + at % kFrameTStates;
  machine.frame_tstates = static_cast<std::int32_t>(at);
  cpu.tstates = 0;
}

}  // namespace

void EnterDebugger(CpuState& cpu, Machine& machine, Breakpoint& breakpoint) {
  MoveIntoFrame(cpu, machine);
  machine.debugger_total = 0;
  breakpoint.armed = false;
}

void LeaveDebugger(CpuState& cpu, Machine& machine) { MoveIntoFrame(cpu, machine); }

std::int32_t AddToRunningTotal(std::int32_t total, std::uint32_t tstates) {
  // A total from outside the debugger's range is brought into it first, so
  // the sum can neither overflow nor go negative.
  std::int64_t sum = static_cast<std::int64_t>(total) % kRunningTotalModulus;
  if (sum < 0) sum += kRunningTotalModulus;
  sum = (sum + tstates) % kRunningTotalModulus;
  return static_cast<std::int32_t>(sum);
}

std::string DebuggerStep(CpuState& cpu, Machine& machine, bool hex_mode, TraceTexts& texts) {
  MoveIntoFrame(cpu, machine);
  const std::uint16_t start = cpu.pc;
  TracedStep(cpu, machine, hex_mode, texts);
  // The processor runs a repeating block instruction a pass at a time; STEP
  // shows it whole, as the listing line and the total say.
  while (BlockPassRepeats(cpu, machine, start)) Step(cpu, machine);
  machine.debugger_total = AddToRunningTotal(machine.debugger_total, cpu.tstates);
  Disassembly line;
  line.address_field = texts.trace_addr;
  line.byte_field = texts.trace_bytes;
  line.text = texts.trace_text;
  return ListingLine(line);
}

void ForceInterruptsEnabled(CpuState& cpu) {
  cpu.iff = kInterruptsEnabled;
  cpu.ei_delay = true;
}

void ForceInterruptsDisabled(CpuState& cpu) { cpu.iff = 0; }

void ForceInterruptMode(CpuState& cpu, std::uint8_t mode) { cpu.im = mode; }

bool IsWideLoadOrder(int order) {
  return order >= 0 && order < kLoadableRegisters && IsWideRegisterKind(KindOfLoadOrder(order));
}

void LoadRegister(CpuState& cpu, int order, std::uint16_t value) {
  const auto high = static_cast<std::uint8_t>(value >> 8);
  const auto low = static_cast<std::uint8_t>(value & 0xFF);
  switch (order) {
    case 0: cpu.a = low; break;
    case 1: cpu.f = low; break;
    case 2: cpu.b = low; break;
    case 3: cpu.c = low; break;
    case 4: cpu.d = low; break;
    case 5: cpu.e = low; break;
    case 6: cpu.h = low; break;
    case 7: cpu.l = low; break;
    case 8: cpu.i = low; break;
    case 9: cpu.r = low; break;  // r7 stays: LD A,R takes bit 7 from it
    case 10: cpu.b = high; cpu.c = low; break;
    case 11: cpu.d = high; cpu.e = low; break;
    case 12: cpu.h = high; cpu.l = low; break;
    case 13: cpu.ix = value; break;
    case 14: cpu.iy = value; break;
    case 15:
      // A new PC ends a HALT wait, or the next interrupt would skip a byte.
      cpu.pc = value;
      cpu.halted = false;
      break;
    case 16: cpu.sp = value; break;
    default: break;
  }
}

std::optional<std::string> ValueField::Edit(std::string_view text) {
  if (text.empty()) return std::nullopt;  // an empty field keeps the last value quietly
  const std::optional<std::uint32_t> number = ReadDecimal(text, limit);
  if (!number) return std::string{};
  value = static_cast<std::uint16_t>(*number);
  return std::nullopt;
}
