// Reading a chosen file whole before anything is changed, and the reason a
// file command gives when it refuses a file. Every loader in this folder
// reads through ReadFileStart, checks all it read, and only then applies it;
// the window shows a FileProblem through Host, vantro-run prints it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/host.h"

// The message box a refused or failed file command shows: title and text.
struct FileProblem {
  std::string title;
  std::string text;
};

// Shows the problem, if there is one, as its message box; whether there was.
bool ShowProblem(Host& host, const std::optional<FileProblem>& problem);

struct FileStart {
  std::vector<std::uint8_t> bytes;  // at most the limit asked for
  bool longer = false;              // the file goes on past the limit
};

// The text every loader shows for a path that names no regular file.
inline constexpr char kNotAFile[] = "This is not a file that can be loaded (a folder, device or pipe)!";

// The first `limit` bytes of the file at path; nothing when it cannot be
// opened or read, with not_a_file set when the path names a folder, a pipe,
// a device or a socket, none of which is read (a pipe would wait forever).
std::optional<FileStart> ReadFileStart(const std::string& path, std::size_t limit, bool& not_a_file);
// The refusal of a file ReadFileStart could not read: kNotAFile, or the
// loader's own text for a file that cannot be opened.
FileProblem UnreadableFile(std::string_view title, std::string_view cant_open, bool not_a_file);
