// Whole-file reads for the loaders. The file is opened without waiting and
// looked at before a byte is read: a pipe or a device would otherwise hold
// the program until something writes to it, and a folder opens as a stream
// on some systems and fails only at the first read.
#include "snapshots/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

bool ShowProblem(Host& host, const std::optional<FileProblem>& problem) {
  if (problem) host.ShowMessage(problem->title, problem->text);
  return problem.has_value();
}

std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t limit, bool& not_a_file) {
  not_a_file = false;
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    not_a_file = status.st_mode != 0 && !S_ISREG(status.st_mode);
    ::close(descriptor);
    return std::nullopt;
  }
  std::FILE* file = ::fdopen(descriptor, "rb");
  if (file == nullptr) {
    ::close(descriptor);
    return std::nullopt;
  }
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

FileProblem UnreadableFile(std::string_view title, std::string_view cant_open, bool not_a_file) {
  return {std::string(title), std::string(not_a_file ? kNotAFile : cant_open)};
}
