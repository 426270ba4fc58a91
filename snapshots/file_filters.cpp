// The filter tables of Vantro's file dialogs.
#include "snapshots/file_filters.h"

namespace {

// The labels as Vantro has always shown them: "All supported files
// (*.sna)" names only SNA, the patterns list every kind.
constexpr FileType kAllFiles{"All files (*)", "*"};
constexpr FileType kOpen[] = {
    {"All supported files (*.sna)", "*.sna;*.z80;*.tap;*.tzx;*.csw;*.pzx;*.wav;*.szx;*.rzx;*.zip;*.gz"},
    kAllFiles,
};
constexpr FileType kBlocks{"All supported files (*.bin)", "*.bin;*.scr;*.rom"};
constexpr FileType kLoadBlock[] = {kBlocks, kAllFiles};
constexpr FileType kSaveBlock[] = {kBlocks};
// SNA first: it stays the default.
constexpr FileType kSaveSnapshot[] = {{"SNA (*.sna)", "*.sna"}, {"Z80 (*.z80)", "*.z80"}, {"SZX (*.szx)", "*.szx"}};
constexpr FileType kSaveTape[] = {{"Tape files (*.tap)", "*.tap;*.tzx"}};

}  // namespace

const std::span<const FileType> kOpenFileTypes{kOpen};
const std::span<const FileType> kLoadBlockFileTypes{kLoadBlock};
const std::span<const FileType> kSaveBlockFileTypes{kSaveBlock};
const std::span<const FileType> kSaveSnapshotFileTypes{kSaveSnapshot};
const std::span<const FileType> kSaveTapeFileTypes{kSaveTape};

std::string HostFilter(std::span<const FileType> types) {
  std::string filter;
  for (const FileType& type : types) {
    if (!filter.empty()) filter += ";;";
    filter.append(type.label).append("|").append(type.patterns);
  }
  return filter;
}

std::string_view ChosenExtension(std::span<const FileType> types, int choice) {
  if (choice < 0 || static_cast<std::size_t>(choice) >= types.size()) return {};
  std::string_view first = types[static_cast<std::size_t>(choice)].patterns;
  first = first.substr(0, first.find(';'));
  if (first.size() < 3 || first.substr(0, 2) != "*.") return {};
  return first.substr(1);
}
