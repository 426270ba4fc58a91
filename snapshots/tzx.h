// TZX tape images (versions 1.00 to 1.20): the whole file is checked and
// turned into the blocks the tape signal plays. Called when a tape is
// inserted; nothing here touches the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/tape_signal.h"

constexpr std::uint8_t kTzxMajorVersion = 1;
constexpr std::uint8_t kTzxLatestMinor = 20;

// Whether the bytes start with the TZX signature "ZXTape!" and 1Ah.
bool HasTzxSignature(const std::vector<std::uint8_t>& bytes);

// Fills image from a TZX file's bytes; false, with a one-line reason and
// image untouched, when the file is damaged, truncated or of a later
// version. Blocks of kinds that are not played (their length is known from
// the format) become `unsupported` blocks that stop the tape when reached.
bool ReadTzx(std::vector<std::uint8_t> bytes, TapeImage& image, std::string& reason);
