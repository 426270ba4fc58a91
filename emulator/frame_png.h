// Writes the 320x240 frame picture (0xFFRRGGBB pixels, rows top to bottom)
// as an 8-bit RGB PNG file, each pixel repeated `scale` times across and
// down. Used by vantro-run's --screenshot and "Save Screenshot...".
#pragma once
#include <cstdint>
#include <string>

// False, with a one-line reason in error, when the file cannot be written.
bool WriteFramePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
                   std::string& error, int scale = 1);
