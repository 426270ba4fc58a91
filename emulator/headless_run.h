// vantro-run, the emulator without a window: option parsing and the run
// itself, on the same emulation loop passes and frame schedule as Vantro's
// main window. vantro_run_main.cpp is the program; tests call these.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "machine/machine.h"

struct RunOptions {
  std::string rom;                                            // --rom FILE
  std::string load;                                           // --load FILE
  std::vector<std::pair<std::string, std::uint16_t>> bins;    // --bin FILE@ADDR
  std::optional<long> frames;                                 // --frames N
  std::string type;                                           // --type TEXT
  std::optional<std::uint16_t> until_pc;                      // --until-pc ADDR
  std::string screenshot;                                     // --screenshot FILE.png
  std::string save_sna;                                       // --save-sna FILE
  std::string record;                                         // --record FILE.rzx
  std::string save_tape;                                      // --save-tape FILE
  std::vector<std::pair<std::uint16_t, std::uint32_t>> dumps;  // --dump ADDR:LEN
  std::string trace;                                          // --trace FILE
  bool no_fast_load = false;                                  // --no-fast-load
  bool fast_border = false;                                   // --fast-border
  bool tape_status = false;                                   // --tape-status
  std::string wav;                                            // --wav FILE
  std::string joystick;                                       // --joystick NAME
  std::string until_text;                                     // --until-text TEXT
  int rewind = 0;                                             // --rewind SECONDS; 0: none
  int speed_multiplier = 0;  // --speed PERCENT as the Speed item's multiplier; 0: no limit
  std::string pokes;                       // --pokes FILE.pok
  std::vector<std::string> trainers;       // --trainer NAME, repeatable; none: all
  std::optional<std::uint8_t> poke_value;  // --poke-value N, for pokes that ask
  // The host's WAVE reader for --load FILE.wav; vantro-run's main plugs in
  // SDL's, the window's own, so both read WAVE files alike.
  WaveDecoder wave_decoder = nullptr;
  bool help = false;
};

// Exit codes of vantro-run.
constexpr int kRunOk = 0;
constexpr int kRunError = 1;          // bad option, unreadable or malformed file
constexpr int kRunPcNotReached = 3;   // --until-pc / --until-text: it never came

// Frames the ROM needs from power-on to its copyright line and the first
// key scan; --type waits this long when the machine boots from the ROM.
constexpr long kBootFrames = 150;
// --until-pc and --until-text give up after this many frames unless
// --frames says otherwise.
constexpr long kUntilPcDefaultFrames = 3000;

// Nothing, with a one-line reason in error, for a command line that cannot
// be run. args excludes the program name.
std::optional<RunOptions> ParseRunOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string RunHelpText();

// Runs the machine as the options say; writes --dump output to out. Returns
// an exit code; for a non-zero one, error holds a one-line reason.
int RunHeadless(const RunOptions& options, std::ostream& out, std::string& error);
