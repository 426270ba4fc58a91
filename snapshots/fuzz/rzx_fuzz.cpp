// libFuzzer target: arbitrary bytes through FuzzRzx (see fuzz_entries.h).
#include <cstdlib>

#include "snapshots/fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!fuzz::FuzzRzx(data, size)) std::abort();
  return 0;
}
