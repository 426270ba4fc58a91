// The instruction trace written to "debug.lst": the fixed 97-byte TraceLine,
// the block's start line and column header, and the collect-and-flush of
// Machine.trace_buffer. The debugger's "Debug to file" calls StartTrace; the
// emulation loop calls AppendTraceLine after every TracedStep while
// trace_on is set and opens the debugger when it reports a flush.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cpu/cpu_state.h"
#include "debugger/traced_step.h"
#include "tools/text_format.h"

struct Machine;

constexpr std::size_t kTraceLineLength = 97;        // CR LF included
constexpr std::size_t kTraceTextEnd = 48;           // columns 1-48: address, bytes, text
constexpr std::uint16_t kTraceFlushThreshold = 64000;
inline constexpr const char* kTraceFileName = "debug.lst";
// 48 blanks put the labels above the register columns of the lines.
inline constexpr std::string_view kTraceColumnHeader =
    "                                                "
    "SZ5H3PNC  A  BC   DE   HL   IX   IY   SP  MEMPTR";

// One line of the trace: columns 1-12 address, 13-26 bytes, 27-48 text (each
// padded or cut), then F as eight 0/1 digits, A, BC, DE, HL, IX, IY, SP and
// MEMPTR of the state after the instruction, CR LF.
using TraceLine = std::array<char, kTraceLineLength>;
TraceLine ComposeTraceLine(const TraceTexts& texts, const CpuState& cpu);

// "START hh:mm:ss dd/mm/yyyy" CR LF, then the column header and CR LF.
std::string TraceBlockHeader(const ClockTime& time);

// "Debug to file": the buffer restarts with the block header (anything
// collected before is dropped) and tracing is switched on.
void StartTrace(Machine& machine, const ClockTime& time);

// Appends the line for the instruction just traced. Once trace_fill reaches
// 64,000 the block gets its closing CR LF and is appended to file_path (the
// current directory's "debug.lst"), tracing stops and the answer is true:
// the caller then opens the debugger. A file that cannot be written in full
// sets machine.trace_write_failed for the caller to report; tracing still
// stops.
bool AppendTraceLine(Machine& machine, const TraceTexts& texts, const CpuState& cpu,
                     const char* file_path = kTraceFileName);

// Ends the block: closing CR LF, append to file_path, trace_on = false.
// Also the end of a trace still collecting when the program ends. Returns
// whether the whole block was written; machine.trace_write_failed is set to
// the opposite.
bool FlushTrace(Machine& machine, const char* file_path = kTraceFileName);
