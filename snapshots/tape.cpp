// Tape insertion (TAP, TZX, CSW, PZX, WAVE) and the ROM-like loader trap. The trap reproduces the
// outcome of the ROM's LD-BYTES on the same block, register for register
// where callers look (A, F, DE, IX), so the ROM's LOAD goes on exactly as it
// would after reading the tape: past a wrong block while it looks for a
// header, "R Tape loading error" otherwise.
#include "snapshots/tape.h"

#include <cstdio>
#include <utility>

#include "cpu/z80.h"
#include "snapshots/csw.h"
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

// Far beyond any real tape; keeps a wrongly chosen huge file out of memory.
constexpr std::size_t kLargestTape = 16 * 1024 * 1024;
// Sampled sound is larger: some 25 minutes of CD-quality stereo.
constexpr std::size_t kLargestWave = 256 * 1024 * 1024;

// The edge-timing routine giving up when the signal stops: A = 0 from its
// delay loop, then INC B wrapping to 0 (zero and half-carry set, carry clear).
void SignalLost(CpuState& cpu) {
  cpu.a = 0;
  cpu.f = kFlagZ | kFlagH;
}

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
  if (file->bytes.empty()) return FileProblem{info.title, kEmpty};
  TapeImage image;
  std::string reason;
  if (!ReadTape(info, std::move(file->bytes), machine.wave_decoder, image, reason)) {
    if (info.format == TapeFormat::tap) return FileProblem{info.title, kNotTap};
    return FileProblem{info.title, info.damaged + reason + "."};
  }
  // Between two instructions: the T-states of the one just run may not be
  // in the frame yet, which only starts the tape that much earlier.
  InsertTapeSignal(machine.tape_signal, std::move(image), TapeNow(machine, 0));
  machine.tape_active = true;
  return std::nullopt;
}

bool ServeTapeBlock(Machine& machine, CpuState& cpu) {
  std::size_t index = 0;
  const SignalBlock* block = NextTrapBlock(machine.tape_signal, index);
  if (block == nullptr) return false;
  // The image stays as it is while the tape moves on past the block.
  const std::uint8_t* bytes = machine.tape_signal.image->bytes.data() + block->first;
  const std::size_t size = block->length;
  SkipPastBlock(machine.tape_signal, index, TapeNow(machine, cpu.tstates));
  const std::uint8_t wanted_flag = cpu.a;
  std::uint16_t count = De(cpu);
  std::size_t at = 0;
  std::uint8_t parity = 0;
  auto finish = [&] {
    cpu.d = static_cast<std::uint8_t>(count >> 8);
    cpu.e = static_cast<std::uint8_t>(count);
    cpu.pc = kTapeTrapReturn;
    return true;
  };

  if (at == size) {
    SignalLost(cpu);
    return finish();
  }
  const std::uint8_t flag = bytes[at++];
  parity ^= flag;
  // LD-BYTES tests DE after every byte it reads, the flag included, and ends
  // once DE is 0: so the byte after the data is taken as the checksum, and a
  // load of 0 bytes takes the flag alone, without comparing it.
  if (count != 0) {
    if (flag != wanted_flag) {
      // LD-FLAG's XOR L with the flag read: nonzero, carry clear.
      cpu.a = flag;
      AluOperation(cpu, kAluXor, wanted_flag);
      return finish();
    }
    for (;;) {
      // A block shorter than asked: its checksum byte has been stored as
      // data, then the signal stops. A longer one passes its rest unread.
      if (at == size) {
        SignalLost(cpu);
        return finish();
      }
      const std::uint8_t value = bytes[at++];
      parity ^= value;
      if (count == 0) break;
      WriteByte(machine, cpu.ix, value);
      ++cpu.ix;
      --count;
    }
  }
  // LD A,H : CP 01h, the checksum test that ends LD-BYTES: carry only when
  // the running XOR of every byte read is 0.
  cpu.a = parity;
  AluOperation(cpu, kAluCp, 1);
  return finish();
}
