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

// A file already in memory, by the extension of its name, as OpenFile
// takes a file on disk.
std::optional<FileProblem> OpenBytes(Machine& machine, CpuState& cpu, const std::string& name,
                                     std::vector<std::uint8_t> bytes) {
  const std::string extension = UpperAscii(FileExtension(name));
  std::optional<FileProblem> problem;
  if (extension == "SNA") {
    problem = LoadSnaBytes(machine, cpu, bytes);
  } else if (extension == "Z80") {
    problem = LoadZ80Bytes(machine, cpu, bytes);
  } else if (extension == "SZX") {
    problem = LoadSzxBytes(machine, cpu, bytes);
    if (!problem) StopPlaybackForLoad(machine);
    return problem;
  } else if (extension == "RZX") {
    return LoadRzxBytes(machine, cpu, bytes);
  } else {
    return InsertTapeBytes(machine, name, std::move(bytes));
  }
  if (!problem) EjectTape(machine);
  if (!problem) StopPlaybackForLoad(machine);
  return problem;
}

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
  return OpenBytes(machine, cpu, openable[chosen]->name, std::move(bytes));
}

}  // namespace

std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path, Host* chooser) {
  if (ArchiveKind kind = ArchiveKindOf(path); kind != ArchiveKind::none) {
    return OpenArchive(machine, cpu, path, kind, chooser);
  }
  const std::string extension = UpperAscii(FileExtension(path));
  std::optional<FileProblem> problem;
  if (extension == "SNA") {
    problem = LoadSna(machine, cpu, path);
  } else if (extension == "Z80") {
    problem = LoadZ80(machine, cpu, path);
  } else if (extension == "SZX") {
    // Its loader puts in the tape the snapshot carries, or takes it out.
    problem = LoadSzx(machine, cpu, path);
    if (!problem) StopPlaybackForLoad(machine);
    return problem;
  } else if (extension == "RZX") {
    return LoadRzx(machine, cpu, path);
  } else {
    return InsertTape(machine, path);
  }
  if (!problem) EjectTape(machine);
  if (!problem) StopPlaybackForLoad(machine);
  return problem;
}

void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host) {
  // A cancelled Open, like a refused file, leaves the tape that was in: it
  // comes out only when another file is really opened.
  std::string path = host.AskOpenPath(kDialogTitle, HostFilter(kOpenFileTypes));
  if (path.empty()) return;
  ShowProblem(host, OpenFile(machine, cpu, path, &host));
}
