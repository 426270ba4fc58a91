// Whole-file reads for the loaders. A folder opens as a stream on some
// systems and fails only at the first read, so the read error is what counts.
#include "snapshots/file_bytes.h"

#include <cstdio>

std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t limit) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  FileStart start;
  start.bytes.resize(limit);
  std::size_t got = limit == 0 ? 0 : std::fread(start.bytes.data(), 1, limit, file);
  start.bytes.resize(got);
  start.longer = got == limit && std::fgetc(file) != EOF;
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return start;
}
