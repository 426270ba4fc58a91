// Vantro's program at "100%" with the beeper sounding through SDL, for as
// many seconds as asked (default 30): a machine-code loop plays a steady
// tone with interrupts off. Reports the frames per second reached, the
// processor time the program took per second of running, and how the
// beeper's output stream fared (samples waiting, times it ran dry). The
// output goes wherever SDL sends it; SDL_AUDIODRIVER=disk with
// SDL_DISKAUDIOFILE=out.raw records it (16-bit mono at the rate reported)
// for a look at its waveform.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_time.h"
#include "emulator/program_qt.h"
#include "platform/sdl_sound.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;

  VantroProgram program;
  if (!program.Start()) return 1;
  SdlSoundPlayer* sound = program.sound();
  if (sound == nullptr) {
    std::printf("no sound device (try SDL_AUDIODRIVER=disk)\n");
    return 1;
  }
  Machine& machine = program.records().machine;
  CpuState& cpu = program.records().cpu;
  for (int frame = 0; frame < 150; ++frame) program.RunFrame();  // the ROM starts up

  // DI; LD A,0; loop: XOR 10h; OUT (FEh),A; LD B,100; DJNZ $; JR loop:
  // the speaker flips every 32 + 13 x 100 T-states.
  const std::uint8_t code[] = {0xF3, 0x3E, 0x00, 0xEE, 0x10, 0xD3, 0xFE, 0x06, 100, 0x10, 0xFE, 0x18, 0xF6};
  std::copy(std::begin(code), std::end(code), machine.memory.begin() + 0x8000);
  cpu.pc = 0x8000;

  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = ProcessorSeconds();
  long frames = 0;
  int lowest = 1 << 30, highest = 0;
  while (Seconds(start) < seconds) {
    program.RunFrame();
    ++frames;
    if (Seconds(start) > 5.0) {
      const int waiting = sound->BufferedBeeperSamples();
      lowest = std::min(lowest, waiting);
      highest = std::max(highest, waiting);
    }
  }
  const double wall = Seconds(start);
  const double used = ProcessorSeconds() - cpu_start;
  std::printf("tone                   %.2f Hz (3.5 MHz / 2 / 1332 T)\n", 3.5e6 / 2664);
  std::printf("device rate            %d Hz\n", sound->rate());
  std::printf("frames per second      %.2f\n", frames / wall);
  std::printf("processor time         %.1f %% of one core\n", 100.0 * used / wall);
  std::printf("beeper samples waiting %.1f-%.1f ms after the first 5 s (aim %.0f ms)\n",
              1000.0 * lowest / sound->rate(), 1000.0 * highest / sound->rate(),
              1000.0 * sound->beeper_target() / sound->rate());
  std::printf("times it ran dry       %u\n", sound->BeeperDryRuns());
  return 0;
}
