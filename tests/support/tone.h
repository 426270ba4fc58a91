// Measuring a tone in a block of 16-bit samples by its zero crossings, for
// the beeper tests: the longest stretch of evenly spaced rising crossings,
// its frequency, where it starts and ends, and its peak.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

struct Tone {
  double frequency = 0;  // Hz
  double start = 0;      // seconds: first rising crossing of the stretch
  double end = 0;        // seconds: one period after the last
  int cycles = 0;
  int peak = 0;          // largest magnitude once settled: after its first 0.1 s
};

// A rising crossing counts once the signal has been below -hysteresis and
// comes above +hysteresis, so decaying tails and noise do not count. Its
// time is where the signal passed zero, interpolated between two samples.
inline std::vector<double> RisingCrossings(const std::vector<std::int16_t>& samples, int rate,
                                           int hysteresis) {
  std::vector<double> crossings;
  bool armed = false;
  double zero = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const int a = samples[i - 1], b = samples[i];
    if (b < -hysteresis) armed = true;
    if (a < 0 && b >= 0) zero = (static_cast<double>(i - 1) + static_cast<double>(-a) / (b - a)) / rate;
    if (armed && b > hysteresis) {
      crossings.push_back(zero);
      armed = false;
    }
  }
  return crossings;
}

// The longest run of crossings whose spacings agree within 5 %: a tone,
// without the odd click before or after it.
inline Tone LongestTone(const std::vector<std::int16_t>& samples, int rate, int hysteresis = 1000) {
  const std::vector<double> x = RisingCrossings(samples, rate, hysteresis);
  std::size_t best_first = 0, best_last = 0, first = 0;
  for (std::size_t i = 1; i < x.size(); ++i) {
    const bool fits = i - 1 == first || std::fabs((x[i] - x[i - 1]) - (x[i - 1] - x[i - 2])) <
                                            0.05 * (x[i - 1] - x[i - 2]);
    // A crossing that breaks the rhythm may still begin a run with the next.
    if (!fits) first = i - 1;
    if (i - first > best_last - best_first) {
      best_first = first;
      best_last = i;
    }
  }
  Tone tone;
  if (best_last <= best_first) return tone;
  tone.cycles = static_cast<int>(best_last - best_first);
  const double period = (x[best_last] - x[best_first]) / tone.cycles;
  tone.frequency = 1.0 / period;
  tone.start = x[best_first];
  tone.end = x[best_last] + period;
  for (std::size_t i = static_cast<std::size_t>((tone.start + 0.1) * rate);
       i < samples.size() && i < static_cast<std::size_t>(tone.end * rate); ++i) {
    tone.peak = std::max(tone.peak, std::abs(static_cast<int>(samples[i])));
  }
  return tone;
}

// The largest magnitude from `from` seconds on.
inline int PeakAfter(const std::vector<std::int16_t>& samples, int rate, double from) {
  int peak = 0;
  for (std::size_t i = static_cast<std::size_t>(from * rate); i < samples.size(); ++i) {
    peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
  }
  return peak;
}
