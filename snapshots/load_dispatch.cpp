// "Open": the one entry for snapshots and tapes. A loaded snapshot always
// takes the tape out, so it never runs on with a stale tape armed; a file
// that is refused leaves the tape that was in.
#include "snapshots/load_dispatch.h"

#include "snapshots/file_filters.h"
#include "snapshots/file_names.h"
#include "snapshots/sna.h"
#include "snapshots/tape.h"
#include "snapshots/z80_snapshot.h"

namespace {
constexpr char kDialogTitle[] = "Load File";
}  // namespace

std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path) {
  const std::string extension = UpperAscii(FileExtension(path));
  std::optional<FileProblem> problem;
  if (extension == "SNA") {
    problem = LoadSna(machine, cpu, path);
  } else if (extension == "Z80") {
    problem = LoadZ80(machine, cpu, path);
  } else {
    return InsertTape(machine, path);
  }
  if (!problem) EjectTape(machine);
  return problem;
}

void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host) {
  // A cancelled Open, like a refused file, leaves the tape that was in: it
  // comes out only when another file is really opened.
  std::string path = host.AskOpenPath(kDialogTitle, HostFilter(kOpenFileTypes));
  if (path.empty()) return;
  ShowProblem(host, OpenFile(machine, cpu, path));
}
