// SDL's WAVE reader for "Open": a WAVE file in memory decoded to mono
// 16-bit samples at the file's own rate. Plugged into Machine.wave_decoder
// by Vantro's start-up and vantro-run's main; the core only sees samples.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/machine.h"

bool DecodeWaveWithSdl(const std::vector<std::uint8_t>& file, PcmSound& sound, std::string& reason);
