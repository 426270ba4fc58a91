// The Sweet Talker's port write: start the allophone, then hold the program
// for the allophone's duration so speech comes out at the chip's pace
// whatever the emulation speed. Called by PortWrite through
// Machine.sweet_talker.
#include "machine/speech.h"

#include <chrono>

std::uint32_t SteadyMillisecondClock::NowMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SweetTalker::Write(std::uint8_t byte) {
  // The chip decodes six address lines of the byte; bits 6-7 go nowhere.
  const int n = byte & 0x3F;
  const std::uint32_t end = clock_.NowMs() + allophones_.Duration(n);
  if (n >= kFirstVoicedAllophone) player_.Play(n);
  // Signed difference, so the wait also ends when the tick wraps past 2^32.
  while (static_cast<std::int32_t>(clock_.NowMs() - end) < 0) {
  }
}
