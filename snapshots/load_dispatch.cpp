// "Open": the one entry for snapshots and tapes. A loaded snapshot always
// takes the tape out, so it never runs on with a stale tape armed; a file
// that is refused leaves the tape that was in. An archive's member is
// unpacked into memory and meets the same loaders as a plain file.
#include "snapshots/load_dispatch.h"

#include <utility>
#include <vector>

#include "snapshots/archive.h"
#include "snapshots/file_filters.h"
#include "snapshots/file_names.h"
#include "snapshots/rzx.h"
#include "snapshots/sna.h"
#include "snapshots/szx.h"
#include "snapshots/tape.h"
#include "snapshots/z80_snapshot.h"

namespace {
constexpr char kDialogTitle[] = "Load File";
constexpr char kZipTitle[] = "Load ZIP";
constexpr char kGzipTitle[] = "Load GZ";
constexpr char kCantOpenArchive[] = "Can't open file!";
constexpr char kArchiveTooLarge[] = "The file is too large for an archive Vantro opens (256 MB)!";
constexpr char kZipDamaged[] = "This zip archive cannot be used: ";
constexpr char kGzipDamaged[] = "This gzip file cannot be used: ";
constexpr char kZipHoldsNothing[] =
    "This zip archive holds no snapshot or tape Vantro opens (.sna, .z80, .szx, .rzx, .tap, .tzx, .csw, .pzx, .wav)!";
constexpr char kGzipHoldsNothing[] =
    " is what this gzip file holds: no snapshot or tape Vantro opens (.sna, .z80, .szx, .rzx, .tap, .tzx, .csw, .pzx, .wav)!";
constexpr char kChoiceTitle[] = "Open Archive";
constexpr char kChoiceText[] = "This archive holds several files Vantro opens. Which one?";

// The members an archive is searched for, by extension; anything else
// inside (a text, an inlay picture, a .pok) is passed over.
constexpr const char* kMemberExtensions[] = {"SNA", "Z80", "SZX", "RZX", "TAP", "TZX", "CSW", "PZX", "WAV"};

bool OpensAsMember(const std::string& name) {
  const std::string extension = UpperAscii(FileExtension(name));
  for (const char* known : kMemberExtensions) {
    if (extension == known) return true;
  }
  return false;
}

// A snapshot loaded while a recording plays replaces the machine the
// recording was following: the playback ends without a word.
void StopPlaybackForLoad(Machine& machine) {
  if (machine.input_log.mode == InputLogMode::playing) machine.input_log = InputLog{};
}

// The one choice of loader by extension, for a file on disk (OnDisk) and
// for one already in memory (InMemory): each gives every loader its input.
template <class Input>
std::optional<FileProblem> OpenByExtension(Machine& machine, CpuState& cpu, const std::string& extension,
                                           Input input) {
  std::optional<FileProblem> problem;
  if (extension == "SZX") {
    // Its loader puts in the tape the snapshot carries, or takes it out.
    problem = input.Szx(machine, cpu);
    if (!problem) StopPlaybackForLoad(machine);
    return problem;
  }
  if (extension == "RZX") return input.Rzx(machine, cpu);
  if (extension == "SNA") {
    problem = input.Sna(machine, cpu);
  } else if (extension == "Z80") {
    problem = input.Z80(machine, cpu);
  } else {
    return input.Tape(machine);
  }
  if (!problem) EjectTape(machine);
  if (!problem) StopPlaybackForLoad(machine);
  return problem;
}

struct OnDisk {
  const std::string& path;
  std::optional<FileProblem> Sna(Machine& m, CpuState& c) const { return LoadSna(m, c, path); }
  std::optional<FileProblem> Z80(Machine& m, CpuState& c) const { return LoadZ80(m, c, path); }
  std::optional<FileProblem> Szx(Machine& m, CpuState& c) const { return LoadSzx(m, c, path); }
  std::optional<FileProblem> Rzx(Machine& m, CpuState& c) const { return LoadRzx(m, c, path); }
  std::optional<FileProblem> Tape(Machine& m) const { return InsertTape(m, path); }
};

struct InMemory {
  const std::string& name;
  std::vector<std::uint8_t>& bytes;
  std::optional<FileProblem> Sna(Machine& m, CpuState& c) const { return LoadSnaBytes(m, c, bytes); }
  std::optional<FileProblem> Z80(Machine& m, CpuState& c) const { return LoadZ80Bytes(m, c, bytes); }
  std::optional<FileProblem> Szx(Machine& m, CpuState& c) const { return LoadSzxBytes(m, c, bytes); }
  std::optional<FileProblem> Rzx(Machine& m, CpuState& c) const { return LoadRzxBytes(m, c, bytes); }
  std::optional<FileProblem> Tape(Machine& m) const { return InsertTapeBytes(m, name, std::move(bytes)); }
};

std::optional<FileProblem> OpenArchive(Machine& machine, CpuState& cpu, const std::string& path, ArchiveKind kind,
                                       Host* chooser) {
  const bool zip = kind == ArchiveKind::zip;
  const char* title = zip ? kZipTitle : kGzipTitle;
  const std::string damaged = zip ? kZipDamaged : kGzipDamaged;
  bool not_a_file = false;
  std::optional<FileStart> file = ReadFileStart(path, kLargestMember, not_a_file);
  if (!file) return UnreadableFile(title, kCantOpenArchive, not_a_file);
  if (file->longer) return FileProblem{title, kArchiveTooLarge};
  Archive archive;
  std::string reason;
  if (!ReadArchive(kind, path, std::move(file->bytes), archive, reason)) {
    return FileProblem{title, damaged + reason + "."};
  }
  std::vector<const ArchiveMember*> openable;
  std::vector<std::string> names;
  for (const ArchiveMember& member : archive.members) {
    if (!OpensAsMember(member.name)) continue;
    openable.push_back(&member);
    names.push_back(ShownMemberName(member.name));
  }
  if (openable.empty()) {
    if (zip || archive.members.empty()) return FileProblem{title, kZipHoldsNothing};
    return FileProblem{title, "\"" + ShownMemberName(archive.members.front().name) + "\"" + kGzipHoldsNothing};
  }
  std::size_t chosen = 0;
  if (openable.size() > 1 && chooser != nullptr) {
    const int answer = chooser->AskChoice(kChoiceTitle, kChoiceText, names);
    if (answer < 0 || static_cast<std::size_t>(answer) >= openable.size()) return std::nullopt;
    chosen = static_cast<std::size_t>(answer);
  }
  std::vector<std::uint8_t> bytes;
  if (!UnpackMember(archive, *openable[chosen], bytes, reason)) return FileProblem{title, damaged + reason + "."};
  const std::string& name = openable[chosen]->name;
  return OpenByExtension(machine, cpu, UpperAscii(FileExtension(name)), InMemory{name, bytes});
}

}  // namespace

std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path, Host* chooser) {
  if (ArchiveKind kind = ArchiveKindOf(path); kind != ArchiveKind::none) {
    return OpenArchive(machine, cpu, path, kind, chooser);
  }
  return OpenByExtension(machine, cpu, UpperAscii(FileExtension(path)), OnDisk{path});
}

void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host) {
  // A cancelled Open, like a refused file, leaves the tape that was in: it
  // comes out only when another file is really opened.
  std::string path = host.AskOpenPath(kDialogTitle, HostFilter(kOpenFileTypes));
  if (path.empty()) return;
  ShowProblem(host, OpenFile(machine, cpu, path, &host));
}
