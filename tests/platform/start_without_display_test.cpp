// Both programs started where Qt has no usable platform (no display): they
// must print their start-up failure and exit with code 1, not abort in Qt.
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

Ended RunWithoutDisplay(const std::string& program) {
  // stderr into the pipe, stdout thrown away.
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=no_such_platform '" +
                              program + "' 2>&1 >/dev/null";
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

}  // namespace
