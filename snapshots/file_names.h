// File-name rules shared by the Open, SNA and block commands: the extension
// of a path's file part, and appending a default one to a bare name.
#pragma once
#include <string>
#include <string_view>

// The text after the last dot of the part after the last '/'; empty when the
// file part has no dot or ends in one.
std::string_view FileExtension(std::string_view path);
// ASCII upper case, for the case-insensitive extension dispatch.
std::string UpperAscii(std::string_view text);
// path + extension (".sna") when FileExtension(path) is empty; path otherwise.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);
