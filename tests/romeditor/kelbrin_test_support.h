// Test helpers for Kelbrin: a scripted block/range asker and a fresh
// temporary folder per test.
#pragma once
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "romeditor/kelbrin_asker.h"

struct ScriptedAsker : KelbrinAsker {
  std::deque<std::optional<BlockRequest>> blocks;  // empty queue = Cancel
  std::deque<std::optional<RomRange>> ranges;      // empty queue = Cancel
  std::vector<BlockForm> block_forms;              // forms asked, in order
  std::vector<std::string> range_titles;           // titles asked, in order

  std::optional<BlockRequest> AskBlock(BlockForm form) override {
    block_forms.push_back(form);
    if (blocks.empty()) return std::nullopt;
    auto answer = blocks.front();
    blocks.pop_front();
    return answer;
  }
  std::optional<RomRange> AskRange(std::string_view title) override {
    range_titles.emplace_back(title);
    if (ranges.empty()) return std::nullopt;
    auto answer = ranges.front();
    ranges.pop_front();
    return answer;
  }
};

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("kelbrin_test_" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}
