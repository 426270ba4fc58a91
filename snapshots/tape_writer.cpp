// Writing tapes: a TAP file is each block's 16-bit length and body; a TZX
// file is its header and a block per SignalBlock (standard 10h or turbo 11h
// data, pure tone 12h, pulses 13h, pure data 14h, direct recording 15h,
// pause or stop 20h, loops 24h/25h, signal level 2Bh, and any other kind as
// its signal sampled into a direct recording). An inserted TZX keeps its own
// bytes, information blocks included; only the recorded blocks are written
// anew.
#include "snapshots/tape_writer.h"

#include <cstdio>
#include <vector>

#include "snapshots/file_filters.h"
#include "snapshots/file_names.h"
#include "snapshots/tzx.h"

namespace {

constexpr char kTitle[] = "Save Tape";
constexpr char kDialogTitle[] = "Save Tape As";
constexpr char kNothing[] = "There is no tape to save: insert one, or SAVE something first.";
constexpr char kNeedsTzx[] =
    "Some blocks of this tape are not at the ROM's standard timings, which a TAP file cannot hold. "
    "Save it with a name ending in .tzx.";
constexpr char kUnwritable[] = "The tape holds a block of a kind Vantro cannot write.";
constexpr char kCantCreate[] = "Can't create file!";
constexpr char kWriteFailed[] = "ERROR saving file!";

// The version written: every block written is of TZX 1.20.
constexpr std::uint8_t kWrittenTzxMinor = 20;

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

// A block TAP can hold: standard timings, a length that fits 16 bits.
bool TapBlock(const SignalBlock& block) { return IsStandardBlock(block) && block.length <= 0xFFFF; }

bool AllTap(const TapeImage& image) {
  for (const SignalBlock& block : image.blocks) {
    if (!TapBlock(block)) return false;
  }
  return true;
}

void AppendTap(Bytes& out, const TapeImage& image) {
  for (const SignalBlock& block : image.blocks) {
    Put(out, static_cast<std::uint32_t>(block.length), 2);
    out.insert(out.end(), image.bytes.begin() + block.first, image.bytes.begin() + block.first + block.length);
  }
}

// One TZX block for the signal block; false for a kind not written. `level`
// follows the signal for the blocks written as samples.
bool AppendTzxBlock(Bytes& out, const TapeImage& image, const SignalBlock& block, bool& level) {
  auto data = [&] {
    out.insert(out.end(), image.bytes.begin() + block.first, image.bytes.begin() + block.first + block.length);
  };
  switch (block.kind) {
    case SignalKind::data:
      if (TapBlock(block) && block.pilot_count == (image.bytes[block.first] < 0x80 ? kHeaderPilotPulses
                                                                                     : kDataPilotPulses)) {
        out.push_back(0x10);
        Put(out, block.pause_ms, 2);
        Put(out, static_cast<std::uint32_t>(block.length), 2);
      } else if (block.has_sync) {
        out.push_back(0x11);
        for (std::uint32_t word : {block.pilot_pulse, block.sync1, block.sync2, block.zero, block.one}) {
          Put(out, word, 2);
        }
        Put(out, block.pilot_count, 2);
        out.push_back(block.last_bits);
        Put(out, block.pause_ms, 2);
        Put(out, static_cast<std::uint32_t>(block.length), 3);
      } else {
        out.push_back(0x14);
        Put(out, block.zero, 2);
        Put(out, block.one, 2);
        out.push_back(block.last_bits);
        Put(out, block.pause_ms, 2);
        Put(out, static_cast<std::uint32_t>(block.length), 3);
      }
      data();
      return true;
    case SignalKind::pure_tone:
      out.push_back(0x12);
      Put(out, block.pilot_pulse, 2);
      Put(out, block.count, 2);
      return true;
    case SignalKind::pulses:
      out.push_back(0x13);
      out.push_back(static_cast<std::uint8_t>(block.count));
      data();
      return true;
    case SignalKind::direct:
      out.push_back(0x15);
      Put(out, block.sample_tstates, 2);
      Put(out, block.pause_ms, 2);
      out.push_back(block.last_bits);
      Put(out, static_cast<std::uint32_t>(block.length), 3);
      data();
      return true;
    case SignalKind::pause:
    case SignalKind::stop:
      out.push_back(0x20);
      Put(out, block.kind == SignalKind::stop ? 0 : block.pause_ms, 2);
      return true;
    case SignalKind::set_level:
      out.push_back(0x2B);
      Put(out, 1, 4);
      out.push_back(block.level);
      return true;
    case SignalKind::loop_start:
      out.push_back(0x24);
      Put(out, block.count, 2);
      return true;
    case SignalKind::loop_end:
      out.push_back(0x25);
      return true;
    default: {
      // Any other kind that plays is kept as its sampled signal.
      std::uint64_t samples = 0;
      const Bytes bits = SampleBlock(image, block, kRecordSampleTStates, level, samples);
      if (bits.empty()) return true;
      out.push_back(0x15);
      Put(out, kRecordSampleTStates, 2);
      Put(out, 0, 2);  // the pause is in the samples
      out.push_back(static_cast<std::uint8_t>(samples % 8 == 0 ? 8 : samples % 8));
      Put(out, static_cast<std::uint32_t>(bits.size()), 3);
      out.insert(out.end(), bits.begin(), bits.end());
      return true;
    }
  }
}

bool AppendTzx(Bytes& out, const TapeImage& image) {
  bool level = false;
  for (const SignalBlock& block : image.blocks) {
    if (!AppendTzxBlock(out, image, block, level)) return false;
  }
  return true;
}

}  // namespace

namespace {

bool NothingToSave(const Machine& machine) {
  const TapeImage* in = machine.tape_signal.inserted ? machine.tape_signal.image.get() : nullptr;
  return (in == nullptr || in->blocks.empty()) && machine.tape_recording.image.blocks.empty();
}

}  // namespace

std::optional<FileProblem> SaveTapeFile(Machine& machine, const std::string& path, std::string& written) {
  FinishRecording(machine.tape_recording);
  const TapeImage* in = machine.tape_signal.inserted ? machine.tape_signal.image.get() : nullptr;
  const TapeImage& recorded = machine.tape_recording.image;
  if (NothingToSave(machine)) return FileProblem{kTitle, kNothing};
  const bool in_tzx = in != nullptr && HasTzxSignature(in->bytes);
  const bool tap_fits = !in_tzx && (in == nullptr || AllTap(*in)) && AllTap(recorded);
  written = WithDefaultExtension(path, tap_fits ? ".tap" : ".tzx");
  const bool tzx = UpperAscii(FileExtension(written)) == "TZX";
  if (!tzx && !tap_fits) return FileProblem{kTitle, kNeedsTzx};

  Bytes out;
  if (!tzx) {
    if (in != nullptr) AppendTap(out, *in);
    AppendTap(out, recorded);
  } else {
    if (in_tzx) {
      out = in->bytes;
    } else {
      out = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, kTzxMajorVersion, kWrittenTzxMinor};
      if (in != nullptr && !AppendTzx(out, *in)) return FileProblem{kTitle, kUnwritable};
    }
    if (!AppendTzx(out, recorded)) return FileProblem{kTitle, kUnwritable};
  }

  std::FILE* file = std::fopen(written.c_str(), "wb");
  if (file == nullptr) return FileProblem{kTitle, kCantCreate};
  const bool whole = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  if (std::fclose(file) != 0 || !whole) return FileProblem{kTitle, kWriteFailed};
  return std::nullopt;
}

void SaveTapeCommand(Machine& machine, Host& host) {
  // Told before any name is asked for, as nothing could be written to it.
  FinishRecording(machine.tape_recording);
  if (NothingToSave(machine)) {
    host.ShowMessage(kTitle, kNothing);
    return;
  }
  const std::string path = host.AskSavePath(kDialogTitle, HostFilter(kSaveTapeFileTypes));
  if (path.empty()) return;
  std::string written;
  ShowProblem(host, SaveTapeFile(machine, path, written));
}
