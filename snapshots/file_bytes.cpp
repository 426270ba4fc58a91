// Whole-file reads for the loaders. A folder opens as a stream on some
// systems and fails only at the first read, so the read error is what counts.
#include "snapshots/file_bytes.h"

#include <algorithm>
#include <cstdio>

bool ShowProblem(Host& host, const std::optional<FileProblem>& problem) {
  if (problem) host.ShowMessage(problem->title, problem->text);
  return problem.has_value();
}

std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t limit) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  // In steps, so a small file costs no buffer of the largest size (16 MB
  // for a tape) and the bytes kept are no larger than the file.
  constexpr std::size_t kStep = 64 * 1024;
  FileStart start;
  std::size_t got = 0;
  while (got < limit) {
    const std::size_t want = std::min(kStep, limit - got);
    start.bytes.resize(got + want);
    const std::size_t read = std::fread(start.bytes.data() + got, 1, want, file);
    got += read;
    if (read < want) break;
  }
  start.bytes.resize(got);
  start.bytes.shrink_to_fit();
  start.longer = got == limit && std::fgetc(file) != EOF;
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return start;
}
