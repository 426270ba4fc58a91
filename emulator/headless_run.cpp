// vantro-run's options and run: the machine is built as Vantro builds it,
// files go in through the same loaders as the menu commands, and frames run
// through the emulation loop's own passes, unpaced unless --speed asks. Errors
// end the run with one line instead of a message box.
#include "emulator/headless_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <memory>

#include "debugger/trace_file.h"
#include "cpu/z80.h"
#include "debugger/breakpoint.h"
#include "emulator/emulation_loop.h"
#include "emulator/frame_png.h"
#include "emulator/frame_schedule.h"
#include "emulator/rewind.h"
#include "emulator/screen_text.h"
#include "emulator/tape_status.h"
#include "emulator/typed_keys.h"
#include "emulator/wave_file.h"
#include "machine/display_renderer.h"
#include "machine/machine.h"
#include "snapshots/blocks.h"
#include "snapshots/file_names.h"
#include "snapshots/load_dispatch.h"
#include "snapshots/pok.h"
#include "snapshots/rzx.h"
#include "snapshots/sna.h"
#include "snapshots/tape.h"
#include "snapshots/tape_writer.h"
#include "computer/computer.h"
#include "tools/text_format.h"

namespace {

constexpr int kKeyHoldFrames = 4;     // long enough for the ROM's key scan
constexpr int kKeyReleaseFrames = 4;  // and for the next press to count as new
constexpr std::uint32_t kFrameMs = 20;
constexpr std::uint16_t kLargestBlock = 65535;

// Emulated time: 20 ms per frame, so FLASH and anything timed by the
// clock behave the same at any host speed.
struct FrameClock : MillisecondClock {
  const long& frames;
  explicit FrameClock(const long& counted) : frames(counted) {}
  std::uint32_t NowMs() override { return static_cast<std::uint32_t>(frames) * kFrameMs; }
};

struct RunHooks : LoopHooks {
  long frames = 0;
  Machine* machine = nullptr;
  bool tracing = false;
  WaveWriter* wave = nullptr;  // --wav: every frame's beeper samples
  bool trace_lost = false;  // a flush could not write its whole block
  // --speed: the window's frame schedule on the host's clock, sleeping
  // between frames (there are no events to look at).
  SteadyClock host_clock;
  FrameSchedule schedule;
  void Present() override {
    ++frames;
    if (wave != nullptr) AppendWave(*wave, machine->beeper.block.data(), machine->beeper.block_size);
  }
  // --record: the recording starts at the first frame end, where a
  // recording made in the window starts too (before the frame's interrupt).
  CpuState* cpu = nullptr;
  const std::string* record_path = nullptr;
  bool recording_started = false;
  std::optional<FileProblem> record_problem;
  void BetweenFrames() override {
    if (record_path != nullptr && !recording_started) {
      recording_started = true;
      record_problem = StartInputRecording(*machine, *cpu, *record_path);
    }
    PaceFrame(schedule, WantedFrameRate(*machine), host_clock);
  }
  // Reached only when the trace buffer was flushed: keep tracing in a new
  // block, as a user pressing "Debug to file" again would.
  void OpenDebugger() override {
    trace_lost = trace_lost || machine->trace_write_failed;
    if (tracing) StartTrace(*machine, LocalClockNow());
  }
};

bool ParseNumber(std::string_view text, std::uint32_t max, std::uint32_t& value) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  } else if (text.size() > 1 && text[0] == '$') {
    text.remove_prefix(1);
    base = 16;
  } else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) {
    text.remove_suffix(1);
    base = 16;
  }
  if (text.empty()) return false;
  std::uint64_t result = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    result = result * base + digit;
    if (result > max) return false;
  }
  value = static_cast<std::uint32_t>(result);
  return true;
}

// A refused file as one line: the file, then the message box's title and
// its text with line breaks turned into spaces.
std::string Describe(const std::string& path, const FileProblem& problem) {
  std::string line = path + ": " + problem.title + ": ";
  for (char c : problem.text) {
    if (c != '\n') {
      line += c;
    } else if (line.back() != ' ') {
      line += ' ';
    }
  }
  return line;
}

// Whatever way the run ends, the WAVE file gets its sizes and is closed.
struct WaveCloser {
  WaveWriter& wave;
  ~WaveCloser() {
    std::string ignored;
    CloseWave(wave, ignored);
  }
};

// --bin: the whole file, through the transfer of "Load Bin/Scr/Rom" with the
// largest count, so the loader sees the file as the menu command would.
bool LoadBin(Machine& machine, CpuState& cpu, const std::string& path, std::uint16_t address,
             std::string& error) {
  std::error_code unknown;
  const std::uintmax_t size = std::filesystem::file_size(path, unknown);
  if (!unknown && size > kLargestBlock) {
    error = path + " is too large (more than " + std::to_string(kLargestBlock) + " bytes)";
    return false;
  }
  if (std::optional<FileProblem> problem = LoadBlockFile(machine, cpu, BlockChoice{address, kLargestBlock}, path)) {
    error = Describe(path, *problem);
    return false;
  }
  return true;
}

// --pokes: the file read and the trainers to apply chosen before the run
// starts, so a malformed file or a wrong name ends it before anything runs.
bool ChoosePokes(const RunOptions& options, std::vector<Trainer>& chosen, std::string& error) {
  std::vector<Trainer> trainers;
  if (std::optional<FileProblem> problem = ReadPokFile(options.pokes, trainers)) {
    error = Describe(options.pokes, *problem);
    return false;
  }
  auto fits = [&](const Trainer& trainer) {
    if (trainer.needs_128k) {
      error = "--pokes: trainer '" + trainer.name + "' pokes 128K memory a 48K Spectrum does not have";
      return false;
    }
    if (trainer.asks_value && !options.poke_value) {
      error = "--pokes: trainer '" + trainer.name + "' asks for a value: give it with --poke-value";
      return false;
    }
    return true;
  };
  if (options.trainers.empty()) {
    // All of them, less those only a 128K can take.
    for (const Trainer& trainer : trainers) {
      if (trainer.needs_128k) continue;
      if (!fits(trainer)) return false;
      chosen.push_back(trainer);
    }
    if (chosen.empty()) {
      error = "--pokes: no trainer in " + options.pokes + " fits a 48K Spectrum";
      return false;
    }
    return true;
  }
  for (const std::string& name : options.trainers) {
    const Trainer* found = nullptr;
    for (const Trainer& trainer : trainers) {
      if (found == nullptr && trainer.name == name) found = &trainer;
    }
    if (found == nullptr) {
      error = "--trainer: " + options.pokes + " has no trainer '" + name + "' (it has:";
      for (const Trainer& trainer : trainers) error += " '" + trainer.name + "'";
      error += ")";
      return false;
    }
    if (!fits(*found)) return false;
    chosen.push_back(*found);
  }
  return true;
}

void Dump(const Machine& machine, std::uint16_t address, std::uint32_t length, std::ostream& out) {
  std::ios_base::fmtflags saved = out.flags();
  out << std::hex << std::uppercase << std::setfill('0');
  for (std::uint32_t k = 0; k < length; ++k) {
    std::uint16_t at = static_cast<std::uint16_t>(address + k);
    if (k % 16 == 0) out << std::setw(4) << at << ':';
    out << ' ' << std::setw(2) << static_cast<unsigned>(machine.memory[at]);
    if (k % 16 == 15 || k + 1 == length) out << '\n';
  }
  out.flags(saved);
}

const char* const kOptionsWithValue[] = {"--rom", "--load", "--bin", "--frames", "--type",
                                         "--until-pc", "--screenshot", "--save-sna", "--save-tape", "--dump",
                                         "--trace", "--speed", "--wav", "--joystick", "--until-text", "--rewind",
                                         "--pokes", "--trainer", "--poke-value", "--record"};

// --joystick names for the "Joystick Interface" items.
constexpr std::pair<const char*, Joystick> kJoystickNames[] = {
    {"kempston", Joystick::kempston}, {"sinclair1", Joystick::if2_port1},
    {"sinclair2", Joystick::if2_port2}, {"cursor", Joystick::cursor}};

}  // namespace

std::string RunHelpText() {
  return R"(vantro-run - the Vantro ZX Spectrum 48K emulator without a window

Usage: vantro-run [options]

The machine starts as Vantro does: the built-in 48K ROM, RAM cleared, a
hard reset. Files go in as the File menu takes them, the machine runs as
fast as the host allows (or at --speed), and the results come out as files
or text.

Input:
  --rom FILE         use this 16,384-byte ROM image instead of the built-in one
  --load FILE        open a snapshot or tape as "Open" does: .sna, .z80
                     (versions 1-3, 48K; a Z80 file's joystick is fitted)
                     and .szx (version 1.x, 48K: the T-state within the
                     frame, the joystick and an embedded tape too) load at
                     once; an .rzx input recording loads its snapshot and
                     plays its frames (their port reads and lengths), then
                     the machine goes on live; a recording that runs out of
                     port reads stops there and ends the run with exit code
                     1 after the outputs are written; a TZX (.tzx, version 1.x), CSW (.csw,
                     versions 1 and 2), PZX (.pzx) or WAV (.wav: PCM, 8 or
                     16 bit, mono or stereo, any rate, read by SDL) tape, each
                     also known by its signature, is inserted as such,
                     anything else as a TAP tape. The tape moves while a
                     program times its edges (the ROM's LOAD, a game's
                     loader) and stops a second after, so it waits for LOAD
                     however late it is typed. A file "Open" would refuse (a
                     damaged one, a folder, a pipe) ends the run with its
                     message (exit code 1).
                     A zip archive (.zip) or gzip file (.gz) is unpacked in
                     memory and its file opened as above, its type told by
                     its own name (game.tap.gz is a TAP tape); of a zip
                     holding several snapshots and tapes the first is taken
                     (the window asks which); a damaged archive, or one
                     with no snapshot or tape in it, is refused
  --bin FILE@ADDR    put a raw file into memory at ADDR, as "Load Bin/Scr/Rom"
                     does (at 0 it also resets the processor); repeatable.
                     When the machine boots from the ROM, blocks for RAM
                     (ADDR 16384 and up) go in after its start-up (150
                     frames), since the start-up clears RAM
  --pokes FILE       apply the trainers of a POK file (.pok: "infinite
                     lives" and the like), as "Apply POKEs..." does, once
                     the program is in: after --load and the typing (after
                     the ROM's start-up when the machine boots from it),
                     before --frames. Every trainer is applied but those
                     only a 128K Spectrum can take; a malformed file ends
                     the run with the line it fails on (exit code 1)
  --trainer NAME     apply only the trainer of the --pokes file with this
                     name (exact, as the file's N line has it); repeatable.
                     An unknown name is an error that lists the names
  --poke-value N     the value (0-255) for every poke the file leaves to the
                     user (value 256 in the file); without it, a trainer
                     with such a poke is refused (exit code 1)
  --type TEXT        type TEXT on the Spectrum keyboard, hold keys and move
                     the joystick (notation below)
  --joystick NAME    the "Joystick Interface" fitted: kempston (the
                     default), sinclair1 or sinclair2 (Interface 2's ports)
                     or cursor; {JOY ...} in --type plays through it
  --no-fast-load     load and save tapes through the signal, as the menu's
                     "Fast Tape Loading" unchecked does: the ROM's own
                     loader reads every block at the EAR input (about 5 s
                     of emulated time per header) and SAVE is recorded from
                     the MIC output; without it the ROM traps load the
                     standard blocks and save blocks at once
  --fast-border      the whole border in the colour of the frame's end, as
                     the menu's "Fast Border Render" checked does

Running:
  --frames N         run N frames (1/50 s each) after the typing; default 0
  --speed PERCENT    run in real time at 25, 50, 100 or 200 percent (12, 25,
                     50 or 100 frames a second), as the window's Speed menu;
                     default: as fast as the host allows
  --until-pc ADDR    stop as soon as the program counter reaches ADDR; then
                     --frames is the limit (default 3000) and exit code 3
                     means the address never came
  --until-text TEXT  stop as soon as TEXT stands on the screen, read through
                     the ROM's character set (ink on paper or inverted;
                     text wrapped onto the next line counts); checked at
                     every frame end, typing included; --frames is the limit
                     (default 3000) and exit code 3 means it never came
  --record FILE      record the run's input as an RZX file: from the first
                     frame end (its SZX snapshot) to the end of the run,
                     every frame's opcode fetch count and port reads;
                     playing it with --load FILE and --frames one fewer
                     ends in the same memory and registers. The ROM's tape
                     traps stand aside while it records
  --rewind SECONDS   after the run, go back SECONDS (1-60) emulated seconds,
                     as "Rewind" does, before the outputs below are written
                     (--wav and --trace still hold the whole run): the
                     machine returns exactly to the state it had then, so
                     --frames 500 --rewind 3 writes what --frames 350 does.
                     A run shorter than that is an error (exit code 1)

Output (written after the run, in this order):
  --dump ADDR:LEN    print LEN bytes from ADDR in hexadecimal; repeatable
  --tape-status      print the tape's line of the window's title: "Tape: ",
                     its name, the block it stands at ("block 3 of 12") and
                     "playing", "waiting for a loader", "stopped" or "at its
                     end"; nothing without a tape
  --screenshot FILE  the 320x240 picture with border, as a PNG file: the
                     last frame as the beam drew it (each screen byte as
                     the ULA fetched it, the border colour at every 8
                     pixels), or the machine as it stands for a run stopped
                     inside a frame or gone back with --rewind
  --save-sna FILE    save an SNA snapshot (".sna" is added to a bare name),
                     a Z80 (version 3, with the joystick) one for a name
                     ending in .z80, or an SZX one (with the T-state within
                     the frame and the joystick) for .szx; an
                     SNA with the stack at the protected ROM is still saved,
                     but PC is lost, so the run ends with exit code 1
  --save-tape FILE   write the tape, as "Save Tape As..." does: the tape
                     inserted with --load (if any), then every block the
                     machine saved during the run (SAVE with the fast trap,
                     or the MIC signal with --no-fast-load); TAP when every
                     block is standard and FILE does not end in .tzx, else
                     TZX (a bare name gets .tap or .tzx); nothing to save,
                     or a .tap name for blocks TAP cannot hold, is an error
  --trace FILE       write every instruction run, in the format of Vantro's
                     "Debug to file" (debug.lst); large: about 100 bytes each;
                     a write that fails is an error (exit code 1)
  --wav FILE         the beeper's sound of the whole run (start-up and typing
                     included) as a 16-bit mono 48,000 Hz WAVE file, in
                     emulated time (the T-states run, at 3.5 MHz), however
                     fast the run itself goes

Information:
  --help             print this text (so does a run without options)
  --version          (alone) print the version and licence

Numbers: decimal (32768) or hexadecimal (0x8000, $8000, 8000h).

Typing: each key is held for 4 frames and released for 4. When the machine
boots from the ROM, typing waits 150 frames for its copyright screen.
  a-z 0-9 space     that key;  A-Z  CAPS SHIFT + letter;  newline  ENTER
  " ; : , . + - * / = < > ( ) $ ! @ # % & ' _ ? ^   SYMBOL SHIFT + its key
  {ENTER} {SPACE} {CS} {SS} {A}..{Z} {0}..{9}       one key by name
  {CS+X} {SS+X} {CS+SS}                             keys held together
  {DELETE} {EDIT} {BREAK} {EXTEND} {GRAPHICS} {CAPSLOCK} {LEFT} {DOWN}
  {UP} {RIGHT}                                      the shifted keys
  {WAIT N}                                          N frames without a key
  {HOLD Q+A N}      the named keys held together for exactly N frames, then
                    released with no pause after (add {WAIT N} for one)
  {JOY UP+FIRE N}   the joystick held for N frames: UP DOWN LEFT RIGHT FIRE,
                    joined by +, through the --joystick interface
Keywords are entered as on the real keyboard: in K mode a letter key gives
its keyword (j is LOAD, p is PRINT, r is RUN).

Examples:
  vantro-run --frames 150 --screenshot boot.png
  vantro-run --load game.tap --type 'j""{ENTER}' --frames 500 --screenshot game.png
  vantro-run --load game.tzx --no-fast-load --type 'j""{ENTER}' --frames 3000
  vantro-run --load game.zip --pokes game.pok --trainer 'Infinite lives' \
             --type 'j""{ENTER}{WAIT 1500}' --frames 500 --screenshot game.png
  vantro-run --load game.wav --type 'j""{ENTER}' --frames 3000 --screenshot game.png
  vantro-run --type '10e hi{ENTER}s"prog"{ENTER}{WAIT 10} ' --frames 100 --save-tape prog.tap
            (10 REM hi, SAVE "prog" and a key to start the tape)
  vantro-run --load state.sna --frames 50 --dump 0x5C00:64
  vantro-run --load game.szx --record play.rzx --type '{HOLD Q 50}' --frames 200
  vantro-run --load play.rzx --frames 249 --save-sna end.szx
  vantro-run --type '{EXTEND}{SS+Z}1,0{ENTER}' --frames 100 --wav beep.wav
            (BEEP 1,0: one second of middle C)
  vantro-run --bin code.bin@0x8000 --type 't{EXTEND}l32768{ENTER}' --until-pc 0x8005
            (RANDOMIZE USR 32768: T in K mode, then L in extended mode)
  vantro-run --load game.tap --joystick sinclair1 --until-text 'GAME OVER' \
             --type 'j""{ENTER}{WAIT 500}{JOY FIRE 5}{HOLD O+Q 25}{JOY LEFT 50}'
            (load, start with fire, hold O and Q, then left: exit code 0 once
            GAME OVER is on the screen, 3 if it is not within 3000 frames)

Exit codes: 0 done, 1 bad option, a file that cannot be loaded or saved, or
an SNA saved without its PC (one line on standard error: for a file, the
File menu's message), 3 --until-pc address or --until-text text not reached.
)";
}

std::optional<RunOptions> ParseRunOptions(const std::vector<std::string>& args, std::string& error) {
  RunOptions options;
  for (std::size_t k = 0; k < args.size(); ++k) {
    std::string name = args[k];
    std::string value;
    bool has_value = false;
    if (std::size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      has_value = true;
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--no-fast-load") {
      options.no_fast_load = true;
      continue;
    }
    if (name == "--fast-border") {
      options.fast_border = true;
      continue;
    }
    if (name == "--tape-status") {
      options.tape_status = true;
      continue;
    }
    bool known = false;
    for (const char* option : kOptionsWithValue) known = known || name == option;
    if (!known) {
      error = "unknown option " + name + " (see --help)";
      return std::nullopt;
    }
    if (!has_value) {
      if (k + 1 >= args.size()) {
        error = name + " needs a value (see --help)";
        return std::nullopt;
      }
      value = args[++k];
    }
    std::uint32_t number = 0;
    if (name == "--rom") {
      options.rom = value;
    } else if (name == "--load") {
      options.load = value;
    } else if (name == "--bin") {
      std::size_t at = value.rfind('@');
      if (at == std::string::npos || at == 0 || !ParseNumber(std::string_view(value).substr(at + 1), 0xFFFF, number)) {
        error = "--bin wants FILE@ADDR with ADDR 0-65535, not '" + value + "'";
        return std::nullopt;
      }
      options.bins.emplace_back(value.substr(0, at), static_cast<std::uint16_t>(number));
    } else if (name == "--frames") {
      if (!ParseNumber(value, 100000000, number)) {
        error = "--frames wants a number of frames, not '" + value + "'";
        return std::nullopt;
      }
      options.frames = number;
    } else if (name == "--type") {
      options.type += value;
    } else if (name == "--until-pc") {
      if (!ParseNumber(value, 0xFFFF, number)) {
        error = "--until-pc wants an address 0-65535, not '" + value + "'";
        return std::nullopt;
      }
      options.until_pc = static_cast<std::uint16_t>(number);
    } else if (name == "--screenshot") {
      options.screenshot = value;
    } else if (name == "--save-sna") {
      options.save_sna = value;
    } else if (name == "--record") {
      options.record = value;
    } else if (name == "--save-tape") {
      options.save_tape = value;
    } else if (name == "--dump") {
      std::size_t colon = value.find(':');
      std::uint32_t length = 0;
      if (colon == std::string::npos ||
          !ParseNumber(std::string_view(value).substr(0, colon), 0xFFFF, number) ||
          !ParseNumber(std::string_view(value).substr(colon + 1), 0x10000, length) || length == 0) {
        error = "--dump wants ADDR:LEN with ADDR 0-65535 and LEN 1-65536, not '" + value + "'";
        return std::nullopt;
      }
      options.dumps.emplace_back(static_cast<std::uint16_t>(number), length);
    } else if (name == "--trace") {
      options.trace = value;
    } else if (name == "--speed") {
      const struct { const char* percent; int multiplier; } speeds[] = {
          {"25", 1}, {"50", 2}, {"100", 4}, {"200", 8}};
      options.speed_multiplier = 0;
      for (const auto& speed : speeds) {
        if (value == speed.percent) options.speed_multiplier = speed.multiplier;
      }
      if (options.speed_multiplier == 0) {
        error = "--speed wants 25, 50, 100 or 200, not '" + value + "'";
        return std::nullopt;
      }
    } else if (name == "--wav") {
      options.wav = value;
    } else if (name == "--joystick") {
      bool found = false;
      for (auto [joystick_name, joystick] : kJoystickNames) found = found || value == joystick_name;
      if (!found) {
        error = "--joystick wants kempston, sinclair1, sinclair2 or cursor, not '" + value + "'";
        return std::nullopt;
      }
      options.joystick = value;
    } else if (name == "--rewind") {
      if (!ParseNumber(value, kRewindPoints, number) || number == 0) {
        error = "--rewind wants 1-" + std::to_string(kRewindPoints) + " seconds, not '" + value + "'";
        return std::nullopt;
      }
      options.rewind = static_cast<int>(number);
    } else if (name == "--pokes") {
      options.pokes = value;
    } else if (name == "--trainer") {
      options.trainers.push_back(value);
    } else if (name == "--poke-value") {
      if (!ParseNumber(value, 255, number)) {
        error = "--poke-value wants a byte 0-255, not '" + value + "'";
        return std::nullopt;
      }
      options.poke_value = static_cast<std::uint8_t>(number);
    } else if (name == "--until-text") {
      if (value.empty()) {
        error = "--until-text wants the text to wait for";
        return std::nullopt;
      }
      options.until_text = value;
    }
  }
  if (!options.trainers.empty() && options.pokes.empty()) {
    error = "--trainer names a trainer of the --pokes file, and there is none";
    return std::nullopt;
  }
  return options;
}

int RunHeadless(const RunOptions& options, std::ostream& out, std::string& error) {
  auto machine = std::make_unique<Machine>();
  auto renderer = std::make_unique<DisplayRenderer>();
  InitMachine(*machine);
  CpuState cpu;
  ResetCpu(cpu);
  if (options.speed_multiplier > 0) {
    ChooseSpeed(*machine, options.speed_multiplier);
  } else {
    ChooseNoLimit(*machine);
  }
  machine->fast_load = !options.no_fast_load;
  machine->fast_border = options.fast_border;
  machine->wave_decoder = options.wave_decoder;
  for (auto [joystick_name, joystick] : kJoystickNames) {
    if (options.joystick == joystick_name) ChooseJoystick(*machine, cpu, joystick);
  }

  std::optional<std::vector<KeyChord>> chords = ParseTypedKeys(options.type, error);
  if (!chords) return kRunError;

  if (!options.rom.empty()) {
    // A ROM image replaces all of the ROM, so only a whole one is taken.
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(options.rom, unknown);
    if (!unknown && size != kRomBlock.block_count) {
      error = options.rom + ": a ROM image has 16384 bytes, this one " + std::to_string(size);
      return kRunError;
    }
    if (std::optional<FileProblem> problem = LoadBlockFile(*machine, cpu, kRomBlock, options.rom)) {
      error = Describe(options.rom, *problem);
      return kRunError;
    }
  }
  std::vector<Trainer> pokes;
  if (!options.pokes.empty() && !ChoosePokes(options, pokes, error)) return kRunError;
  bool booting = true;
  if (!options.load.empty()) {
    if (std::optional<FileProblem> problem = OpenFile(*machine, cpu, options.load)) {
      error = Describe(options.load, *problem);
      return kRunError;
    }
    // A snapshot takes the tape out and brings a running program along.
    booting = machine->tape_active;
  }
  // The ROM's start-up clears RAM, so when the machine boots from the ROM,
  // blocks for RAM go in once it is ready; ROM blocks and everything after a
  // snapshot go in at once.
  std::vector<std::pair<std::string, std::uint16_t>> after_boot;
  for (const auto& [path, address] : options.bins) {
    if (booting && address >= kProtectedFloor) {
      after_boot.emplace_back(path, address);
    } else if (!LoadBin(*machine, cpu, path, address, error)) {
      return kRunError;
    }
  }

  RunHooks hooks;
  hooks.machine = machine.get();
  hooks.cpu = &cpu;
  if (!options.record.empty()) hooks.record_path = &options.record;
  FrameClock clock(hooks.frames);
  Breakpoint breakpoint;
  bool hex_mode = false;
  EmulationLoop loop{cpu, *machine, breakpoint, *renderer, clock, hooks, hex_mode};
  if (!options.trace.empty()) {
    // Start from an empty file: blocks are appended as the buffer fills.
    std::FILE* trace = std::fopen(options.trace.c_str(), "wb");
    if (trace == nullptr) {
      error = "cannot create " + options.trace + ": " + std::strerror(errno);
      return kRunError;
    }
    std::fclose(trace);
    loop.trace_path = options.trace.c_str();
    hooks.tracing = true;
    StartTrace(*machine, LocalClockNow());
  }

  WaveWriter wave;
  WaveCloser wave_closer{wave};
  if (!options.wav.empty()) {
    if (!OpenWave(wave, options.wav, machine->beeper.sample_rate, error)) return kRunError;
    hooks.wave = &wave;
  }

  bool pc_reached = options.until_pc && cpu.pc == *options.until_pc;
  // --until-text looks at the screen once a frame, as a player would;
  // --rewind keeps the machine once an emulated second, as the window does.
  bool text_seen = false;
  std::unique_ptr<RewindStore> rewind;
  if (options.rewind > 0) {
    rewind = std::make_unique<RewindStore>();
    StartRewind(*rewind, cpu, *machine);
  }
  auto after_frame = [&](unsigned outcome) {
    if (!(outcome & kPassFrameEnded)) return;
    if (!options.until_text.empty()) text_seen = TextOnScreen(*machine, options.until_text);
    if (rewind) RewindFramesEnded(*rewind, hooks.frames, cpu, *machine);
  };
  // Runs until `count` more frames have ended, or the watched address comes.
  auto run_frames = [&](long count) {
    const long until = hooks.frames + count;
    while (!pc_reached && !text_seen && hooks.frames < until) {
      if (options.until_pc) {
        after_frame(RunPass(loop));
        pc_reached = cpu.pc == *options.until_pc;
      } else {
        after_frame(RunUntilFrameEnd(loop));
      }
    }
  };

  if (booting && (!chords->empty() || !after_boot.empty() || !pokes.empty())) run_frames(kBootFrames);
  for (const auto& [path, address] : after_boot) {
    if (!LoadBin(*machine, cpu, path, address, error)) return kRunError;
  }
  for (const KeyChord& chord : *chords) {
    if (chord.keys == 0) {
      run_frames(chord.wait_frames);
      continue;
    }
    machine->host_keys = chord.keys;
    if (chord.hold_frames > 0) {
      run_frames(chord.hold_frames);
      machine->host_keys = 0;
      continue;
    }
    run_frames(kKeyHoldFrames);
    machine->host_keys = 0;
    run_frames(kKeyReleaseFrames);
  }
  // The trainers go into the running program once it is loaded and the
  // typing has started it, as a player applies them from the menu.
  for (const Trainer& trainer : pokes) {
    const std::vector<std::uint8_t> asked(trainer.pokes.size(), options.poke_value.value_or(0));
    ApplyTrainer(*machine, trainer, asked);
  }
  const bool waiting = options.until_pc || !options.until_text.empty();
  long frames = options.frames.value_or(waiting ? kUntilPcDefaultFrames : 0);
  run_frames(frames);

  int result = kRunOk;
  // The recording ends with the run, before --rewind goes back.
  if (!options.record.empty()) {
    std::optional<FileProblem> problem = hooks.record_problem;
    if (!problem) problem = StopInputRecording(*machine);
    if (!hooks.recording_started) {
      error = "--record " + options.record + ": the run ended before its first frame, so nothing was recorded";
      return kRunError;
    }
    if (problem) {
      error = Describe(options.record, *problem);
      return kRunError;
    }
  }
  if (machine->input_log.ended == InputLogEnd::ran_out) {
    error = Describe(options.load, FileProblem{kPlaybackTitle, kPlaybackRanOut});
    result = kRunError;
  }
  if (waiting && !pc_reached && !text_seen) {
    if (options.until_pc) {
      char address[8];
      std::snprintf(address, sizeof address, "%04Xh", static_cast<unsigned>(*options.until_pc));
      error = std::string("the program counter never reached ") + address;
    } else {
      error = "the text '" + options.until_text + "' never stood on the screen";
    }
    error += " in " + std::to_string(hooks.frames) + " frames";
    result = kRunPcNotReached;
  }

  if (hooks.wave != nullptr) {
    // A run stopped by --until-pc ends inside a frame: its sound so far.
    EndBeeperFrame(machine->beeper, machine->frame_tstates + static_cast<std::int32_t>(cpu.tstates));
    AppendWave(wave, machine->beeper.block.data(), machine->beeper.block_size);
    if (!CloseWave(wave, error)) result = kRunError;
  }
  // The text still collected at the end is appended as a flush would.
  if ((machine->trace_on && !FlushTrace(*machine, loop.trace_path)) || hooks.trace_lost) {
    error = "cannot write " + options.trace;
    result = kRunError;
  }
  // The sound and the trace are the run's; what is written from here on
  // shows the machine as it was --rewind seconds before the run's end.
  if (rewind && !RewindSeconds(*rewind, options.rewind, cpu, *machine)) {
    error = "--rewind " + std::to_string(options.rewind) + ": the run reaches back only " +
            std::to_string(RewindReach(*rewind)) + " seconds";
    return kRunError;
  }
  for (const auto& [address, length] : options.dumps) Dump(*machine, address, length, out);
  if (options.tape_status) {
    if (const std::string status = TapeStatusText(*machine); !status.empty()) out << status << '\n';
  }
  if (!options.screenshot.empty()) {
    // The last frame as the beam drew it, when the run ended at its end;
    // a run stopped inside a frame, or gone back in time, shows the
    // machine as it now stands.
    if (rewind || !renderer->picture_whole) RenderFrame(*renderer, *machine, clock.NowMs());
    if (!WriteFramePng(options.screenshot, renderer->frame_picture.data(), kFrameWidth, kFrameHeight,
                       error)) {
      result = kRunError;
    }
  }
  if (!options.save_sna.empty()) {
    const std::string path = WithDefaultExtension(options.save_sna, ".sna");
    if (std::optional<FileProblem> problem = SaveSnapshot(*machine, cpu, path)) {
      error = Describe(path, *problem);
      result = kRunError;
    }
  }
  if (!options.save_tape.empty()) {
    std::string written;
    if (std::optional<FileProblem> problem = SaveTapeFile(*machine, options.save_tape, written)) {
      error = Describe(written.empty() ? options.save_tape : written, *problem);
      result = kRunError;
    }
  }
  return result;
}
