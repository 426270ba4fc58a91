// SZX snapshots: libspectrum reads and writes the registers, RAM and
// hardware chunks; the embedded tape (the TAPE chunk, which libspectrum
// does not hand out) is found here and goes in through the tape's own
// reader. Everything is checked before the machine changes.
#include "snapshots/szx.h"

#include <zlib.h>

#include <cstring>

#include "snapshots/snap_record.h"
#include "snapshots/tape.h"

namespace {

constexpr char kTitle[] = "Load SZX";
constexpr char kCantOpen[] = "Can't open file!";
constexpr char kTooLarge[] = "This file is too large for an SZX snapshot!";
constexpr char kDamaged[] = "This is not an SZX snapshot, or it is damaged!";
constexpr char kTapeDamaged[] = "The tape embedded in the snapshot is damaged!";
// Far beyond a 48K snapshot with a long tape in it.
constexpr std::size_t kLargestFile = 16 * 1024 * 1024;
constexpr std::size_t kLargestTape = 16 * 1024 * 1024;

// The file: "ZXST", version, machine and flags in 8 bytes, then chunks of a
// 4-letter id, a 32-bit length and that many bytes. The TAPE chunk: block
// number (2), flags (2: 1 embedded, 2 zlib-compressed), the unpacked size
// (4), the stored size (4), the tape file's extension (16), the stored
// bytes.
constexpr std::size_t kHeaderLength = 8;
constexpr std::size_t kChunkHead = 8;
constexpr std::size_t kTapeHead = 28;
constexpr unsigned kTapeEmbedded = 1, kTapeCompressed = 2;

std::uint32_t Dword(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
         static_cast<std::uint32_t>(bytes[3]) << 24;
}

struct EmbeddedTape {
  std::vector<std::uint8_t> bytes;
  std::string name;  // "embedded." and the extension, for the tape's reader
};

// Walks the chunks: the refusal of a RAM page that comes twice (libspectrum
// would keep the second and lose the first's memory for good); the first
// TAPE chunk's embedded tape goes into tape, none when there is no chunk or
// it only names a file on the writer's disk; the refusal of a damaged one.
// A RAMP chunk begins with flags (2) and the page number (1).
const char* WalkChunks(const std::vector<std::uint8_t>& file, std::optional<EmbeddedTape>& tape) {
  std::size_t at = kHeaderLength;
  bool pages_seen[256] = {};
  while (file.size() >= at && file.size() - at >= kChunkHead) {
    const std::uint8_t* head = file.data() + at;
    const std::size_t length = Dword(head + 4);
    at += kChunkHead;
    if (file.size() - at < length) return nullptr;  // libspectrum judges the chunks
    if (std::memcmp(head, "RAMP", 4) == 0 && length >= 3) {
      bool& seen = pages_seen[file[at + 2]];
      if (seen) return kDamaged;
      seen = true;
    }
    if (std::memcmp(head, "TAPE", 4) != 0 || tape) {
      at += length;
      continue;
    }
    const std::uint8_t* body = file.data() + at;
    if (length < kTapeHead) return kTapeDamaged;
    const unsigned flags = static_cast<unsigned>(body[2] | body[3] << 8);
    if ((flags & kTapeEmbedded) == 0) {
      at += length;
      continue;
    }
    const std::size_t unpacked = Dword(body + 4);
    const std::size_t stored = Dword(body + 8);
    if (stored > length - kTapeHead) return kTapeDamaged;
    char extension[17] = {};
    std::memcpy(extension, body + 12, 16);
    EmbeddedTape found{{}, std::string("embedded.") + extension};
    const std::uint8_t* data = body + kTapeHead;
    if (flags & kTapeCompressed) {
      if (unpacked == 0 || unpacked > kLargestTape) return kTapeDamaged;
      found.bytes.resize(unpacked);
      uLongf size = unpacked;
      if (uncompress(found.bytes.data(), &size, data, stored) != Z_OK || size != unpacked) return kTapeDamaged;
    } else {
      found.bytes.assign(data, data + stored);
    }
    tape = std::move(found);
    at += length;
  }
  return nullptr;
}

}  // namespace

std::optional<FileProblem> LoadSzx(Machine& machine, CpuState& cpu, const std::string& path) {
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kLargestFile, not_a_file);
  if (!file) return UnreadableFile(kTitle, kCantOpen, not_a_file);
  if (file->longer) return FileProblem{kTitle, kTooLarge};
  return LoadSzxBytes(machine, cpu, file->bytes);
}

std::optional<FileProblem> LoadSzxBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > kLargestFile) return FileProblem{kTitle, kTooLarge};
  UseLibspectrum();
  SnapHandle snap(libspectrum_snap_alloc());
  std::optional<EmbeddedTape> tape;
  if (bytes.size() < kHeaderLength || std::memcmp(bytes.data(), "ZXST", 4) != 0) {
    return FileProblem{kTitle, kDamaged};
  }
  if (const char* refusal = WalkChunks(bytes, tape)) return FileProblem{kTitle, refusal};
  if (libspectrum_snap_read(snap.get(), bytes.data(), bytes.size(), LIBSPECTRUM_ID_SNAPSHOT_SZX,
                            nullptr) != LIBSPECTRUM_ERROR_NONE) {
    return FileProblem{kTitle, kDamaged};
  }
  if (std::optional<FileProblem> problem = CheckSnap(snap.get(), kTitle)) return problem;
  // The tape goes in first: its reader refuses a damaged one and changes
  // nothing, and after it nothing can fail.
  if (tape) {
    if (std::optional<FileProblem> problem = InsertTapeBytes(machine, tape->name, std::move(tape->bytes))) {
      return FileProblem{kTitle, std::string(kTapeDamaged) + "\n\n" + problem->text};
    }
  } else {
    EjectTape(machine);
  }
  ApplySnap(snap.get(), machine, cpu);
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> SzxFileBytes(const Machine& machine, const CpuState& cpu) {
  UseLibspectrum();
  SnapHandle snap = SnapOfMachine(machine, cpu);
  auto creator = VantroCreator();
  libspectrum_byte* buffer = nullptr;
  size_t length = 0;
  int out_flags = 0;
  const libspectrum_error error = libspectrum_snap_write(&buffer, &length, &out_flags, snap.get(),
                                                         LIBSPECTRUM_ID_SNAPSHOT_SZX, creator.get(), 0);
  std::optional<std::vector<std::uint8_t>> bytes;
  if (error == LIBSPECTRUM_ERROR_NONE) bytes.emplace(buffer, buffer + length);
  libspectrum_free(buffer);
  return bytes;
}
