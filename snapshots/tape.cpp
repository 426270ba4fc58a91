// TAP tape insertion and the loader trap. The trap stands in for the ROM's
// LD-BYTES routine: it takes the next block from the image in file order and
// returns to the ROM as a successful load. Blocks are not checked; the tape
// stays in step only while each block's length is the requested count + 2.
#include "snapshots/tape.h"

#include <cstdio>

namespace {

// Past the end of the image the tape delivers zero bytes.
std::uint8_t NextTapeByte(std::FILE* tape) {
  int value = std::fgetc(tape);
  return value == EOF ? 0 : static_cast<std::uint8_t>(value);
}

}  // namespace

void EjectTape(Machine& machine) {
  if (machine.tape_file != nullptr) std::fclose(machine.tape_file);
  machine.tape_file = nullptr;
  machine.tape_active = false;
}

bool InsertTape(Machine& machine, const std::string& path) {
  EjectTape(machine);
  machine.tape_file = std::fopen(path.c_str(), "rb");
  machine.tape_active = machine.tape_file != nullptr;
  return machine.tape_active;
}

void ServeTapeBlock(Machine& machine, CpuState& cpu) {
  std::FILE* tape = machine.tape_file;
  if (tape == nullptr) {  // tape_active without a file: nothing to serve
    machine.tape_active = false;
    return;
  }
  NextTapeByte(tape);  // block length, low byte
  NextTapeByte(tape);  // block length, high byte
  NextTapeByte(tape);  // flag byte
  // DE = 0 asks for 65,536 bytes, as the 16-bit count wraps before testing.
  std::uint16_t count = De(cpu);
  do {
    WriteByte(machine, cpu.ix, NextTapeByte(tape));
    ++cpu.ix;
    --count;
  } while (count != 0);
  NextTapeByte(tape);  // checksum
  cpu.pc = kTapeTrapReturn;
}
