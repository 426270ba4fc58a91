// "Open": the one entry for snapshots and tapes. A loaded snapshot always
// takes the tape out, so it never runs on with a stale tape armed; a file
// that is refused leaves the tape that was in.
#include "snapshots/load_dispatch.h"

#include "snapshots/file_names.h"
#include "snapshots/rzx.h"
#include "snapshots/sna.h"
#include "snapshots/szx.h"
#include "snapshots/tape.h"
#include "snapshots/z80_snapshot.h"

namespace {
constexpr char kDialogTitle[] = "Load File";
// The label names only SNA; the patterns list every kind.
constexpr char kFilter[] = "All supported files (*.sna)|*.sna;*.z80;*.tap;*.tzx;*.csw;*.pzx;*.wav"
                          ";*.szx;*.rzx";
// A snapshot loaded while a recording plays replaces the machine the
// recording was following: the playback ends without a word.
void StopPlaybackForLoad(Machine& machine) {
  if (machine.input_log.mode == InputLogMode::playing) machine.input_log = InputLog{};
}

}  // namespace

std::optional<FileProblem> OpenFile(Machine& machine, CpuState& cpu, const std::string& path) {
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
  std::string path = host.AskOpenPath(kDialogTitle, kFilter);
  if (path.empty()) {
    EjectTape(machine);
    return;
  }
  ShowProblem(host, OpenFile(machine, cpu, path));
}
