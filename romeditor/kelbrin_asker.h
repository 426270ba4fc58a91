// The questions Kelbrin's commands put to the user beyond the Host's message
// boxes and file dialogs: the block dialog (base, count, map option) and the
// address range dialog. The window code answers them with real dialogs;
// tests answer them from a script.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

enum class BlockForm { kLoad, kSave };

// What the block dialog's check boxes select.
enum class MapOption : std::uint8_t {
  kNone = 0,     // save form with " - Generate MAP file" cleared
  kMapFile = 1,  // load the .map file if found / generate it
  kCode = 2,     // mark the loaded block as code
  kData = 3,     // mark the loaded block as data
};

struct BlockRequest {
  std::uint32_t block_base = 0;   // 0-3FFFh
  std::uint32_t block_count = 0;  // 1-4000h
  MapOption map_option = MapOption::kMapFile;
};

// An inclusive range inside the image: from <= to <= 3FFFh.
struct RomRange {
  std::uint32_t from = 0;
  std::uint32_t to = 0;
};

struct KelbrinAsker {
  virtual ~KelbrinAsker() = default;
  // Empty on Cancel.
  virtual std::optional<BlockRequest> AskBlock(BlockForm form) = 0;
  // The range dialog in its Kelbrin form, titled by the caller. Empty on Cancel.
  virtual std::optional<RomRange> AskRange(std::string_view title) = 0;
};
