// PushWord and PopWord: the processor's stack primitives, shared by the
// executor, interrupt acceptance and the SNA snapshot code.
#include "cpu/cpu_state.h"
#include "machine/machine.h"

void PushWord(CpuState& cpu, Machine& machine, std::uint16_t value) {
  // sp moves by two even when write protection drops the bytes.
  --cpu.sp;
  WriteByte(machine, cpu.sp, static_cast<std::uint8_t>(value >> 8));
  --cpu.sp;
  WriteByte(machine, cpu.sp, static_cast<std::uint8_t>(value));
}

std::uint16_t PopWord(CpuState& cpu, const Machine& machine) {
  std::uint8_t low = ReadByte(machine, cpu.sp++);
  std::uint8_t high = ReadByte(machine, cpu.sp++);
  return static_cast<std::uint16_t>(high << 8 | low);
}
