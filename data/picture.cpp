// PNG decoding from memory through libpng's simplified reader, and the two
// embedded pictures. Called once per picture at start-up by both programs.
#include "data/picture.h"

#include <png.h>

#include <cstddef>

extern const unsigned char kHitMapPngBytes[];
extern const std::size_t kHitMapPngBytes_size;
extern const unsigned char kKelbrinTitlePngBytes[];
extern const std::size_t kKelbrinTitlePngBytes_size;

namespace {

// Far beyond anything built in; keeps a corrupt header from asking for
// gigabytes before the damage is found.
constexpr png_uint_32 kMaxSide = 4096;

}  // namespace

std::uint32_t RgbaPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)];
}

std::optional<RgbaPicture> DecodePng(std::span<const std::uint8_t> png) {
  if (png.empty()) return std::nullopt;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  // The simplified reader catches libpng's errors itself (its own setjmp):
  // a corrupt file returns 0 here or from finish_read, never longjmps into us.
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    png_image_free(&image);
    return std::nullopt;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide ||
      image.height > kMaxSide) {
    png_image_free(&image);
    return std::nullopt;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<png_byte> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  RgbaPicture picture;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    const png_byte* p = &rgba[i * 4];
    picture.pixels[i] = static_cast<std::uint32_t>(p[3]) << 24 |
                        static_cast<std::uint32_t>(p[0]) << 16 |
                        static_cast<std::uint32_t>(p[1]) << 8 | p[2];
  }
  return picture;
}

std::span<const std::uint8_t> HitMapPng() { return {kHitMapPngBytes, kHitMapPngBytes_size}; }

std::span<const std::uint8_t> KelbrinTitlePng() {
  return {kKelbrinTitlePngBytes, kKelbrinTitlePngBytes_size};
}

std::optional<RgbaPicture> HitMapPicture() { return DecodePng(HitMapPng()); }

std::optional<RgbaPicture> KelbrinTitlePicture() { return DecodePng(KelbrinTitlePng()); }
