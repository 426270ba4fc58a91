// libFuzzer target: arbitrary bytes through FuzzRomBlock (see fuzz_entries.h).
#include <cstdlib>

#include "romeditor/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!kelbrin_fuzz::FuzzRomBlock(data, size)) std::abort();
  return 0;
}
