// Vantro's command line, `vantro [--rom FILE] [FILE]`, and the ROM image that
// --rom puts in place of the built-in one. RunVantro parses the arguments Qt
// leaves and checks the ROM image before any window opens; --help and
// --version are answered before Qt starts (platform/qt_application.h).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cpu/cpu_state.h"
#include "machine/machine.h"

struct VantroArguments {
  std::string rom;   // --rom FILE; empty: the built-in ROM
  std::string file;  // opened after start-up as "Open" opens it; may be empty
};

// Nothing, with a one-line reason in error, for arguments Vantro cannot
// take. args excludes the program's name.
std::optional<VantroArguments> ParseVantroArguments(const std::vector<std::string>& args,
                                                    std::string& error);

// The --help text; the manual page is made from it.
std::string VantroHelpText();

// A ROM image replaces all of the ROM, so only a whole 16,384-byte file is
// taken. Nothing when the file can be used, else the one-line reason.
std::optional<std::string> RomImageProblem(const std::string& path);

// Puts the image into the ROM through the loader of "Load Bin/Scr/Rom", as
// vantro-run --rom does (a load at 0 restarts the processor). Nothing when
// it went in; else the one-line reason, and the machine is as it was.
std::optional<std::string> LoadRomImage(Machine& machine, CpuState& cpu, const std::string& path);
