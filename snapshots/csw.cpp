// The CSW reader. Version 1: the signature, version, a 16-bit sample rate,
// compression 1 (RLE), flags (bit 0: the first pulse is high) and three
// spare bytes, then the pulses. Version 2: a 32-bit sample rate, the number
// of pulses, compression 1 or 2 (Z-RLE), flags, the length of a header
// extension, 16 bytes naming the program that wrote it, the extension,
// then the pulses. The number of pulses is not checked: writers differ on
// what they count (some give the bytes of the RLE data).
#include "snapshots/csw.h"

#include <utility>

#include "snapshots/recording.h"

namespace {

constexpr char kSignature[] = "Compressed Square Wave\x1A";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;
constexpr std::size_t kVersionAt = kSignatureLength;  // major, then minor
constexpr std::size_t kRateAt = 0x19;
constexpr std::size_t kVersion1Length = 0x20;
constexpr std::size_t kVersion1CompressionAt = 0x1B;
constexpr std::size_t kVersion1FlagsAt = 0x1C;
constexpr std::size_t kVersion2Length = 0x34;
constexpr std::size_t kVersion2CompressionAt = 0x21;
constexpr std::size_t kVersion2FlagsAt = 0x22;
constexpr std::size_t kVersion2ExtensionAt = 0x23;
constexpr std::uint8_t kRle = 1;
constexpr std::uint8_t kZRle = 2;

std::uint32_t U16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8;
}
std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

}  // namespace

bool HasCswSignature(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kSignatureLength) return false;
  for (std::size_t k = 0; k < kSignatureLength; ++k) {
    if (bytes[k] != static_cast<std::uint8_t>(kSignature[k])) return false;
  }
  return true;
}

bool ReadCsw(const std::vector<std::uint8_t>& bytes, TapeImage& image, std::string& reason) {
  if (!HasCswSignature(bytes)) {
    reason = "not a CSW recording (it does not start with \"Compressed Square Wave\")";
    return false;
  }
  if (bytes.size() < kVersionAt + 2) {
    reason = "the CSW header is cut off before its version";
    return false;
  }
  const unsigned major = bytes[kVersionAt];
  const unsigned minor = bytes[kVersionAt + 1];
  std::size_t data = 0;
  std::uint32_t rate = 0;
  std::uint8_t compression = 0;
  std::uint8_t flags = 0;
  if (major == 1) {
    data = kVersion1Length;
    if (bytes.size() < data) {
      reason = "the CSW header is cut off";
      return false;
    }
    rate = U16(bytes, kRateAt);
    compression = bytes[kVersion1CompressionAt];
    flags = bytes[kVersion1FlagsAt];
  } else if (major == 2) {
    if (bytes.size() < kVersion2Length) {
      reason = "the CSW header is cut off";
      return false;
    }
    data = kVersion2Length + bytes[kVersion2ExtensionAt];
    if (bytes.size() < data) {
      reason = "the CSW header's extension is cut off";
      return false;
    }
    rate = U32(bytes, kRateAt);
    compression = bytes[kVersion2CompressionAt];
    flags = bytes[kVersion2FlagsAt];
  } else {
    reason = "CSW version " + std::to_string(major) + "." + (minor < 10 ? "0" : "") + std::to_string(minor) +
             " is not supported (1.x and 2.x are)";
    return false;
  }
  // Version 1 knows only RLE.
  if (compression != kRle && (major == 1 || compression != kZRle)) {
    reason = "compression type " + std::to_string(compression) + " is not known (" +
             (major == 1 ? "1 is" : "1 and 2 are") + ")";
    return false;
  }
  std::vector<std::uint32_t> words;
  StepWriter writer(words);
  const StepLevel first = (flags & 1) != 0 ? StepLevel::high : StepLevel::low;
  if (!ReadCswPulses(bytes.data() + data, bytes.size() - data, compression == kZRle, rate, first, writer, reason)) {
    return false;
  }
  MakeSingleRecording(image, std::move(words));
  return true;
}
