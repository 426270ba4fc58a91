// Typed view of the embedded allophone images.
#include "data/speech_samples.h"

#include <cstddef>

extern const unsigned char kAllophoneImageBytes[];
extern const std::size_t kAllophoneImageBytes_size;

std::span<const std::uint8_t> BuiltInAllophoneImages() {
  return {kAllophoneImageBytes, kAllophoneImageBytes_size};
}
