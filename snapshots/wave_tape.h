// WAVE files as tapes: the host's WAVE reader (SDL's, in platform/) decodes
// the file into samples, and the samples become recorded steps here, an
// edge wherever the sound crosses its middle. Called when a tape is
// inserted; nothing here touches the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/machine.h"

// Whether the bytes start as a RIFF WAVE file does.
bool HasWaveSignature(const std::vector<std::uint8_t>& bytes);

// Fills image from decoded samples; false, with a one-line reason and image
// untouched, when there is nothing to play.
bool ReadWaveTape(const PcmSound& sound, TapeImage& image, std::string& reason);
