// The tape's line in the main window's title.
#include "emulator/tape_status.h"

std::string TapeStatusText(const Machine& machine) {
  const TapeSignal& tape = machine.tape_signal;
  if (!tape.inserted) return {};
  const std::size_t blocks = tape.image->blocks.size();
  const bool at_end = tape.block >= blocks;
  const char* state = at_end              ? kTapeAtEnd
                      : !tape.playing     ? kTapeStopped
                      : tape.moving       ? kTapePlaying
                                          : kTapeWaiting;
  return kTapeStatusPrefix + tape.image->name + ", block " + std::to_string(at_end ? blocks : tape.block + 1) +
         " of " + std::to_string(blocks) + ", " + state;
}
