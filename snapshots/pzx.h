// PZX tapes (version 1.x): pulse sequences, data given by the pulses of a
// 0 and a 1 bit, pauses and stops, read whole into recorded steps. Called
// when a tape is inserted; nothing here touches the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

// Whether the bytes start with the header block's tag "PZXT".
bool HasPzxSignature(const std::vector<std::uint8_t>& bytes);

// Fills image from a PZX file's bytes; false, with a one-line reason naming
// the block and image untouched, when the file is damaged, cut off or of
// another major version.
bool ReadPzx(const std::vector<std::uint8_t>& bytes, TapeImage& image, std::string& reason);
