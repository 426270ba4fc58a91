// Measures how many frames per second the display renderer produces, with
// a busy screen (every pixel pattern, every attribute, FLASH on) drawn as
// the beam goes, in each border mode, with border changes spread over the
// frame and with the double-size copy. One frame is due every 20 ms;
// a render should cost well under one millisecond.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "machine/ula_timing.h"

namespace {

// `changes`: how many times a frame the beam is caught up (a border colour
// change or a screen write behind the beam), spread over the frame.
double FramesPerSecond(const char* label, int frames, bool fast_border, bool double_size, int changes) {
  auto machine = std::make_unique<Machine>();
  auto renderer = std::make_unique<DisplayRenderer>();
  for (int a = 0x4000; a < 0x5800; ++a) machine->memory[a] = static_cast<std::uint8_t>(a * 37);
  for (int a = 0x5800; a < 0x5B00; ++a) machine->memory[a] = static_cast<std::uint8_t>(a);
  machine->fast_border = fast_border;
  std::uint32_t checksum = 0;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  for (int f = 0; f < frames; ++f) {
    for (int k = 0; k < changes; ++k) {
      CatchUpBeam(*renderer, *machine, static_cast<std::int32_t>(k * (kUlaFrameTStates / changes)));
      machine->ula_out = static_cast<std::uint8_t>(f + k);
    }
    FinishFrame(*renderer, *machine, static_cast<std::uint32_t>(f * 20));
    if (double_size) ScaleFramePicture(*renderer);
    checksum += renderer->frame_picture[static_cast<std::size_t>(f) % renderer->frame_picture.size()];
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  const double fps = frames / seconds;
  // Processor time as well, since a busy machine stretches the wall clock.
  std::printf("%-34s %8.0f frames/s wall  %8.0f frames/s cpu  %6.1f us/frame cpu  (check %08X)\n",
              label, fps, frames / cpu_seconds, 1e6 * cpu_seconds / frames, checksum);
  return fps;
}

}  // namespace

int main() {
  constexpr int kFrames = 20000;
  FramesPerSecond("render, fast border", kFrames, true, false, 0);
  FramesPerSecond("render, beam, one border colour", kFrames, false, false, 0);
  FramesPerSecond("render, beam, 312 colour changes", kFrames, false, false, 312);
  FramesPerSecond("render, beam, 3000 catch-ups", kFrames, false, false, 3000);
  FramesPerSecond("render, fast border, 640x480 copy", kFrames, true, true, 0);
  return 0;
}
