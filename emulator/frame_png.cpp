// PNG output of frame pictures through libpng's write interface.
#include "emulator/frame_png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// libpng reports errors by longjmp; everything the jump skips must be plain
// data, so the row buffer is owned by the caller's frame.
bool WritePng(std::FILE* file, const std::uint32_t* pixels, int width, int height, int scale,
              std::vector<png_byte>& row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width * scale), static_cast<png_uint_32>(height * scale), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width * scale; ++x) {
      std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x / scale];
      row[3 * x] = static_cast<png_byte>(pixel >> 16);
      row[3 * x + 1] = static_cast<png_byte>(pixel >> 8);
      row[3 * x + 2] = static_cast<png_byte>(pixel);
    }
    for (int repeat = 0; repeat < scale; ++repeat) png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteFramePng(const std::string& path, const std::uint32_t* pixels, int width, int height,
                   std::string& error, int scale) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(width) * scale * 3);
  bool written = WritePng(file, pixels, width, height, scale, row);
  written = std::fclose(file) == 0 && written;
  if (!written) error = "cannot write " + path;
  return written;
}
