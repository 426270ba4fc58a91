// The traced step takes its texts from the disassembler, read from memory
// before the instruction runs, and then hands execution to Step. So there is
// one copy of the decoder's semantics for text (the disassembler) and one for
// execution (the executor), and Step stays free of text work; the two can
// only disagree about an instruction's length, which the tests compare for
// every opcode of every group.
#include "debugger/traced_step.h"

#include "computer/computer.h"
#include "machine/machine.h"
#include "tools/disassembler.h"
#include "tools/memory_view.h"

void TracedStep(CpuState& cpu, Machine& machine, bool hex_mode, TraceTexts& texts) {
  // Decoded straight into the caller's strings, which a long trace reuses
  // from one instruction to the next.
  const MemoryView memory{machine.memory.data(), machine.memory.size()};
  DisassembleInto(memory, cpu.pc, hex_mode, texts.trace_addr, texts.trace_bytes,
                  texts.trace_text);
  Step(cpu, machine);
}
