// Both programs started where Qt has no usable platform (no display): they
// must print their start-up failure and exit with code 1, not abort in Qt.
// Their command line is answered before any window: --help and --version
// without a display, a bad option or ROM image with one line and code 1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Ended {
  int exit_code = -1;  // -1 when ended by a signal (an abort)
  std::string error_output;
};

// `platform` for QT_QPA_PLATFORM; stderr into the pipe, and stdout too when
// `with_output`.
Ended RunWithoutDisplay(const std::string& program, const std::string& arguments = "",
                        const char* platform = "no_such_platform", bool with_output = false) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=" +
                              std::string(platform) + " '" + program + "' " + arguments +
                              (with_output ? " 2>&1" : " 2>&1 >/dev/null");
  Ended ended;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return ended;
  std::array<char, 512> chunk;
  while (std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
    ended.error_output.append(chunk.data(), got);
  }
  const int status = pclose(pipe);
  if (WIFEXITED(status)) ended.exit_code = WEXITSTATUS(status);
  return ended;
}

TEST(StartWithoutDisplay, BothProgramsPrintTheStartUpFailureAndExitOne) {
#if defined(VANTRO_PROGRAM) && defined(KELBRIN_PROGRAM)
  for (const char* program : {VANTRO_PROGRAM, KELBRIN_PROGRAM}) {
    const Ended ended = RunWithoutDisplay(program);
    EXPECT_EQ(ended.exit_code, 1) << program << " said:\n" << ended.error_output;
    EXPECT_NE(ended.error_output.find("Fatal Error: Can't initialise system\n"), std::string::npos)
        << program << " said:\n" << ended.error_output;
  }
#else
  GTEST_SKIP() << "the window programs are not built";
#endif
}

TEST(StartWithoutDisplay, CommandLineIsAnsweredBeforeAnyWindow) {
#if defined(VANTRO_PROGRAM) && defined(KELBRIN_PROGRAM)
  const struct {
    const char* program;
    const char* arguments;
    const char* platform;
    int exit_code;
    const char* said;
  } cases[] = {
      {VANTRO_PROGRAM, "--help", "no_such_platform", 0, "Usage: vantro [--rom FILE] [FILE]\n"},
      {KELBRIN_PROGRAM, "--help", "no_such_platform", 0, "Usage: kelbrin"},
      {VANTRO_PROGRAM, "--version", "no_such_platform", 0, "vantro (Vantro) "},
      {KELBRIN_PROGRAM, "--version", "no_such_platform", 0, "GNU GPL version 3 or later"},
      {VANTRO_PROGRAM, "--rom /no/such.rom", "offscreen", 1,
       "vantro: /no/such.rom: cannot read the ROM image: No such file or directory\n"},
      {VANTRO_PROGRAM, "--rom " KELBRIN_PROGRAM, "offscreen", 1,
       ": a ROM image has 16384 bytes, this one "},
      {VANTRO_PROGRAM, "--rom", "offscreen", 1, "vantro: --rom needs a ROM image file"},
      {VANTRO_PROGRAM, "--fast", "offscreen", 1, "vantro: unknown option --fast"},
  };
  for (const auto& c : cases) {
    const Ended ended = RunWithoutDisplay(c.program, c.arguments, c.platform, true);
    EXPECT_EQ(ended.exit_code, c.exit_code) << c.program << ' ' << c.arguments << " said:\n" << ended.error_output;
    EXPECT_NE(ended.error_output.find(c.said), std::string::npos)
        << c.program << ' ' << c.arguments << " said:\n" << ended.error_output;
  }
#else
  GTEST_SKIP() << "the window programs are not built";
#endif
}

}  // namespace
