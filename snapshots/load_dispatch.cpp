// "Open": the one entry for snapshots and tapes. The current tape always
// comes out first, so a snapshot never runs on with a stale tape armed.
#include "snapshots/load_dispatch.h"

#include <string>

#include "snapshots/file_names.h"
#include "snapshots/sna.h"
#include "snapshots/tape.h"
#include "snapshots/z80_snapshot.h"

namespace {

constexpr char kDialogTitle[] = "Load File";
// The label names only SNA; the patterns list all three kinds.
constexpr char kFilter[] = "All supported files (*.sna)|*.sna;*.z80;*.tap";

}  // namespace

void LoadFileDispatcher(Machine& machine, CpuState& cpu, Host& host) {
  EjectTape(machine);
  std::string path = host.AskOpenPath(kDialogTitle, kFilter);
  if (path.empty()) return;
  std::string extension = UpperAscii(FileExtension(path));
  if (extension == "SNA") {
    LoadSna(machine, cpu, host, path);
  } else if (extension == "Z80") {
    LoadZ80(machine, cpu, host, path);
  } else {
    // Anything else is taken for a TAP image; one that cannot be opened
    // leaves the tape out without a word.
    InsertTape(machine, path);
  }
}
