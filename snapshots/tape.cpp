// Tape insertion (TAP, TZX, CSW, PZX, WAVE) and the ROM-like tape traps.
// The loader trap reproduces the outcome of the ROM's LD-BYTES on the same
// block, register for register, so the ROM's LOAD goes on exactly as it
// would after reading the tape: past a wrong block while it looks for a
// header, "R Tape loading error" otherwise. The SAVE trap takes SA-BYTES'
// block as it would be saved.
#include "snapshots/tape.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "cpu/z80.h"
#include "machine/port_bus.h"
#include "snapshots/csw.h"
#include "computer/computer.h"
#include "snapshots/file_names.h"
#include "snapshots/pzx.h"
#include "snapshots/tape_image.h"
#include "snapshots/tzx.h"
#include "snapshots/wave_tape.h"

namespace {

constexpr char kCantOpen[] = "Can't open file!";
constexpr char kEmpty[] = "The tape image is empty!";
constexpr char kNotTap[] = "This is not a TAP tape image: its block lengths do not match the file!";
constexpr char kTooLarge[] = "The file is too large for a tape image!";
constexpr char kNoWaveReader[] = "this program has no WAVE reader";

constexpr std::uint16_t kBordcr = 0x5C48;  // the system variable of the border colour

// Far beyond any real tape; keeps a wrongly chosen huge file out of memory.
constexpr std::size_t kLargestTape = 16 * 1024 * 1024;
// Sampled sound is larger: some 25 minutes of CD-quality stereo.
constexpr std::size_t kLargestWave = 256 * 1024 * 1024;

// The tape files "Open" takes, each found by its signature or, failing
// that, by its extension; anything else is a TAP image.
enum class TapeFormat { tap, tzx, csw, pzx, wave };

struct TapeFormatInfo {
  TapeFormat format;
  const char* extension;
  const char* title;
  const char* damaged;  // the refusal's text before the reader's reason
  bool (*has_signature)(const std::vector<std::uint8_t>& bytes);
};

const TapeFormatInfo kFormats[] = {
    {TapeFormat::tzx, "TZX", "Load TZX", "This TZX tape cannot be used: ", HasTzxSignature},
    {TapeFormat::csw, "CSW", "Load CSW", "This CSW recording cannot be used: ", HasCswSignature},
    {TapeFormat::pzx, "PZX", "Load PZX", "This PZX tape cannot be used: ", HasPzxSignature},
    {TapeFormat::wave, "WAV", "Load WAV", "This WAVE file cannot be used: ", HasWaveSignature},
};
const TapeFormatInfo kTap{TapeFormat::tap, "TAP", "Load TAP", "", nullptr};

const TapeFormatInfo& FormatOf(const std::string& extension, const std::vector<std::uint8_t>* bytes) {
  if (bytes != nullptr) {
    for (const TapeFormatInfo& info : kFormats) {
      if (info.has_signature(*bytes)) return info;
    }
  }
  for (const TapeFormatInfo& info : kFormats) {
    if (extension == info.extension) return info;
  }
  return kTap;
}

bool ReadTape(const TapeFormatInfo& info, std::vector<std::uint8_t> bytes, WaveDecoder wave_decoder,
              TapeImage& image, std::string& reason) {
  switch (info.format) {
    case TapeFormat::tap: return ReadTapImage(std::move(bytes), image);
    case TapeFormat::tzx: return ReadTzx(std::move(bytes), image, reason);
    case TapeFormat::csw: return ReadCsw(bytes, image, reason);
    case TapeFormat::pzx: return ReadPzx(bytes, image, reason);
    case TapeFormat::wave: {
      if (wave_decoder == nullptr) {
        reason = kNoWaveReader;
        return false;
      }
      PcmSound sound;
      return wave_decoder(bytes, sound, reason) && ReadWaveTape(sound, image, reason);
    }
  }
  return false;
}

}  // namespace

void EjectTape(Machine& machine) {
  EjectTapeSignal(machine.tape_signal);
  machine.tape_active = false;
}

std::optional<FileProblem> InsertTape(Machine& machine, const std::string& path) {
  const std::string extension = UpperAscii(FileExtension(path));
  bool not_a_file = false;
  const std::size_t limit = FormatOf(extension, nullptr).format == TapeFormat::wave ? kLargestWave : kLargestTape;
  std::optional<FileStart> file = ReadFileStart(path, limit, not_a_file);
  const TapeFormatInfo& info = FormatOf(extension, file ? &file->bytes : nullptr);
  if (!file) return UnreadableFile(info.title, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{info.title, kTooLarge};
  return InsertTapeBytes(machine, path, std::move(file->bytes));
}

std::optional<FileProblem> InsertTapeBytes(Machine& machine, std::string_view name, std::vector<std::uint8_t> bytes) {
  const std::string extension = UpperAscii(FileExtension(name));
  const TapeFormatInfo& info = FormatOf(extension, &bytes);
  const std::size_t limit = info.format == TapeFormat::wave ? kLargestWave : kLargestTape;
  if (bytes.size() > limit) return FileProblem{info.title, kTooLarge};
  if (bytes.empty()) return FileProblem{info.title, kEmpty};
  TapeImage image;
  std::string reason;
  if (!ReadTape(info, std::move(bytes), machine.wave_decoder, image, reason)) {
    if (info.format == TapeFormat::tap) return FileProblem{info.title, kNotTap};
    return FileProblem{info.title, info.damaged + reason + "."};
  }
  image.name = std::string(name.substr(name.rfind('/') + 1));
  // Between two instructions: the T-states of the one just run may not be
  // in the frame yet, which only starts the tape that much earlier.
  InsertTapeSignal(machine.tape_signal, std::move(image), TapeNow(machine, 0));
  machine.tape_active = true;
  return std::nullopt;
}

bool ServeTapeBlock(Machine& machine, CpuState& cpu) {
  TapeSignal& tape = machine.tape_signal;
  BlockWalk walk;
  const SignalBlock* block = NextTrapBlock(tape, walk);
  if (block == nullptr) return false;
  // The image stays as it is while the tape moves on to the block's pause,
  // which plays on as after a real load (the trap is a loader at work).
  const std::uint8_t* bytes = tape.image->bytes.data() + block->first;
  const std::size_t size = block->length;
  const std::uint64_t now = TapeNow(machine, cpu.tstates);
  StandAtPause(tape, walk, now);
  KeepTapeMoving(tape, now);

  const std::uint8_t wanted_flag = cpu.a;
  std::uint16_t count = De(cpu);
  // LD-BYTES keeps the running XOR in H and takes each byte into L; after a
  // whole byte B holds LD-8-BITS' B0h, and C the border and the level of the
  // last edge, as a standard block leaves them (01h).
  std::uint8_t parity = 0;
  std::uint8_t last = 0;
  std::size_t at = 0;
  auto finish = [&](std::uint8_t b, std::uint8_t c) {
    cpu.b = b;
    cpu.c = c;
    cpu.d = static_cast<std::uint8_t>(count >> 8);
    cpu.e = static_cast<std::uint8_t>(count);
    cpu.h = parity;
    cpu.l = last;
    // LD-BYTES disabled interrupts and left through SA/LD-RET, which it
    // pushed: the border from BORDCR, the BREAK test and EI run there.
    cpu.iff = 0;
    cpu.pc = kLoadReturn;
    return true;
  };
  // The signal stops after the last byte: LD-EDGE-1 gives up with A = 0 from
  // its delay loop and INC B wrapping to 0 (zero and half-carry set, carry
  // clear), before the first edge of the next byte (L holds the marker 01h).
  auto signal_lost = [&] {
    cpu.a = 0;
    cpu.f = kFlagZ | kFlagH;
    last = 0x01;
    return finish(0x00, 0x01);
  };

  last = bytes[at++];
  parity ^= last;
  // LD-BYTES tests DE after every byte it reads, the flag included, and ends
  // once DE is 0: so the byte after the data is taken as the checksum, and a
  // load of 0 bytes takes the flag alone, without comparing it.
  if (count != 0) {
    if (last != wanted_flag) {
      // LD-FLAG: RL C (carry set for LOAD: 03h), then XOR L with the flag
      // read: nonzero, carry clear.
      cpu.a = last;
      AluOperation(cpu, kAluXor, wanted_flag);
      return finish(0xB0, 0x03);
    }
    for (;;) {
      // A block shorter than asked: its checksum byte has been stored as
      // data, then the signal stops. A longer one passes its rest unread.
      if (at == size) return signal_lost();
      last = bytes[at++];
      parity ^= last;
      if (count == 0) break;
      WriteByte(machine, cpu.ix, last);
      ++cpu.ix;
      --count;
    }
  }
  // LD A,H : CP 01h, the checksum test that ends LD-BYTES: carry only when
  // the running XOR of every byte read is 0.
  cpu.a = parity;
  AluOperation(cpu, kAluCp, 1);
  return finish(0xB0, 0x01);
}

bool RecordSavedBlock(Machine& machine, CpuState& cpu) {
  // Flag, data (wrapping at the top of memory, as IX does), checksum.
  const std::uint16_t count = De(cpu);
  std::vector<std::uint8_t> body;
  body.reserve(std::size_t{count} + 2);
  body.push_back(cpu.a);
  std::uint8_t parity = cpu.a;
  for (std::uint16_t k = 0; k < count; ++k) {
    const std::uint8_t value = ReadByte(machine, static_cast<std::uint16_t>(cpu.ix + k));
    body.push_back(value);
    parity ^= value;
  }
  body.push_back(parity);
  AppendSavedBlock(machine.tape_recording, body.data(), body.size());
  // SA-BYTES ends once DE has counted down past 0 (D INC'd to 0: zero and
  // half-carry, carry from the BREAK test that passed), IX past the
  // checksum, B from its last delay loop, C its border and MIC value.
  cpu.ix = static_cast<std::uint16_t>(cpu.ix + count + 1);
  cpu.d = cpu.e = 0xFF;
  cpu.a = 0;
  cpu.f = kFlagZ | kFlagH | kFlagC;
  cpu.b = 0;
  cpu.c = 0x0E;
  cpu.h = 0;
  cpu.l = 0;
  // Then SA/LD-RET: the border from BORDCR, EI, and back to the caller with
  // these A and F. Its BREAK test (SPACE) is left out: a real save takes
  // seconds, so the key that started the tape has long been let go, while
  // here it is still held.
  const auto border = static_cast<std::uint8_t>((ReadByte(machine, kBordcr) & 0x38) >> 3);
  PortWrite(machine, 0xFE, border, border, machine.frame_tstates + static_cast<std::int32_t>(cpu.tstates));
  cpu.iff = 4;
  cpu.pc = PopWord(cpu, machine);
  return true;
}
