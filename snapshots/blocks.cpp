// Raw block transfers between the 64 KB address space and headerless files,
// and the rules of the block dialog's two number fields.
#include "snapshots/blocks.h"

#include <cstdio>

#include "cpu/z80.h"
#include "snapshots/file_filters.h"
#include "snapshots/file_names.h"
#include "tools/text_format.h"

namespace {

constexpr char kLoadDialogTitle[] = "Load BIN file";
constexpr char kSaveDialogTitle[] = "Save BIN file";
constexpr char kLoadTitle[] = "Load BIN";
constexpr char kCantRead[] = "Can't read from file!";
constexpr char kEmptyFile[] = "The file is empty!";
constexpr char kSaveTitle[] = "Save BIN";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kSaveError[] = "ERROR saving file!";

constexpr std::uint32_t kMaxBase = 65535;
constexpr std::uint32_t kMaxCount = 65535;

bool SameBlock(BlockChoice a, BlockChoice b) {
  return a.block_base == b.block_base && a.block_count == b.block_count;
}

// Digits-only text that does not name a value in range is cleared; an empty
// field stays empty (it holds no number but is not wrong either).
std::string Checked(std::string_view text, std::uint32_t low, std::uint32_t high) {
  if (text.empty() || FieldNumber(text, low, high)) return std::string(text);
  return {};
}

}  // namespace

std::optional<std::uint32_t> FieldNumber(std::string_view text, std::uint32_t low,
                                         std::uint32_t high) {
  const std::optional<std::uint32_t> value = ReadDecimal(text, high);
  if (!value || *value < low) return std::nullopt;
  return value;
}

void BlockFields::EditBase(std::string_view text) { base_text = Checked(text, 0, kMaxBase); }
void BlockFields::EditCount(std::string_view text) { count_text = Checked(text, 1, kMaxCount); }

void BlockFields::PresetRom() {
  base_text = std::to_string(kRomBlock.block_base);
  count_text = std::to_string(kRomBlock.block_count);
}

void BlockFields::PresetScreen() {
  base_text = std::to_string(kScreenBlock.block_base);
  count_text = std::to_string(kScreenBlock.block_count);
}

std::optional<BlockChoice> BlockFields::Accept() const {
  auto base = FieldNumber(base_text, 0, kMaxBase);
  auto count = FieldNumber(count_text, 1, kMaxCount);
  if (!base || !count) return std::nullopt;
  return BlockChoice{static_cast<std::uint16_t>(*base), static_cast<std::uint16_t>(*count)};
}

std::string_view DefaultBlockExtension(BlockChoice block) {
  if (SameBlock(block, kScreenBlock)) return ".scr";
  if (SameBlock(block, kRomBlock)) return ".rom";
  return ".bin";
}

std::optional<FileProblem> LoadBlockFile(Machine& machine, CpuState& cpu, BlockChoice block,
                                         const std::string& path) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, block.block_count, not_a_file);
  if (!file) return UnreadableFile(kLoadTitle, kCantRead, not_a_file);
  if (file->bytes.empty()) return FileProblem{kLoadTitle, kEmptyFile};
  // A block at 0 brings a new ROM: the machine restarts from it.
  if (block.block_base == 0) ResetCpu(cpu);
  if (block.block_base == kScreenBlock.block_base) machine.screen_loaded = true;
  // A file shorter than the block fills only its own length.
  std::uint16_t address = block.block_base;
  for (std::uint8_t value : file->bytes) StoreDirect(machine, address++, value);  // wraps at FFFFh
  return std::nullopt;
}

void SaveBlockFile(const Machine& machine, Host& host, BlockChoice block, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    host.ShowMessage(kSaveTitle, kCantOpen);
    return;
  }
  std::uint16_t address = block.block_base;
  bool written = true;
  for (std::uint32_t k = 0; k < block.block_count; ++k) {
    written = std::fputc(machine.memory[address++], file) != EOF && written;
  }
  written = std::fclose(file) == 0 && written;
  // Success stays silent; a short write (a full disk) must not.
  if (!written) host.ShowMessage(kSaveTitle, kSaveError);
}

void LoadBlockCommand(Machine& machine, CpuState& cpu, Host& host, BlockAsker& asker) {
  std::optional<BlockChoice> block = asker.AskBlock();
  if (!block) return;
  std::string path = host.AskOpenPath(kLoadDialogTitle, HostFilter(kLoadBlockFileTypes));
  if (path.empty()) return;
  ShowProblem(host, LoadBlockFile(machine, cpu, *block, path));
}

void SaveBlockCommand(Machine& machine, Host& host, BlockAsker& asker) {
  std::optional<BlockChoice> block = asker.AskBlock();
  if (!block) return;
  std::string chosen = host.AskSavePath(kSaveDialogTitle, HostFilter(kSaveBlockFileTypes));
  if (chosen.empty()) return;
  SaveBlockFile(machine, host, *block, WithDefaultExtension(chosen, DefaultBlockExtension(*block)));
}
