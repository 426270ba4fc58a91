// Vantro's command line; see command_line.h.
#include "emulator/command_line.h"

#include <filesystem>
#include <system_error>

#include "snapshots/blocks.h"

std::optional<VantroArguments> ParseVantroArguments(const std::vector<std::string>& args,
                                                    std::string& error) {
  VantroArguments arguments;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (arg == "--rom" || arg.rfind("--rom=", 0) == 0) {
      if (arg == "--rom" && k + 1 >= args.size()) {
        error = "--rom needs a ROM image file (see --help)";
        return std::nullopt;
      }
      arguments.rom = arg == "--rom" ? args[++k] : arg.substr(6);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg + " (see --help)";
      return std::nullopt;
    } else if (arguments.file.empty()) {
      arguments.file = arg;
    } else {
      error = "one file at a time: " + arguments.file + " and " + arg + " (see --help)";
      return std::nullopt;
    }
  }
  return arguments;
}

std::string VantroHelpText() {
  return R"(Usage: vantro [--rom FILE] [FILE]

Vantro is a ZX Spectrum 48K emulator. It starts a freshly switched-on
48K Spectrum in a window; FILE, when given, opens after start-up as
"File" > "Open" opens it: a snapshot (.sna, .z80, .szx) loads, an input
recording (.rzx) plays, a tape (.tzx, or any other file as .tap) is
inserted; a .zip or .gz file is unpacked and the snapshot, recording or
tape inside opens (of several in a zip, the window asks which).

Options:
  --rom FILE     start with this 16,384-byte ROM image instead of the
                 built-in 48K ROM, as vantro-run --rom does (Kelbrin's
                 "Run in Vantro" starts Vantro this way)
  --help         print this text and exit
  --version      print the version and licence and exit

Qt's own options (such as -platform offscreen) are taken as well.

Exit codes: 0 after a run; 1 for a bad option, a ROM image that cannot be
used (one line on standard error, before any window opens), or a failed
start.
)";
}

std::optional<std::string> RomImageProblem(const std::string& path) {
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(path, failure);
  if (failure) return path + ": cannot read the ROM image: " + failure.message();
  if (size != kRomBlock.block_count) {
    return path + ": a ROM image has 16384 bytes, this one " + std::to_string(size);
  }
  return std::nullopt;
}

std::optional<std::string> LoadRomImage(Machine& machine, CpuState& cpu, const std::string& path) {
  if (std::optional<std::string> problem = RomImageProblem(path)) return problem;
  if (std::optional<FileProblem> problem = LoadBlockFile(machine, cpu, kRomBlock, path)) {
    return path + ": " + problem->title + ": " + problem->text;
  }
  return std::nullopt;
}
