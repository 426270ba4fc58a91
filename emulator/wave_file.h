// Streams 16-bit mono PCM to a RIFF/WAVE file as it is made, and writes the
// chunk sizes once the run is over. Used by vantro-run's --wav for the
// beeper's output.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct WaveWriter {
  std::string path;
  std::FILE* file = nullptr;
  int rate = 0;
  std::uint64_t data_bytes = 0;
  bool full = false;    // a RIFF file's sizes are 32-bit: the rest was left out
  bool failed = false;  // a write went wrong
};

// Creates the file with its header; false, with a one-line reason in error,
// when it cannot be created.
bool OpenWave(WaveWriter& wave, const std::string& path, int rate, std::string& error);
// Appends samples; nothing once the file is full or a write failed.
void AppendWave(WaveWriter& wave, const std::int16_t* samples, int count);
// Writes the sizes and closes the file; false, with a reason in error, when
// anything could not be written or the sound passed what the file can hold
// (the file then keeps the beginning).
bool CloseWave(WaveWriter& wave, std::string& error);
