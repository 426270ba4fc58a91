// The allophone recordings built into Vantro and the WAVE image reader that
// unpacks them at start-up.
#include "machine/allophones.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/speech_samples.h"

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A well-formed image with `length` samples, written field by field.
std::vector<std::uint8_t> MakeImage(std::uint32_t length, std::uint8_t fill = 0x90) {
  const std::uint32_t padded = length + (length & 1);
  std::vector<std::uint8_t> b(44 + padded, 0x80);
  std::memcpy(b.data(), "RIFF", 4);
  Put32(b, 4, 36 + padded);
  std::memcpy(b.data() + 8, "WAVEfmt ", 8);
  Put32(b, 16, 16);
  Put16(b, 20, 1);
  Put16(b, 22, 1);
  Put32(b, 24, 11025);
  Put32(b, 28, 11025);
  Put16(b, 32, 1);
  Put16(b, 34, 8);
  std::memcpy(b.data() + 36, "data", 4);
  Put32(b, 40, length);
  std::memset(b.data() + 44, fill, length);
  return b;
}

std::vector<std::uint8_t> MakeSet(int images, std::uint32_t first_length) {
  std::vector<std::uint8_t> all;
  for (int i = 0; i < images; ++i) {
    auto one = MakeImage(first_length + static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(i));
    all.insert(all.end(), one.begin(), one.end());
  }
  return all;
}

}  // namespace

TEST(Allophones, BuiltInImagesAreFiftyNineWavesInTheStoredLayout) {
  const auto blob = BuiltInAllophoneImages();
  std::size_t at = 0;
  int count = 0;
  while (at + 44 <= blob.size()) {
    const std::uint8_t* h = blob.data() + at;
    const int n = kFirstVoicedAllophone + count;
    SCOPED_TRACE("allophone " + std::to_string(n));
    EXPECT_EQ(0, std::memcmp(h, "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(h + 8, "WAVEfmt ", 8));
    EXPECT_EQ(16u, Le32(h + 16));
    EXPECT_EQ(1u, Le16(h + 20));
    EXPECT_EQ(1u, Le16(h + 22));
    EXPECT_EQ(11025u, Le32(h + 24));
    EXPECT_EQ(11025u, Le32(h + 28));
    EXPECT_EQ(1u, Le16(h + 32));
    EXPECT_EQ(8u, Le16(h + 34));
    EXPECT_EQ(0, std::memcmp(h + 36, "data", 4));
    const std::uint32_t length = Le32(h + 40);
    const std::uint32_t pad = length & 1;
    EXPECT_EQ(36 + length + pad, Le32(h + 4)) << "size field must count the pad byte";
    ASSERT_LE(at + 44 + length + pad, blob.size());
    // The recording fits inside the allophone's hold and is long enough to
    // be heard as a sound (at least 10 ms).
    EXPECT_LE(length, AllophoneDurations[n] * 11025u / 1000u);
    EXPECT_GE(length, 110u);
    at += 44 + length + pad;
    ++count;
  }
  EXPECT_EQ(59, count);
  EXPECT_EQ(blob.size(), at) << "bytes left after the last image";
}

TEST(Allophones, BuiltInSetLoadsEverySoundAndNoPause) {
  AllophoneSet set;
  ASSERT_TRUE(LoadBuiltInAllophones(set));
  for (int n = 0; n < kAllophoneCount; ++n) {
    SCOPED_TRACE("allophone " + std::to_string(n));
    const auto pcm = set.Sample(n);
    if (n < kFirstVoicedAllophone) {
      EXPECT_TRUE(pcm.empty());
      continue;
    }
    ASSERT_FALSE(pcm.empty());
    int loudest = 0;
    for (std::uint8_t v : pcm) loudest = std::max(loudest, std::abs(v - 0x80));
    EXPECT_GE(loudest, 4) << "a recording that is silence";
    // Faded ends: starting or stopping a sample must not click.
    EXPECT_LE(std::abs(pcm.front() - 0x80), 2);
    EXPECT_LE(std::abs(pcm.back() - 0x80), 2);
  }
  EXPECT_TRUE(set.Sample(-1).empty());
  EXPECT_TRUE(set.Sample(64).empty());
}

TEST(Allophones, DurationsFollowTheChipTable) {
  const struct { int n; std::uint16_t ms; } rows[] = {
      {0, 10}, {1, 30}, {2, 50}, {3, 100}, {4, 200}, {5, 420}, {9, 210}, {16, 180},
      {27, 130}, {32, 370}, {47, 360}, {52, 300}, {60, 350}, {61, 40}, {63, 50}};
  AllophoneSet set;
  for (const auto& row : rows) {
    EXPECT_EQ(row.ms, AllophoneDurations[row.n]) << "allophone " << row.n;
    EXPECT_EQ(row.ms, set.Duration(row.n)) << "allophone " << row.n;
  }
  unsigned total = 0;
  for (auto ms : AllophoneDurations) total += ms;
  EXPECT_EQ(10880u, total);
  EXPECT_EQ(0, set.Duration(64));
  EXPECT_EQ(0, set.Duration(-1));
}

TEST(Allophones, OddLengthImageCarriesPadByteAndParsesBack) {
  for (std::uint32_t length : {1u, 2u, 531u, 532u, 2447u}) {
    auto image = MakeImage(length);
    image.push_back(0x55);  // start of whatever follows
    std::span<const std::uint8_t> pcm;
    std::size_t size = 0;
    ASSERT_TRUE(ParseWaveImage(image, pcm, size)) << length;
    EXPECT_EQ(length, pcm.size());
    EXPECT_EQ(44 + length + (length & 1), size) << length;
    EXPECT_EQ(image.data() + 44, pcm.data());
  }
}

TEST(Allophones, MalformedImagesAreRefused) {
  const struct {
    const char* what;
    std::size_t at;
    int width;  // 0 = cut the image to `at` bytes instead
    std::uint32_t value;
  } cases[] = {
      {"header cut short", 43, 0, 0},
      {"odd data without its pad byte", 44 + 7, 0, 0},
      {"data cut short", 44 + 3, 0, 0},
      {"not RIFF", 0, 4, 0x46464952 + 1},
      {"not WAVE", 8, 4, 0},
      {"size field without pad", 4, 4, 36 + 7},
      {"size field too large", 4, 4, 36 + 8 + 2},
      {"format chunk length", 16, 4, 18},
      {"not PCM", 20, 2, 3},
      {"stereo", 22, 2, 2},
      {"other rate", 24, 4, 22050},
      {"other byte rate", 28, 4, 22050},
      {"block alignment", 32, 2, 2},
      {"16-bit", 34, 2, 16},
      {"no data chunk", 36, 4, 0x5453494C},
      {"data length past the end", 40, 4, 9},
      {"data length that wraps", 40, 4, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    auto image = MakeImage(7);
    if (c.width == 0) image.resize(c.at);
    else if (c.width == 2) Put16(image, c.at, static_cast<std::uint16_t>(c.value));
    else Put32(image, c.at, c.value);
    std::span<const std::uint8_t> pcm;
    std::size_t size = 0;
    EXPECT_FALSE(ParseWaveImage(image, pcm, size)) << c.what;
  }
  // A header that agrees with itself but promises more data than there is.
  auto image = MakeImage(7);
  Put32(image, 40, 9);
  Put32(image, 4, 36 + 10);
  std::span<const std::uint8_t> pcm;
  std::size_t size = 0;
  EXPECT_FALSE(ParseWaveImage(image, pcm, size)) << "consistent header, data missing";
  image.resize(44 + 10);
  EXPECT_TRUE(ParseWaveImage(image, pcm, size)) << "the same once the data is there";
}

TEST(Allophones, SetLoadsExactlyFiftyNineImagesOrLeavesTheSetAlone) {
  AllophoneSet set;
  const auto good = MakeSet(59, 3);
  ASSERT_TRUE(LoadAllophoneSet(good, set));
  EXPECT_EQ(3u, set.Sample(5).size());
  EXPECT_EQ(61u, set.Sample(63).size());
  EXPECT_EQ(58, set.Sample(63)[0]);

  auto trailing = good;
  trailing.push_back(0);
  auto damaged = good;
  damaged[damaged.size() - (44 + 62) + 8] ^= 0xFF;  // the last image's "WAVE"
  const struct { const char* what; std::vector<std::uint8_t> bytes; } bad[] = {
      {"58 images", MakeSet(58, 3)},
      {"60 images", MakeSet(60, 3)},
      {"a byte after the last image", trailing},
      {"damaged last header", damaged},
      {"an empty recording", MakeSet(59, 0)},
      {"nothing", {}},
  };
  for (const auto& b : bad) {
    AllophoneSet kept;
    ASSERT_TRUE(LoadAllophoneSet(good, kept));
    EXPECT_FALSE(LoadAllophoneSet(b.bytes, kept)) << b.what;
    EXPECT_EQ(3u, kept.Sample(5).size()) << b.what << " changed the set";
  }
}

TEST(Allophones, RandomlyDamagedImagesNeverReadOutOfBounds) {
  const auto blob = BuiltInAllophoneImages();
  std::uint32_t seed = 777;
  auto next = [&seed] { seed = seed * 1664525u + 1013904223u; return seed >> 8; };
  for (int round = 0; round < 300; ++round) {
    // A fresh copy sized exactly, so a sanitizer sees any read past the end.
    std::vector<std::uint8_t> bytes(blob.begin(), blob.begin() + 44 + 2 * (next() % 600));
    for (int hits = 1 + next() % 3; hits > 0; --hits) {
      bytes[next() % 44] = static_cast<std::uint8_t>(next());  // header fields
    }
    std::span<const std::uint8_t> pcm;
    std::size_t size = 0;
    if (ParseWaveImage(bytes, pcm, size)) {
      EXPECT_LE(size, bytes.size());
      EXPECT_LE(pcm.data() + pcm.size(), bytes.data() + bytes.size());
    }
    AllophoneSet set;
    EXPECT_FALSE(LoadAllophoneSet(bytes, set)) << "one image is not a set";
  }
}
