// Fuzz entry points for the file loaders: each takes arbitrary bytes, puts
// them through the real file-based code and checks what must hold whatever
// the input (no store outside the areas a loader may touch). The libFuzzer
// targets beside this header call them with clang's fuzzer and AddressSanitizer;
// the test suite calls the same functions on generated seeds with GCC.
#pragma once
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "computer/input_frames.h"
#include "machine/machine.h"
#include "snapshots/archive.h"
#include "snapshots/blocks.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/pok.h"
#include "snapshots/rzx.h"
#include "snapshots/sna.h"
#include "snapshots/szx.h"
#include "snapshots/tape.h"
#include "snapshots/tzx.h"
#include "snapshots/z80_snapshot.h"

namespace fuzz {

using Bytes = std::vector<std::uint8_t>;

// A user who never answers: messages are dropped, dialogs cancelled.
struct SilentHost : Host {
  int messages = 0;
  void ShowMessage(std::string_view, std::string_view) override { ++messages; }
  bool AskYesNo(std::string_view, std::string_view) override { return false; }
  std::string AskOpenPath(std::string_view, std::string_view) override { return {}; }
  std::string AskSavePath(std::string_view, std::string_view) override { return {}; }
};

// Inputs go through real files; memory-backed /dev/shm keeps that quick.
inline std::string ScratchPath(const char* extension) {
  static const std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return folder + "/vantro-fuzz-" + std::to_string(::getpid()) + extension;
}

inline bool WriteScratch(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

inline std::uint8_t Pattern(std::size_t address) {
  return static_cast<std::uint8_t>(address * 31 + (address >> 8));
}

// One machine for the whole run, refilled with a known pattern per input so
// that stray stores are visible.
inline Machine& FreshMachine() {
  static std::unique_ptr<Machine> machine = std::make_unique<Machine>();
  for (std::size_t k = 0; k < machine->memory.size(); ++k) machine->memory[k] = Pattern(k);
  machine->write_floor = kProtectedFloor;
  machine->ula_out = 0;
  machine->screen_loaded = false;
  EjectTape(*machine);
  machine->input_log = InputLog{};
  return *machine;
}

inline bool RomAreaIntact(const Machine& machine) {
  for (std::size_t k = 0; k < 0x4000; ++k) {
    if (machine.memory[k] != Pattern(k)) return false;
  }
  return true;
}

inline bool AllIntact(const Machine& machine) {
  for (std::size_t k = 0; k < machine.memory.size(); ++k) {
    if (machine.memory[k] != Pattern(k)) return false;
  }
  return true;
}

// SNA: any input leaves the ROM area alone; an input that is refused leaves
// everything alone. The input is also tried cut or padded to the exact
// length, so the header path is reached.
inline bool FuzzSna(const std::uint8_t* data, std::size_t size) {
  std::string path = ScratchPath(".sna");
  for (int pass = 0; pass < 2; ++pass) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (pass == 1) bytes.resize(kSnaFileLength, '\x5A');
    if (!WriteScratch(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) return true;
    Machine& machine = FreshMachine();
    CpuState cpu;
    const bool refused = LoadSna(machine, cpu, path).has_value();
    if (!RomAreaIntact(machine)) return false;
    if (refused != (bytes.size() != kSnaFileLength)) return false;
    if (refused && (!AllIntact(machine) || cpu.pc != 0)) return false;
  }
  std::remove(path.c_str());
  return true;
}

// Z80: the ROM area is never written, and a refused file changes nothing.
// The input is tried as it is and as a first-version compressed file, so the
// decoder sees every input.
inline bool FuzzZ80(const std::uint8_t* data, std::size_t size) {
  std::string path = ScratchPath(".z80");
  for (int pass = 0; pass < 2; ++pass) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (pass == 1) {
      if (bytes.size() < kZ80HeaderLength) bytes.resize(kZ80HeaderLength, '\0');
      bytes[6] = static_cast<char>(bytes[6] | 1);
      bytes[12] = static_cast<char>(bytes[12] | 0x20);
    }
    if (!WriteScratch(path, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) return true;
    Machine& machine = FreshMachine();
    CpuState cpu;
    cpu.halted = true;
    const bool refused = LoadZ80(machine, cpu, path).has_value();
    if (!RomAreaIntact(machine)) return false;
    if (refused && (!AllIntact(machine) || cpu.pc != 0 || !cpu.halted || machine.ula_out != 0)) return false;
  }
  std::remove(path.c_str());
  return true;
}

inline bool SameRegisters(const CpuState& a, const CpuState& b) {
  return a.a == b.a && a.f == b.f && a.b == b.b && a.c == b.c && a.d == b.d && a.e == b.e && a.h == b.h &&
         a.l == b.l && a.a_alt == b.a_alt && a.f_alt == b.f_alt && a.b_alt == b.b_alt && a.c_alt == b.c_alt &&
         a.d_alt == b.d_alt && a.e_alt == b.e_alt && a.h_alt == b.h_alt && a.l_alt == b.l_alt && a.ix == b.ix &&
         a.iy == b.iy && a.sp == b.sp && a.pc == b.pc && a.i == b.i && a.r == b.r && a.r7 == b.r7 &&
         a.iff == b.iff && a.im == b.im;
}

// Z80 versions 2 and 3: the input is made into a later-version file for a
// plain 48K (header PC 0, an extra header of 23, 54 or 55 bytes, no ROM of
// an interface paged in), so the page reader sees every input. A refused
// file changes nothing; a file that loads is saved again as version 3 and
// must load back to the same RAM and registers.
inline bool FuzzZ80Paged(const std::uint8_t* data, std::size_t size) {
  static const std::uint16_t kExtraLengths[] = {23, 54, 55};
  Bytes bytes(data, data + size);
  if (bytes.size() < 32) bytes.resize(32, 0);
  const std::uint16_t extra = kExtraLengths[bytes[30] % 3];
  bytes[6] = 0;
  bytes[7] = 0;
  bytes[30] = static_cast<std::uint8_t>(extra);
  bytes[31] = 0;
  if (bytes.size() < 32u + extra) bytes.resize(32u + extra, 0);
  bytes[34] &= 1;  // 48K, or 48K with Interface 1
  bytes[36] = 0;
  bytes[37] &= 0x7F;
  if (extra != 23) bytes[59] = bytes[60] = 0;
  std::string path = ScratchPath(".z80");
  if (!WriteScratch(path, bytes.data(), bytes.size())) return true;
  Machine& machine = FreshMachine();
  CpuState cpu;
  cpu.halted = true;
  const bool refused = LoadZ80(machine, cpu, path).has_value();
  bool held = RomAreaIntact(machine);
  if (refused) {
    held = held && AllIntact(machine) && cpu.pc == 0 && cpu.halted && machine.ula_out == 0;
  } else {
    const Bytes again = Z80FileBytes(machine, cpu);
    static std::unique_ptr<Machine> reloaded = std::make_unique<Machine>();
    CpuState cpu_again;
    held = held && !cpu.halted && WriteScratch(path, again.data(), again.size()) &&
           !LoadZ80(*reloaded, cpu_again, path) && SameRegisters(cpu, cpu_again) &&
           std::equal(machine.memory.begin() + 0x4000, machine.memory.end(), reloaded->memory.begin() + 0x4000) &&
           (reloaded->ula_out & 7) == (machine.ula_out & 7);
  }
  std::remove(path.c_str());
  return held;
}

// TAP through the trap: the first six bytes choose IX, DE, A and protection
// for up to three LOADs, the rest is the tape. A refused image leaves no
// tape in; protected loads never reach the ROM; a served block returns to
// the ROM with IX and DE moved by the same count.
inline bool FuzzTape(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return true;
  std::string path = ScratchPath(".tap");
  if (!WriteScratch(path, data + 6, size - 6)) return true;
  Machine& machine = FreshMachine();
  bool protect = (data[5] & 0x80) == 0;
  machine.write_floor = protect ? kProtectedFloor : 0;
  if (InsertTape(machine, path)) {
    std::remove(path.c_str());
    return !machine.tape_active && !machine.tape_signal.inserted;
  }
  CpuState cpu;
  cpu.ix = static_cast<std::uint16_t>(data[0] | data[1] << 8);
  std::uint16_t de = static_cast<std::uint16_t>(data[2] | data[3] << 8);
  // Keep most counts short so the fuzzer stays quick; bit 6 allows any
  // count, 0 (a load of no data) included.
  if ((data[5] & 0x40) == 0) de &= 0x0FFF;
  for (int load = 0; load < 1 + data[4] % 3; ++load) {
    cpu.pc = kTapeTrapAddress;
    cpu.f = kFlagC;
    cpu.a = (data[5] & 0x20) != 0 ? 0xFF : 0x00;
    cpu.d = static_cast<std::uint8_t>(de >> 8);
    cpu.e = static_cast<std::uint8_t>(de);
    const std::uint16_t ix_before = cpu.ix;
    if (!TapeTrap(machine, cpu)) {
      if (cpu.pc != kTapeTrapAddress) return false;
      break;  // the end of the tape: the ROM is left to wait
    }
    if (cpu.pc != kLoadReturn) return false;
    const auto moved = static_cast<std::uint16_t>(cpu.ix - ix_before);
    if (static_cast<std::uint16_t>(de - De(cpu)) != moved) return false;
  }
  EjectTape(machine);
  std::remove(path.c_str());
  return !protect || RomAreaIntact(machine);
}

// BIN: the first four bytes are base and count, the rest the file. Nothing
// outside [base, base + count) changes (wrapping), nor more bytes than the
// file holds (none for an empty file, which is refused); a save of the block writes count bytes.
inline bool FuzzBlock(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return true;
  BlockChoice block{static_cast<std::uint16_t>(data[0] | data[1] << 8),
                    static_cast<std::uint16_t>(data[2] | data[3] << 8)};
  if (block.block_count == 0) block.block_count = 1;  // the dialog never gives 0
  std::string path = ScratchPath(".bin");
  if (!WriteScratch(path, data + 4, size - 4)) return true;
  Machine& machine = FreshMachine();
  CpuState cpu;
  SilentHost host;
  const bool refused = LoadBlockFile(machine, cpu, block, path).has_value();
  if (refused != (size == 4)) return false;  // only an empty file is refused
  std::size_t may_change = std::min<std::size_t>(block.block_count, size - 4);
  for (std::size_t k = 0; k < 0x10000; ++k) {
    std::size_t offset = (k - block.block_base) & 0xFFFF;
    bool inside = offset < may_change;
    if (!inside && machine.memory[k] != Pattern(k)) return false;
    if (inside && offset < size - 4 && machine.memory[k] != data[4 + offset]) return false;
  }
  SaveBlockFile(machine, host, block, path);
  std::FILE* saved = std::fopen(path.c_str(), "rb");
  if (saved == nullptr) return false;
  std::fseek(saved, 0, SEEK_END);
  long length = std::ftell(saved);
  std::fclose(saved);
  std::remove(path.c_str());
  return length == block.block_count && host.messages == 0;
}

// TZX, PZX and CSW: the input as it is and behind each one's header, so
// every block reader sees every input, inserted through the file as "Open"
// does. A refused file leaves no tape in; an accepted one plays through a
// loader's reads and the trap's skips without a read outside the image
// (AddressSanitizer watches it) and with the ROM area untouched.
inline bool FuzzTzx(const std::uint8_t* data, std::size_t size) {
  static const Bytes kHeaders[] = {
      {},
      {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20},
      {'P', 'Z', 'X', 'T', 2, 0, 0, 0, 1, 0},
      {'C', 'o', 'm', 'p', 'r', 'e', 's', 's', 'e', 'd', ' ', 'S', 'q', 'u', 'a', 'r', 'e', ' ', 'W', 'a', 'v',
       'e', 0x1A, 2, 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0, 2, 0, 0, 'f', 'u', 'z', 'z', ' ', ' ', ' ', ' ', ' ', ' ',
       ' ', ' ', ' ', ' ', ' ', ' '},
  };
  const std::string path = ScratchPath(".tzx");
  for (const Bytes& header : kHeaders) {
    Bytes bytes = header;
    bytes.insert(bytes.end(), data, data + size);
    if (!WriteScratch(path, bytes.data(), bytes.size())) return true;
    Machine& machine = FreshMachine();
    machine.frame_tstates = 0;
    if (InsertTape(machine, path)) {
      if (machine.tape_active || machine.tape_signal.inserted) return false;
      continue;
    }
    // A copy holds exactly its bytes, so a read past the end is caught.
    machine.tape_signal.image = std::make_shared<const TapeImage>(*machine.tape_signal.image);
    TapeSignal& tape = machine.tape_signal;
    CpuState cpu;
    for (int read = 0; read < 3000; ++read) {
      machine.frame_tstates += 1 + (read % 97) * 13;
      // A loader at work keeps the motor turning.
      KeepTapeMoving(tape, TapeNow(machine, 0));
      TapeEarLevel(tape, TapeNow(machine, 0));
      if (read % 300 == 299) {
        cpu.pc = kTapeTrapAddress;
        cpu.f = kFlagC;
        cpu.a = 0xFF;
        cpu.ix = 0x8000;
        cpu.d = 0;
        cpu.e = 0x20;
        TapeTrap(machine, cpu);
      }
      if (!tape.playing) SetTapePlaying(tape, true, TapeNow(machine, 0));
      if (tape.block > tape.image->blocks.size()) return false;
    }
    if (!RomAreaIntact(machine)) return false;
  }
  EjectTape(FreshMachine());
  std::remove(path.c_str());
  return true;
}

// ZIP and GZ through "Open": the input as a zip archive and as a gzip file,
// and as the packed data of a one-member zip (first byte: the member's name
// and whether it is stored; next eight: its size and CRC-32), so inflate and
// every member loader see every input. A refused archive changes nothing
// and leaves no tape in; whatever opens leaves the ROM area alone.
inline bool FuzzZip(const std::uint8_t* data, std::size_t size) {
  static const char* const kNames[] = {"a.tap", "b.sna", "c.z80", "d.tzx", "e.txt", "f.pzx", "g.csw", "dir/"};
  auto le = [](Bytes& out, std::uint32_t value, int length) {
    for (int k = 0; k < length; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
  };
  Bytes wrapped;
  if (size >= 9) {
    const std::string name = kNames[data[0] & 7];
    const bool stored = (data[0] & 8) != 0;
    const std::uint32_t packed = static_cast<std::uint32_t>(size - 9);
    std::uint32_t length = static_cast<std::uint32_t>(data[1] | data[2] << 8 | data[3] << 16) & 0x3FFFF;
    std::uint32_t crc = static_cast<std::uint32_t>(data[5] | data[6] << 8 | data[7] << 16 | data[8] << 24);
    if (stored) {
      length = packed;
      // Mostly the right CRC, so the loaders get the member.
      if ((data[4] & 1) == 0) crc = static_cast<std::uint32_t>(::crc32(0, data + 9, packed));
    }
    auto common = [&](Bytes& out) {
      le(out, 20, 2);
      le(out, data[4] & 0x40 ? 1 : 0, 2);  // sometimes "encrypted"
      le(out, stored ? 0 : 8, 2);
      le(out, 0, 4);
      le(out, crc, 4);
      le(out, packed, 4);
      le(out, length, 4);
      le(out, static_cast<std::uint32_t>(name.size()), 2);
      le(out, 0, 2);
    };
    le(wrapped, 0x04034B50, 4);
    common(wrapped);
    wrapped.insert(wrapped.end(), name.begin(), name.end());
    wrapped.insert(wrapped.end(), data + 9, data + size);
    const auto directory_at = static_cast<std::uint32_t>(wrapped.size());
    le(wrapped, 0x02014B50, 4);
    le(wrapped, 20, 2);
    common(wrapped);
    le(wrapped, 0, 4);
    le(wrapped, 0, 4);
    le(wrapped, 0, 4);
    wrapped.insert(wrapped.end(), name.begin(), name.end());
    const auto directory_size = static_cast<std::uint32_t>(wrapped.size() - directory_at);
    le(wrapped, 0x06054B50, 4);
    le(wrapped, 0, 4);
    le(wrapped, 1, 2);
    le(wrapped, 1, 2);
    le(wrapped, directory_size, 4);
    le(wrapped, directory_at, 4);
    le(wrapped, 0, 2);
  }
  struct Pass {
    const char* extension;
    const std::uint8_t* bytes;
    std::size_t size;
  };
  const Pass passes[] = {{".zip", data, size}, {".tap.gz", data, size}, {".zip", wrapped.data(), wrapped.size()}};
  for (const Pass& pass : passes) {
    if (&pass == &passes[2] && wrapped.empty()) continue;
    const std::string path = ScratchPath(pass.extension);
    if (!WriteScratch(path, pass.bytes, pass.size)) return true;
    Machine& machine = FreshMachine();
    CpuState cpu;
    const bool refused = OpenFile(machine, cpu, path).has_value();
    std::remove(path.c_str());
    if (!RomAreaIntact(machine)) return false;
    if (refused && (!AllIntact(machine) || cpu.pc != 0 || machine.tape_active || machine.tape_signal.inserted)) {
      return false;
    }
    EjectTape(machine);
  }
  return true;
}

// POK: a refused file gives no trainers; an accepted one has only pokes
// into RAM with values 0-256, at least one per trainer, and applying every
// trainer a 48K takes changes those addresses alone, to the value or the
// one given for an asked poke.
inline bool FuzzPok(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchPath(".pok");
  if (!WriteScratch(path, data, size)) return true;
  std::vector<Trainer> trainers(1);
  trainers[0].name = "untouched";
  const bool refused = ReadPokFile(path, trainers).has_value();
  std::remove(path.c_str());
  if (refused) return trainers.size() == 1 && trainers[0].name == "untouched" && trainers[0].pokes.empty();
  Machine& machine = FreshMachine();
  std::vector<bool> poked(0x10000, false);
  for (const Trainer& trainer : trainers) {
    if (trainer.pokes.empty()) return false;
    bool asks = false;
    for (const PokeLine& poke : trainer.pokes) {
      if (poke.address < 0x4000 || poke.value > kAskedPokeValue) return false;
      asks = asks || poke.value == kAskedPokeValue;
    }
    if (asks != trainer.asks_value) return false;
    if (trainer.needs_128k) continue;
    for (const PokeLine& poke : trainer.pokes) poked[poke.address] = true;
    ApplyTrainer(machine, trainer, std::vector<std::uint8_t>(trainer.pokes.size(), 0x5A));
  }
  for (std::size_t k = 0; k < 0x10000; ++k) {
    if (!poked[k] && machine.memory[k] != Pattern(k)) return false;
  }
  return true;
}

// SZX: the input as it is and behind the header of a 48K file, so
// libspectrum's chunk reader and the embedded tape's finder see every
// input. A refused file changes nothing, tape included; a file that loads
// leaves the ROM alone and, saved again, loads back to the same registers
// and RAM.
inline bool FuzzSzx(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchPath(".szx");
  for (int pass = 0; pass < 2; ++pass) {
    Bytes bytes(data, data + size);
    if (pass == 1) {
      const Bytes header{'Z', 'X', 'S', 'T', 1, 4, 1, 0};
      bytes.insert(bytes.begin(), header.begin(), header.end());
    }
    if (!WriteScratch(path, bytes.data(), bytes.size())) return true;
    Machine& machine = FreshMachine();
    CpuState cpu;
    cpu.halted = true;
    const bool refused = LoadSzx(machine, cpu, path).has_value();
    if (!RomAreaIntact(machine)) return false;
    if (refused) {
      if (!AllIntact(machine) || cpu.pc != 0 || !cpu.halted || machine.tape_active) return false;
      continue;
    }
    std::optional<Bytes> again = SzxFileBytes(machine, cpu);
    static std::unique_ptr<Machine> reloaded = std::make_unique<Machine>();
    CpuState cpu_again;
    // A frame's interrupt the first load accepted has cleared the interrupt
    // state, so the reload cannot accept it again.
    if (!again || !WriteScratch(path, again->data(), again->size()) || LoadSzx(*reloaded, cpu_again, path) ||
        !SameRegisters(cpu, cpu_again) || cpu.halted != cpu_again.halted ||
        !std::equal(machine.memory.begin() + 0x4000, machine.memory.end(), reloaded->memory.begin() + 0x4000)) {
      return false;
    }
    EjectTape(*reloaded);
  }
  std::remove(path.c_str());
  return true;
}

// RZX: the input as it is and behind the signature of version 0.12, so the
// block reader sees every input. A refused file changes nothing and plays
// nothing; one that plays is run through all its frames by the frame-end
// rule with a read or two more than each frame holds, without a read
// outside the recording (AddressSanitizer watches it).
inline bool FuzzRzx(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchPath(".rzx");
  for (int pass = 0; pass < 2; ++pass) {
    Bytes bytes(data, data + size);
    if (pass == 1) {
      const Bytes header{'R', 'Z', 'X', '!', 0, 12, 0, 0, 0, 0};
      bytes.insert(bytes.begin(), header.begin(), header.end());
    }
    if (!WriteScratch(path, bytes.data(), bytes.size())) return true;
    Machine& machine = FreshMachine();
    CpuState cpu;
    cpu.halted = true;
    const bool refused = LoadRzx(machine, cpu, path).has_value();
    if (!RomAreaIntact(machine)) return false;
    InputLog& log = machine.input_log;
    if (refused) {
      if (!AllIntact(machine) || cpu.pc != 0 || !cpu.halted || log.mode != InputLogMode::off) return false;
      continue;
    }
    if (log.mode != InputLogMode::playing || log.frame_starts.size() != log.frame_fetches.size() + 1) return false;
    // Short frames only: a long recording's frames are all alike here.
    for (int frame = 0; frame < 2000 && log.mode == InputLogMode::playing; ++frame) {
      const std::size_t reads = log.frame_starts[log.frame + 1] - log.frame_starts[log.frame];
      for (std::size_t k = 0; k < std::min<std::size_t>(reads, 64) + (frame % 3); ++k) LogPortRead(log, 0xFF);
      cpu.fetches = log.frame_fetches[log.frame];
      machine.frame_tstates = (frame * 7919) % 80000;
      const bool in_step = !log.ran_out;
      const bool ended = InputFrameEnds(machine, cpu);
      if (in_step && (!ended || machine.frame_tstates < kFrameTStates)) return false;
    }
  }
  std::remove(path.c_str());
  return true;
}

}  // namespace fuzz
