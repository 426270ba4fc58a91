// Block files and map files of the ROM image. Every transfer is cut to the
// 16,384 bytes of the image and the map, whatever base and count the dialog
// let through: the dialog checks its two fields one at a time, so a base of
// 16000 with a count of 1000 can be confirmed.
#include "romeditor/rom_blocks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "romeditor/rom_map.h"
#include "tools/text_format.h"

namespace {

// Six digits are more than any field accepts; longer text is out of range
// even when it starts with zeros.
std::optional<std::uint32_t> ParseDigits(std::string_view text, std::uint32_t high) {
  if (text.size() > 6) return std::nullopt;
  return ReadDecimal(text, high);
}

struct File {
  std::FILE* handle;
  explicit File(std::FILE* f) : handle(f) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (handle) std::fclose(handle);
  }
  // Closes now and says whether everything written reached the file.
  bool Close() {
    bool ok = std::fclose(handle) == 0;
    handle = nullptr;
    return ok;
  }
};

// Reads at most count bytes from the start of the file; empty on open
// failure and for anything but a regular file, which is opened without
// waiting and never read: a pipe would hold the program until written to.
std::optional<std::vector<std::uint8_t>> ReadPrefix(const std::string& path, std::uint32_t count) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return std::nullopt;
  }
  File file(::fdopen(descriptor, "rb"));
  if (!file.handle) {
    ::close(descriptor);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(count);
  std::size_t got = count ? std::fread(bytes.data(), 1, count, file.handle) : 0;
  bytes.resize(got);
  return bytes;
}

std::size_t NameStart(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

enum class WriteOutcome { kWritten, kCannotCreate, kWriteFailed };

// Creates path and writes count bytes to it; a short write or a failing
// close (buffers that never reached the disk) is a failed write.
WriteOutcome WriteWhole(const std::string& path, const std::uint8_t* bytes, std::uint32_t count) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file.handle) return WriteOutcome::kCannotCreate;
  const bool ok = count == 0 || std::fwrite(bytes, 1, count, file.handle) == count;
  return file.Close() && ok ? WriteOutcome::kWritten : WriteOutcome::kWriteFailed;
}

}  // namespace

std::optional<std::uint32_t> ParseBlockBase(std::string_view text) {
  return ParseDigits(text, 16383);
}

std::optional<std::uint32_t> ParseBlockCount(std::string_view text) {
  std::optional<std::uint32_t> value = ParseDigits(text, 16383);
  if (!value || *value < 1) return std::nullopt;
  return value;
}

std::string MapFileName(std::string_view block_path) {
  std::string_view name = block_path.substr(NameStart(block_path));
  if (name.size() > 3) {
    std::string map(block_path.substr(0, block_path.size() - 3));
    map += "map";
    if (!SameIgnoringCase(map, block_path)) return map;
  }
  return std::string(block_path) + ".map";
}

std::string WithBlockExtension(std::string_view path, std::uint32_t base, std::uint32_t count) {
  std::string_view name = path.substr(NameStart(path));
  // A leading dot names a hidden file, not an extension.
  if (name.find('.', 1) != std::string_view::npos) return std::string(path);
  return std::string(path) + (base == 0 && count == kRomSize ? ".rom" : ".bin");
}

std::uint32_t ClippedBlockCount(std::uint32_t base, std::uint32_t count) {
  if (base >= kRomSize) return 0;
  return std::min<std::uint32_t>(count, kRomSize - base);
}

bool LoadBlockFiles(RomEditor& editor, const std::string& path, const BlockRequest& request) {
  const std::uint32_t base = request.block_base;
  const std::uint32_t count = ClippedBlockCount(base, request.block_count);
  std::optional<std::vector<std::uint8_t>> block = ReadPrefix(path, count);
  if (!block) return false;
  if (count == 0) return true;  // a base past 3FFFh: nothing lies inside the image
  std::copy(block->begin(), block->end(), editor.rom_image.begin() + base);

  switch (request.map_option) {
    case MapOption::kMapFile:
      // A missing map leaves the map as it was, silently.
      if (std::optional<std::vector<std::uint8_t>> map = ReadPrefix(MapFileName(path), count)) {
        std::copy(map->begin(), map->end(), editor.rom_map.begin() + base);
      }
      break;
    case MapOption::kCode:
      MarkMapRange(editor.rom_map, base, base + count - 1, 0);
      break;
    case MapOption::kData:
      MarkMapRange(editor.rom_map, base, base + count - 1, 1);
      break;
    case MapOption::kNone:
      break;
  }
  return true;
}

SaveResult SaveBlockFiles(const RomEditor& editor, const std::string& path, const BlockRequest& request) {
  const std::uint32_t base = request.block_base;
  const std::uint32_t count = ClippedBlockCount(base, request.block_count);
  switch (WriteWhole(path, editor.rom_image.data() + base, count)) {
    case WriteOutcome::kCannotCreate: return SaveResult::kCannotCreate;
    case WriteOutcome::kWriteFailed: return SaveResult::kWriteFailed;
    case WriteOutcome::kWritten: break;
  }
  if (request.map_option != MapOption::kMapFile) return SaveResult::kSaved;
  // A block saved without its map would later load with the wrong code and
  // data marks, so a missing or short map is reported like the block.
  switch (WriteWhole(MapFileName(path), editor.rom_map.data() + base, count)) {
    case WriteOutcome::kCannotCreate: return SaveResult::kMapCannotCreate;
    case WriteOutcome::kWriteFailed: return SaveResult::kMapWriteFailed;
    case WriteOutcome::kWritten: break;
  }
  return SaveResult::kSaved;
}

void LoadRomBlockCommand(RomEditor& editor, Host& host, KelbrinAsker& asker) {
  std::optional<BlockRequest> request = asker.AskBlock(BlockForm::kLoad);
  if (!request) return;
  std::string path = host.AskOpenPath(kLoadBlockTitle, kLoadFilter);
  if (path.empty()) return;
  if (!LoadBlockFiles(editor, path, *request)) {
    host.ShowMessage(kLoadErrorTitle, kLoadErrorText);
    return;
  }
  // What was loaded, and the map as the load left it, count as unchanged.
  KeepRange(editor, request->block_base, request->block_count, true);
}

void SaveRomBlockCommand(RomEditor& editor, Host& host, KelbrinAsker& asker) {
  std::optional<BlockRequest> request = asker.AskBlock(BlockForm::kSave);
  if (!request) return;
  std::string path = host.AskSavePath(kSaveBlockTitle, kSaveFilter);
  if (path.empty()) return;
  path = WithBlockExtension(path, request->block_base, request->block_count);
  const SaveResult result = SaveBlockFiles(editor, path, *request);
  // The block is on disk unless it could not be written; its map only when
  // that was written too.
  if (result != SaveResult::kCannotCreate && result != SaveResult::kWriteFailed) {
    KeepRange(editor, request->block_base, request->block_count,
              request->map_option == MapOption::kMapFile && result == SaveResult::kSaved);
  }
  switch (result) {
    case SaveResult::kSaved:
      break;
    case SaveResult::kCannotCreate:
      host.ShowMessage(kSaveErrorTitle, kSaveErrorText);
      break;
    case SaveResult::kWriteFailed:
      // Not silent: a half-written ROM file must not pass for a saved one.
      host.ShowMessage(kSaveErrorTitle, kSaveWriteErrorText);
      break;
    case SaveResult::kMapCannotCreate:
      host.ShowMessage(kSaveErrorTitle, kSaveMapErrorText);
      break;
    case SaveResult::kMapWriteFailed:
      host.ShowMessage(kSaveErrorTitle, kSaveMapWriteErrorText);
      break;
  }
}
