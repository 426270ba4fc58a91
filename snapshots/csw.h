// CSW recordings ("Compressed Square Wave", versions 1 and 2): the pulses
// of a sampled tape, read whole into recorded steps. Called when a tape is
// inserted; nothing here touches the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

// Whether the bytes start with "Compressed Square Wave" and 1Ah.
bool HasCswSignature(const std::vector<std::uint8_t>& bytes);

// Fills image from a CSW file's bytes; false, with a one-line reason and
// image untouched, when the file is damaged, cut off or of another version.
bool ReadCsw(const std::vector<std::uint8_t>& bytes, TapeImage& image, std::string& reason);
