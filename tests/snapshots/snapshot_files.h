// Test helpers for the snapshot and block tests: a temporary folder that
// removes itself, whole-file read and write, and a machine on the heap (the
// record is too large for a test's stack frame).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

using Bytes = std::vector<std::uint8_t>;

class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("vantro-files-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A machine with a recognisable memory pattern, so stray writes show.
inline std::unique_ptr<Machine> PatternedMachine(std::uint32_t seed = 1) {
  auto machine = std::make_unique<Machine>();
  std::mt19937 random(seed);
  for (auto& byte : machine->memory) byte = static_cast<std::uint8_t>(random());
  return machine;
}

// Every field of the processor state, in one comparable list, so a test can
// tell that a refused file changed nothing.
inline std::vector<unsigned> CpuFields(const CpuState& c) {
  return {c.a, c.f, c.b, c.c, c.d, c.e, c.h, c.l, c.a_alt, c.f_alt, c.b_alt, c.c_alt,
          c.d_alt, c.e_alt, c.h_alt, c.l_alt, c.ix, c.iy, c.sp, c.pc, c.memptr, c.i, c.r,
          c.r7, c.iff, c.im, c.halted, c.ei_delay, c.tstates, c.io_data};
}

// Every register set to a distinct value.
inline CpuState DistinctRegisters() {
  CpuState cpu;
  cpu.a = 0x11; cpu.f = 0x22; cpu.b = 0x33; cpu.c = 0x44;
  cpu.d = 0x55; cpu.e = 0x66; cpu.h = 0x77; cpu.l = 0x88;
  cpu.a_alt = 0x99; cpu.f_alt = 0xAA; cpu.b_alt = 0xBB; cpu.c_alt = 0xCC;
  cpu.d_alt = 0xDD; cpu.e_alt = 0xEE; cpu.h_alt = 0x12; cpu.l_alt = 0x34;
  cpu.ix = 0x5678; cpu.iy = 0x9ABC;
  cpu.sp = 0x8000; cpu.pc = 0x6543;
  cpu.i = 0x3F; cpu.r = 0x25; cpu.r7 = 0x80;
  cpu.iff = 4; cpu.im = 2;
  return cpu;
}

// Runs a loader that must refuse its file and checks that it left machine
// and cpu as they were: memory, border and every register. Returns the
// loader's problem for the caller to check the message.
template <typename Load>
std::optional<FileProblem> RefusedChangingNothing(Machine& machine, CpuState& cpu, Load load,
                                                  const std::string& label) {
  const auto before = std::make_unique<Machine>(machine);
  const CpuState was = cpu;
  std::optional<FileProblem> problem = load();
  EXPECT_TRUE(machine.memory == before->memory) << label;
  EXPECT_EQ(machine.ula_out, before->ula_out) << label;
  EXPECT_EQ(CpuFields(cpu), CpuFields(was)) << label << ": no register, no reset";
  return problem;
}
