// The traced step: one instruction executed exactly as Step executes it, plus
// the three texts that describe it for the instruction trace ("Debug to
// file") and the debugger's STEP listing. Called by the emulation loop while
// tracing and by the debugger.
#pragma once
#include <string>

#include "cpu/cpu_state.h"

struct Machine;

// Replaced at every TracedStep; identical to what DisassembleOne gives for
// the instruction's address just before it executes.
struct TraceTexts {
  std::string trace_addr;   // "32768 8000  ": where the instruction starts
  std::string trace_bytes;  // "DD 36 05 12 ": every byte it occupies
  std::string trace_text;   // "LD (IX+005),018"
};

// hex_mode is the program's HexMode: hexadecimal operands in trace_text.
void TracedStep(CpuState& cpu, Machine& machine, bool hex_mode, TraceTexts& texts);
