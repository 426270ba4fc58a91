// TAP images read whole into the blocks the tape signal plays (TZX images
// have their own reader, tzx.h). Called by InsertTape when a tape goes in.
#pragma once
#include <cstdint>
#include <vector>

#include "machine/tape_signal.h"

// A TAP image: every block at the ROM's standard timings; false, and image
// untouched, when it is empty, when its blocks do not chain exactly to the
// end of the file or one is too short for a flag and a checksum. The one
// refusal InsertTape reports needs no finer reason.
bool ReadTapImage(std::vector<std::uint8_t> bytes, TapeImage& image);
