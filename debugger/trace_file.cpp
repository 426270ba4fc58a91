// Trace lines and the "debug.lst" block: composed into Machine.trace_buffer
// by the emulation loop, one line per traced instruction, and appended to
// the file in one write when the buffer is nearly full.
#include "debugger/trace_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "machine/machine.h"

namespace {

constexpr std::size_t kAddressColumns = 12;
constexpr std::size_t kByteColumns = 14;
constexpr char kLineEnd[2] = {'\r', '\n'};

// Copies text into a field of the line, blank-padded on the right or cut.
void PutPadded(char* field, std::size_t width, const std::string& text) {
  const std::size_t shown = std::min(width, text.size());
  std::memcpy(field, text.data(), shown);
  std::memset(field + shown, ' ', width - shown);
}

void AppendToBuffer(Machine& machine, const char* bytes, std::size_t count) {
  std::size_t fill = machine.trace_fill;
  count = std::min(count, machine.trace_buffer.size() - fill);
  std::memcpy(machine.trace_buffer.data() + fill, bytes, count);
  machine.trace_fill = static_cast<std::uint16_t>(fill + count);
}

}  // namespace

TraceLine ComposeTraceLine(const TraceTexts& texts, const CpuState& cpu) {
  TraceLine line;
  char* at = line.data();
  PutPadded(at, kAddressColumns, texts.trace_addr);
  PutPadded(at + kAddressColumns, kByteColumns, texts.trace_bytes);
  PutPadded(at + kAddressColumns + kByteColumns,
            kTraceTextEnd - kAddressColumns - kByteColumns, texts.trace_text);
  at += kTraceTextEnd;

  for (int bit = 7; bit >= 0; --bit) *at++ = (cpu.f >> bit) & 1 ? '1' : '0';
  *at++ = ' ';
  PutHex2(at, cpu.a);
  at += 2;
  for (std::uint16_t pair : {Bc(cpu), De(cpu), Hl(cpu), cpu.ix, cpu.iy, cpu.sp}) {
    *at++ = ' ';
    PutHex4(at, pair);
    at += 4;
  }
  *at++ = ' ';
  *at++ = ' ';
  PutHex4(at, cpu.memptr);
  at += 4;
  *at++ = kLineEnd[0];
  *at++ = kLineEnd[1];
  return line;
}

std::string TraceBlockHeader(const ClockTime& time) {
  std::string header = StartStamp(time);
  header += "\r\n";
  header.append(kTraceColumnHeader);
  header += "\r\n";
  return header;
}

void StartTrace(Machine& machine, const ClockTime& time) {
  const std::string header = TraceBlockHeader(time);
  machine.trace_fill = 0;
  AppendToBuffer(machine, header.data(), header.size());
  machine.trace_on = true;
}

bool FlushTrace(Machine& machine, const char* file_path) {
  AppendToBuffer(machine, kLineEnd, sizeof kLineEnd);
  machine.trace_on = false;
  std::FILE* file = std::fopen(file_path, "ab");  // append: earlier blocks stay
  bool written = false;
  if (file != nullptr) {
    written = std::fwrite(machine.trace_buffer.data(), 1, machine.trace_fill, file) == machine.trace_fill;
    written = std::fclose(file) == 0 && written;
  }
  machine.trace_write_failed = !written;
  return written;
}

bool AppendTraceLine(Machine& machine, const TraceTexts& texts, const CpuState& cpu,
                     const char* file_path) {
  const TraceLine line = ComposeTraceLine(texts, cpu);
  AppendToBuffer(machine, line.data(), line.size());
  if (machine.trace_fill < kTraceFlushThreshold) return false;
  FlushTrace(machine, file_path);
  return true;
}
