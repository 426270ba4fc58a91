// The host's monotonic clock and its sleep.
#include "machine/monotonic_clock.h"

#include <chrono>
#include <thread>

std::int64_t SteadyClock::NowNs() {
  using namespace std::chrono;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::WaitUntil(std::int64_t due_ns) {
  using namespace std::chrono;
  const steady_clock::time_point due(duration_cast<steady_clock::duration>(nanoseconds(due_ns)));
  std::this_thread::sleep_until(due);
}
