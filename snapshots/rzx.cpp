// RZX: libspectrum reads and writes the file; the frames are turned into
// plain lists (machine/input_log.h) once, when playback starts, so the
// port reads and the frame-end test of the loop never call into the
// library. A recording is kept the same way and handed to the library when
// it stops.
#include "snapshots/rzx.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "computer/computer.h"
#include "snapshots/snap_record.h"
#include "snapshots/szx.h"
#include "snapshots/tape.h"

namespace {

constexpr char kTitle[] = "Load RZX";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kTooLarge[] = "This file is too large for an RZX recording!";
constexpr char kDamaged[] = "This is not an RZX input recording, or it is damaged!";
constexpr char kNoSnapshot[] = "The recording holds no snapshot to start from!";
constexpr char kNoFrames[] = "The recording holds no frames!";
constexpr char kTooLong[] = "The recording is too long to play!";
constexpr char kRecordTitle[] = "Record Input";
constexpr char kCantCreate[] = "Can't create file!";
constexpr char kCantSnapshot[] = "The snapshot to start the recording from could not be made!";
constexpr char kCantWrite[] = "ERROR saving file! The recording is lost.";

constexpr std::size_t kLargestFile = 64 * 1024 * 1024;
// Limits on what a small compressed file may unpack to: some 55 hours of
// frames, and port reads far beyond any real game's.
constexpr std::size_t kMostFrames = 10'000'000;
constexpr std::size_t kMostPortBytes = 256 * 1024 * 1024;

struct RzxFree {
  void operator()(libspectrum_rzx* rzx) const { libspectrum_rzx_free(rzx); }
};
using RzxHandle = std::unique_ptr<libspectrum_rzx, RzxFree>;

std::size_t RecordedFrames(libspectrum_rzx* rzx) {
  std::size_t frames = 0;
  for (libspectrum_rzx_iterator it = libspectrum_rzx_iterator_begin(rzx); it != nullptr;
       it = libspectrum_rzx_iterator_next(it)) {
    if (libspectrum_rzx_iterator_get_type(it) == LIBSPECTRUM_RZX_INPUT_BLOCK) {
      frames += libspectrum_rzx_iterator_get_frames(it);
    }
  }
  return frames;
}

std::uint32_t Dword(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
         static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A packed input block's frames, unpacked: nothing when the stream is
// damaged or would unpack to more than `most` bytes.
std::optional<std::vector<std::uint8_t>> Unpack(const std::uint8_t* data, std::size_t size, std::size_t most) {
  std::vector<std::uint8_t> out;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  int status = Z_OK;
  while (status == Z_OK) {
    if (out.size() >= most) break;
    const std::size_t had = out.size();
    out.resize(std::min(most, had + 65536));
    stream.next_out = out.data() + had;
    stream.avail_out = static_cast<uInt>(out.size() - had);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(out.size() - stream.avail_out);
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

// Each frame: its fetch count (2) and IN count (2), then that many bytes;
// an IN count of FFFFh repeats the frame before's bytes, so the first frame
// cannot have it. libspectrum frees memory it never had on a first frame
// that repeats, and loses memory on a frame cut off by the end of its block.
bool FramesWhole(const std::uint8_t* data, std::size_t size, std::uint64_t frames) {
  constexpr unsigned kRepeat = 0xFFFF;
  std::size_t at = 0;
  for (std::uint64_t frame = 0; frame < frames; ++frame) {
    if (size - at < 4) return false;
    const unsigned count = static_cast<unsigned>(data[at + 2] | data[at + 3] << 8);
    at += 4;
    if (count == kRepeat) {
      if (frame == 0) return false;
      continue;
    }
    if (size - at < count) return false;
    at += count;
  }
  return true;
}

// libspectrum takes a block's counts at their word and ends the program when
// the memory they claim cannot be had, so the blocks are measured first:
// each within the file, a snapshot that unpacks to at most 16 MB, an input
// block whose frames (at least 4 bytes each) fit in its bytes, or, packed,
// in what zlib can make of them (at most 1,032 times their size), and are
// whole (FramesWhole). The file:
// "RZX!", the version (2), flags (4); blocks of an id (1) and a length (4)
// that counts the block's own 5 bytes. A snapshot block: flags (4: bit 1
// packed), extension (4), unpacked length (4); an input block: frames (4),
// a reserved byte, the T-state counter (4), flags (4: bit 1 packed).
bool BlocksMeasureUp(const std::vector<std::uint8_t>& file) {
  constexpr std::size_t kSignatureLength = 10;
  constexpr std::size_t kBlockHead = 5;
  constexpr std::size_t kSnapshotHead = kBlockHead + 12;
  constexpr std::size_t kInputHead = kBlockHead + 13;
  constexpr std::size_t kLargestSnapshot = 16 * 1024 * 1024;
  constexpr std::uint64_t kZlibMostRatio = 1032;
  constexpr std::uint32_t kPacked = 2;
  if (file.size() < kSignatureLength) return false;
  std::size_t at = kSignatureLength;
  while (at < file.size()) {
    if (file.size() - at < kBlockHead) return false;
    const std::uint8_t* block = file.data() + at;
    const std::size_t length = Dword(block + 1);
    if (length < kBlockHead || length > file.size() - at) return false;
    if (block[0] == LIBSPECTRUM_RZX_SNAPSHOT_BLOCK) {
      if (length < kSnapshotHead) return false;
      if ((Dword(block + 5) & kPacked) != 0 && Dword(block + 13) > kLargestSnapshot) return false;
    } else if (block[0] == LIBSPECTRUM_RZX_INPUT_BLOCK) {
      if (length < kInputHead) return false;
      const std::uint64_t frames = Dword(block + 5);
      const std::size_t stored = length - kInputHead;
      const bool packed = (Dword(block + 14) & kPacked) != 0;
      if (frames > kMostFrames || frames * 4 > stored * (packed ? kZlibMostRatio : 1)) return false;
      if (!packed) {
        if (!FramesWhole(block + kInputHead, stored, frames)) return false;
      } else {
        std::optional<std::vector<std::uint8_t>> unpacked =
            Unpack(block + kInputHead, stored, static_cast<std::size_t>(frames * 4) + kMostPortBytes);
        if (!unpacked || !FramesWhole(unpacked->data(), unpacked->size(), frames)) return false;
      }
    }
    at += length;
  }
  return true;
}

// The frames from the first snapshot on, up to the end or to the next
// snapshot (which would replace the machine: playback ends there).
std::optional<FileProblem> ReadFrames(libspectrum_rzx* rzx, InputLog& log) {
  for (;;) {
    if (log.frame_fetches.size() == kMostFrames) return FileProblem{kTitle, kTooLong};
    log.frame_fetches.push_back(static_cast<std::uint32_t>(libspectrum_rzx_instructions(rzx)));
    libspectrum_byte byte = 0;
    // The library refuses the read after a frame's last, which is how the
    // count is learnt.
    while (libspectrum_rzx_playback(rzx, &byte) == LIBSPECTRUM_ERROR_NONE) {
      if (log.port_bytes.size() == kMostPortBytes) return FileProblem{kTitle, kTooLong};
      log.port_bytes.push_back(byte);
    }
    log.frame_starts.push_back(log.port_bytes.size());
    int finished = 0;
    libspectrum_snap* next = nullptr;
    if (libspectrum_rzx_playback_frame(rzx, &finished, &next) != LIBSPECTRUM_ERROR_NONE) {
      return FileProblem{kTitle, kDamaged};
    }
    if (finished || next != nullptr) return std::nullopt;
  }
}

}  // namespace

std::optional<FileProblem> LoadRzx(Machine& machine, CpuState& cpu, const std::string& path) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kLargestFile, not_a_file);
  if (!file) return UnreadableFile(kTitle, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  return LoadRzxBytes(machine, cpu, file->bytes);
}

std::optional<FileProblem> LoadRzxBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > kLargestFile) return FileProblem{kTitle, kTooLarge};
  UseLibspectrum();
  RzxHandle rzx(libspectrum_rzx_alloc());
  if (!BlocksMeasureUp(bytes) ||
      libspectrum_rzx_read(rzx.get(), bytes.data(), bytes.size()) != LIBSPECTRUM_ERROR_NONE) {
    return FileProblem{kTitle, kDamaged};
  }
  if (RecordedFrames(rzx.get()) == 0) return FileProblem{kTitle, kNoFrames};
  libspectrum_snap* snap = nullptr;  // the recording's own
  if (libspectrum_rzx_start_playback(rzx.get(), 0, &snap) != LIBSPECTRUM_ERROR_NONE) {
    return FileProblem{kTitle, kDamaged};
  }
  if (snap == nullptr) return FileProblem{kTitle, kNoSnapshot};
  if (std::optional<FileProblem> problem = CheckSnap(snap, kTitle)) return problem;
  InputLog log;
  if (std::optional<FileProblem> problem = ReadFrames(rzx.get(), log)) return problem;

  EjectTape(machine);
  ApplySnap(snap, machine, cpu);
  log.mode = InputLogMode::playing;
  machine.input_log = std::move(log);
  return std::nullopt;
}

std::optional<FileProblem> StartInputRecording(Machine& machine, CpuState& cpu, const std::string& path) {
  // Created now, so a folder that cannot be written to is known at once.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return FileProblem{kRecordTitle, kCantCreate};
  std::fclose(file);
  // The loop offers the frame's interrupt right after this; offered here,
  // before the snapshot, it is in the recording whatever the T-state the
  // snapshot names, and the loop's own offer finds it taken.
  AcceptInterrupt(cpu, machine);
  std::optional<std::vector<std::uint8_t>> snapshot = SzxFileBytes(machine, cpu);
  if (!snapshot) return FileProblem{kRecordTitle, kCantSnapshot};
  InputLog log;
  log.mode = InputLogMode::recording;
  log.path = path;
  log.start_snapshot = std::move(*snapshot);
  // A frame's worth of reads is kept without growing while it runs.
  log.port_bytes.reserve(1 << 20);
  machine.input_log = std::move(log);
  cpu.fetches = 0;
  return std::nullopt;
}

std::optional<FileProblem> StopInputRecording(Machine& machine) {
  InputLog log = std::move(machine.input_log);
  machine.input_log = InputLog{};
  if (log.mode != InputLogMode::recording) {
    machine.input_log = std::move(log);
    return std::nullopt;
  }
  UseLibspectrum();
  RzxHandle rzx(libspectrum_rzx_alloc());
  SnapHandle snap(libspectrum_snap_alloc());
  bool made = libspectrum_snap_read(snap.get(), log.start_snapshot.data(), log.start_snapshot.size(),
                                    LIBSPECTRUM_ID_SNAPSHOT_SZX, nullptr) == LIBSPECTRUM_ERROR_NONE;
  const libspectrum_dword start_tstates = made ? libspectrum_snap_tstates(snap.get()) : 0;
  made = made && libspectrum_rzx_add_snap(rzx.get(), snap.release(), 0) == LIBSPECTRUM_ERROR_NONE;
  if (made) {
    libspectrum_rzx_start_input(rzx.get(), start_tstates);
    for (std::size_t k = 0; made && k < log.frame_fetches.size(); ++k) {
      const std::size_t first = log.frame_starts[k];
      const std::size_t count = log.frame_starts[k + 1] - first;
      made = libspectrum_rzx_store_frame(rzx.get(), log.frame_fetches[k], count,
                                         count == 0 ? nullptr : log.port_bytes.data() + first) ==
             LIBSPECTRUM_ERROR_NONE;
    }
    made = made && libspectrum_rzx_stop_input(rzx.get()) == LIBSPECTRUM_ERROR_NONE;
  }
  libspectrum_byte* buffer = nullptr;
  size_t length = 0;
  auto creator = VantroCreator();
  made = made && libspectrum_rzx_write(&buffer, &length, rzx.get(), LIBSPECTRUM_ID_SNAPSHOT_SZX, creator.get(), 1,
                                       nullptr) == LIBSPECTRUM_ERROR_NONE;
  bool written = false;
  if (made) {
    if (std::FILE* file = std::fopen(log.path.c_str(), "wb")) {
      written = std::fwrite(buffer, 1, length, file) == length;
      written = std::fclose(file) == 0 && written;
    }
  }
  libspectrum_free(buffer);
  if (!written) return FileProblem{kRecordTitle, kCantWrite};
  return std::nullopt;
}
