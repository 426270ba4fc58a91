// File-name rules for the Files menu commands (Open, Save SNA, blocks).
#include "snapshots/file_names.h"

std::string_view FileExtension(std::string_view path) {
  std::size_t slash = path.rfind('/');
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return {};
  return file.substr(dot + 1);
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
  std::string result(path);
  // "name." counts as having no extension, so it becomes "name..sna".
  if (FileExtension(path).empty()) result += extension;
  return result;
}
