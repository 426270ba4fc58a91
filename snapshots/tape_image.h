// Tape files read whole into the blocks the tape signal plays: TAP images
// (a chain of length-prefixed blocks) and TZX images (tzx.h), told apart by
// the TZX signature. Called when a tape is inserted.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

// A TAP image: every block at the ROM's standard timings; false with a
// reason when its blocks do not chain exactly to the end of the file.
bool ReadTapImage(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason);
// TZX when the bytes carry its signature, TAP otherwise.
bool ReadTapeImage(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason);
