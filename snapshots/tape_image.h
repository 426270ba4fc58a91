// TAP images read whole into the blocks the tape signal plays (TZX images
// have their own reader, tzx.h). Called by InsertTape when a tape goes in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

// A TAP image: every block at the ROM's standard timings; false with a
// reason, and image untouched, when its blocks do not chain exactly to the
// end of the file or one is too short for a flag and a checksum.
bool ReadTapImage(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason);
