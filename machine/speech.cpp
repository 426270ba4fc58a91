// The Sweet Talker's port write: start the allophone, then hold the program
// for the allophone's duration so speech comes out at the chip's pace
// whatever the emulation speed. The hold sleeps on the clock; it never
// spins a core. Called by PortWrite through
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
  const std::int64_t end = clock_.NowNs() + std::int64_t{allophones_.Duration(n)} * kNsPerMs;
  if (n >= kFirstVoicedAllophone) player_.Play(n);
  clock_.WaitUntil(end);
}
