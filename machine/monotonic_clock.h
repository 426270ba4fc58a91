// The host's monotonic clock in nanoseconds with a wait on it that sleeps
// instead of spinning a core. The frame schedule and the Sweet Talker's hold
// both run on it, so tests can give them a clock they drive.
#pragma once
#include <cstdint>

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  // Nanoseconds from an arbitrary start; never goes back.
  virtual std::int64_t NowNs() = 0;
  // Returns at or soon after due_ns, on NowNs's scale, without busy-waiting.
  virtual void WaitUntil(std::int64_t due_ns) = 0;
};

// std::chrono::steady_clock; the wait is the host's sleep, which on the
// usual hosts ends within a few tens of microseconds of the time asked.
class SteadyClock final : public MonotonicClock {
 public:
  std::int64_t NowNs() override;
  void WaitUntil(std::int64_t due_ns) override;
};
