// The built-in pictures as the programs see them after libpng has decoded
// them, and the decoder's answer to damaged PNG data.
#include "data/picture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t Opaque(int r, int g, int b) {
  return 0xFF000000u | static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b);
}
constexpr std::uint32_t kBlack = Opaque(0, 0, 0);

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char* kind, const std::vector<std::uint8_t>& body) {
  PutBe32(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), kind, kind + 4);
  out.insert(out.end(), body.begin(), body.end());
  PutBe32(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// A PNG written field by field: colour type 0 (grey) or 2 (RGB), 8 bits, with
// correct CRCs, so only what a case changes on purpose is wrong.
std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height, int colour_type,
                                  const std::vector<std::uint8_t>& pixels) {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, static_cast<std::uint8_t>(colour_type), 0, 0, 0});
  Chunk(out, "IHDR", ihdr);
  const std::size_t row = pixels.size() / (height ? height : 1);
  std::vector<std::uint8_t> raw;
  for (std::uint32_t y = 0; y < height && !pixels.empty(); ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
  }
  uLongf packed_size = compressBound(raw.size());
  std::vector<std::uint8_t> packed(packed_size);
  compress(packed.data(), &packed_size, raw.data(), raw.size());
  packed.resize(packed_size);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace

TEST(Pictures, HitMapCellsCarryRowAndBitNumberAndGapsAreBlack) {
  const auto map = HitMapPicture();
  ASSERT_TRUE(map.has_value());
  ASSERT_EQ(153, map->width);
  ASSERT_EQ(153, map->height);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      const int x0 = 19 * c + 2, x1 = 19 * c + 17, y0 = 19 * r + 2, y1 = 19 * r + 17;
      const std::uint32_t cell = Opaque(r, 1, 7 - c);
      const std::string where = "cell row " + std::to_string(r) + " column " + std::to_string(c);
      for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}, {(x0 + x1) / 2, (y0 + y1) / 2}}) {
        EXPECT_EQ(cell, map->At(x, y)) << where << " at " << x << "," << y;
      }
      // One pixel outside each edge lies in the gap between cells.
      for (auto [x, y] : {std::pair{x0 - 1, y0}, {x1 + 1, y1}, {x0, y0 - 1}, {x1, y1 + 1}}) {
        EXPECT_EQ(kBlack, map->At(x, y)) << "gap beside " << where << " at " << x << "," << y;
      }
    }
  }
  int coloured = 0;
  for (std::uint32_t p : map->pixels) coloured += p != kBlack;
  EXPECT_EQ(64 * 16 * 16, coloured) << "pixels outside the cells are not black";
  EXPECT_EQ(0u, map->At(153, 0)) << "outside the picture";
  EXPECT_EQ(0u, map->At(-1, 5)) << "outside the picture";
}

TEST(Pictures, KelbrinTitleIsAFullOpaquePicture) {
  const auto title = KelbrinTitlePicture();
  ASSERT_TRUE(title.has_value());
  EXPECT_EQ(380, title->width);
  EXPECT_EQ(185, title->height);
  ASSERT_EQ(380u * 185u, title->pixels.size());
  std::set<std::uint32_t> colours;
  for (std::uint32_t p : title->pixels) {
    ASSERT_EQ(0xFF, AlphaOf(p));
    colours.insert(p);
  }
  EXPECT_GT(colours.size(), 100u) << "a blank title";
}

TEST(Pictures, GreyAndColourPngsDecodeToRgba) {
  const auto grey = DecodePng(MakePng(2, 1, 0, {0x00, 0xC8}));
  ASSERT_TRUE(grey.has_value());
  EXPECT_EQ(Opaque(0, 0, 0), grey->At(0, 0));
  EXPECT_EQ(Opaque(0xC8, 0xC8, 0xC8), grey->At(1, 0));
  const auto rgb = DecodePng(MakePng(1, 2, 2, {1, 2, 3, 250, 251, 252}));
  ASSERT_TRUE(rgb.has_value());
  EXPECT_EQ(Opaque(1, 2, 3), rgb->At(0, 0));
  EXPECT_EQ(Opaque(250, 251, 252), rgb->At(0, 1));
  EXPECT_EQ(0xFA, RedOf(rgb->At(0, 1)));
  EXPECT_EQ(0xFB, GreenOf(rgb->At(0, 1)));
  EXPECT_EQ(0xFC, BlueOf(rgb->At(0, 1)));
}

TEST(Pictures, DamagedPngDataIsRefusedWithoutCrashing) {
  const auto good = MakePng(4, 4, 2, std::vector<std::uint8_t>(48, 0x40));
  ASSERT_TRUE(DecodePng(good).has_value());
  const auto hit_map = HitMapPng();
  const std::vector<std::uint8_t> real(hit_map.begin(), hit_map.end());

  auto cut = [](std::vector<std::uint8_t> b, std::size_t n) { b.resize(n); return b; };
  auto flip = [](std::vector<std::uint8_t> b, std::size_t at) { b[at] ^= 0x5A; return b; };
  const struct { const char* what; std::vector<std::uint8_t> bytes; } cases[] = {
      {"nothing", {}},
      {"signature only", cut(good, 8)},
      {"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}},
      {"header cut short", cut(good, 20)},
      {"hit map cut in its pixel data", cut(real, real.size() / 2)},
      {"bad header checksum", flip(good, 16)},
      {"damaged pixel data", flip(real, real.size() / 2)},
      {"zero width", MakePng(0, 4, 2, {})},
      {"larger than any built-in picture", MakePng(100000, 100000, 2, {})},
      {"pixel data shorter than the header promises", MakePng(64, 64, 2, std::vector<std::uint8_t>(3 * 64, 1))},
      {"unknown colour type", MakePng(1, 1, 5, {0, 0})},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(DecodePng(c.bytes).has_value()) << c.what;
  }
}

TEST(Pictures, RandomlyDamagedTitleNeverCrashesTheDecoder) {
  const auto title = KelbrinTitlePng();
  std::uint32_t seed = 12345;
  auto next = [&seed] { seed = seed * 1664525u + 1013904223u; return seed >> 8; };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::uint8_t> bytes(title.begin(), title.end());
    // Damage concentrated in the first kilobyte, where the header and the
    // start of the compressed stream live.
    for (int hits = 1 + next() % 4; hits > 0; --hits) {
      const std::size_t at = round % 2 ? next() % 1024 : next() % bytes.size();
      bytes[at] = static_cast<std::uint8_t>(next());
    }
    if (round % 3 == 0) bytes.resize(next() % bytes.size());
    const auto picture = DecodePng(bytes);
    if (picture) {
      EXPECT_EQ(static_cast<std::size_t>(picture->width) * picture->height, picture->pixels.size());
    }
  }
}
