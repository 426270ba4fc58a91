// TZX tape images (version 1.x): the whole file is checked and turned into
// the blocks the tape signal plays. Called when a tape is inserted; nothing
// here touches the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

constexpr std::uint8_t kTzxMajorVersion = 1;

// Whether the bytes start with the TZX signature "ZXTape!" and 1Ah.
bool HasTzxSignature(const std::vector<std::uint8_t>& bytes);

// Fills image from a TZX file's bytes; false, with a one-line reason and
// image untouched, when the file is damaged, truncated or of another major
// version. Blocks without a signal (texts, information, groups, a kind of a
// later revision) are passed over: they are not among the image's blocks.
bool ReadTzx(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason);
