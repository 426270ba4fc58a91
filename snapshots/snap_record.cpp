// libspectrum's snapshot record and Vantro's machine, both ways. A 48K
// Spectrum keeps its RAM in libspectrum's 16 KB pages 5, 2 and 0, at 4000h,
// 8000h and C000h.
#include "snapshots/snap_record.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "computer/computer.h"
#include "machine/hardware.h"
#include "machine/ula_timing.h"

namespace {

constexpr std::size_t kPageLength = 16384;
struct PagePlace { int page; std::uint16_t address; };
constexpr PagePlace kPages[] = {{5, 0x4000}, {2, 0x8000}, {0, 0xC000}};

constexpr char kRamMissing[] = "The snapshot lacks part of the 48K Spectrum's RAM!";
// "This snapshot is for the Spectrum 128K; Vantro emulates ..."
constexpr char kMachineBefore[] = "This snapshot is for the ";
constexpr char kMachineAfter[] = "; Vantro emulates the ZX Spectrum 48K only!";

constexpr std::pair<Joystick, libspectrum_joystick> kJoysticks[] = {
    {Joystick::kempston, LIBSPECTRUM_JOYSTICK_KEMPSTON},
    {Joystick::if2_port1, LIBSPECTRUM_JOYSTICK_SINCLAIR_1},
    {Joystick::if2_port2, LIBSPECTRUM_JOYSTICK_SINCLAIR_2},
    {Joystick::cursor, LIBSPECTRUM_JOYSTICK_CURSOR}};

libspectrum_error KeepQuiet(libspectrum_error error, const char*, va_list) { return error; }

std::uint8_t High(libspectrum_word pair) { return static_cast<std::uint8_t>(pair >> 8); }
std::uint8_t Low(libspectrum_word pair) { return static_cast<std::uint8_t>(pair); }
libspectrum_word Pair(std::uint8_t high, std::uint8_t low) { return static_cast<libspectrum_word>(high << 8 | low); }

// The joystick the file has the keys or the first pad drive, else the first
// one Vantro can fit.
std::optional<Joystick> SnapJoystick(libspectrum_snap* snap) {
  std::optional<Joystick> first;
  const int count = static_cast<int>(std::min<size_t>(libspectrum_snap_joystick_active_count(snap), 16));
  for (int k = 0; k < count; ++k) {
    const libspectrum_joystick type = libspectrum_snap_joystick_list(snap, k);
    for (auto [ours, theirs] : kJoysticks) {
      if (theirs != type) continue;
      const int inputs = libspectrum_snap_joystick_inputs(snap, k);
      if (inputs & (LIBSPECTRUM_JOYSTICK_INPUT_KEYBOARD | LIBSPECTRUM_JOYSTICK_INPUT_JOYSTICK_1)) return ours;
      if (!first) first = ours;
    }
  }
  return first;
}

}  // namespace

void UseLibspectrum() {
  static const bool ready = [] {
    libspectrum_error_function = KeepQuiet;
    return libspectrum_init() == LIBSPECTRUM_ERROR_NONE;
  }();
  static_cast<void>(ready);
}

std::optional<FileProblem> CheckSnap(libspectrum_snap* snap, const char* title) {
  const libspectrum_machine machine = libspectrum_snap_machine(snap);
  if (machine != LIBSPECTRUM_MACHINE_48) {
    const char* name = libspectrum_machine_name(machine);
    return FileProblem{title, std::string(kMachineBefore) + (name != nullptr ? name : "unknown machine") +
                                  kMachineAfter};
  }
  for (const PagePlace& place : kPages) {
    if (libspectrum_snap_pages(snap, place.page) == nullptr) return FileProblem{title, kRamMissing};
  }
  return std::nullopt;
}

void ApplySnap(libspectrum_snap* snap, Machine& machine, CpuState& cpu) {
  cpu.a = libspectrum_snap_a(snap);
  cpu.f = libspectrum_snap_f(snap);
  cpu.b = High(libspectrum_snap_bc(snap));
  cpu.c = Low(libspectrum_snap_bc(snap));
  cpu.d = High(libspectrum_snap_de(snap));
  cpu.e = Low(libspectrum_snap_de(snap));
  cpu.h = High(libspectrum_snap_hl(snap));
  cpu.l = Low(libspectrum_snap_hl(snap));
  cpu.a_alt = libspectrum_snap_a_(snap);
  cpu.f_alt = libspectrum_snap_f_(snap);
  cpu.b_alt = High(libspectrum_snap_bc_(snap));
  cpu.c_alt = Low(libspectrum_snap_bc_(snap));
  cpu.d_alt = High(libspectrum_snap_de_(snap));
  cpu.e_alt = Low(libspectrum_snap_de_(snap));
  cpu.h_alt = High(libspectrum_snap_hl_(snap));
  cpu.l_alt = Low(libspectrum_snap_hl_(snap));
  cpu.ix = libspectrum_snap_ix(snap);
  cpu.iy = libspectrum_snap_iy(snap);
  cpu.sp = libspectrum_snap_sp(snap);
  cpu.pc = libspectrum_snap_pc(snap);
  cpu.memptr = libspectrum_snap_memptr(snap);
  cpu.i = libspectrum_snap_i(snap);
  cpu.r = libspectrum_snap_r(snap);
  cpu.r7 = cpu.r & 0x80;
  // No NMI on this machine: IFF1 is the one that decides.
  cpu.iff = libspectrum_snap_iff1(snap) != 0 ? 4 : 0;
  cpu.im = libspectrum_snap_im(snap) & 3;
  cpu.halted = libspectrum_snap_halted(snap) != 0;
  cpu.ei_delay = libspectrum_snap_last_instruction_ei(snap) != 0;
  cpu.tstates = 0;
  cpu.fetches = 0;
  machine.frame_tstates = static_cast<std::int32_t>(libspectrum_snap_tstates(snap) % kFrameTStates);
  machine.ula_out = libspectrum_snap_out_ula(snap);
  for (const PagePlace& place : kPages) {
    const libspectrum_byte* page = libspectrum_snap_pages(snap, place.page);
    std::copy(page, page + kPageLength, machine.memory.begin() + place.address);
  }
  // The snapshot brings its own processor state: the restart that plugging
  // the joystick in would cause is not wanted.
  if (std::optional<Joystick> joystick = SnapJoystick(snap)) static_cast<void>(FitJoystick(machine, *joystick));
  if (machine.frame_tstates < kInterruptLength) AcceptInterrupt(cpu, machine);
}

SnapHandle SnapOfMachine(const Machine& machine, const CpuState& cpu) {
  SnapHandle snap(libspectrum_snap_alloc());
  libspectrum_snap* s = snap.get();
  libspectrum_snap_set_machine(s, LIBSPECTRUM_MACHINE_48);
  libspectrum_snap_set_a(s, cpu.a);
  libspectrum_snap_set_f(s, cpu.f);
  libspectrum_snap_set_bc(s, Pair(cpu.b, cpu.c));
  libspectrum_snap_set_de(s, Pair(cpu.d, cpu.e));
  libspectrum_snap_set_hl(s, Pair(cpu.h, cpu.l));
  libspectrum_snap_set_a_(s, cpu.a_alt);
  libspectrum_snap_set_f_(s, cpu.f_alt);
  libspectrum_snap_set_bc_(s, Pair(cpu.b_alt, cpu.c_alt));
  libspectrum_snap_set_de_(s, Pair(cpu.d_alt, cpu.e_alt));
  libspectrum_snap_set_hl_(s, Pair(cpu.h_alt, cpu.l_alt));
  libspectrum_snap_set_ix(s, cpu.ix);
  libspectrum_snap_set_iy(s, cpu.iy);
  libspectrum_snap_set_sp(s, cpu.sp);
  libspectrum_snap_set_pc(s, cpu.pc);
  libspectrum_snap_set_memptr(s, cpu.memptr);
  libspectrum_snap_set_i(s, cpu.i);
  libspectrum_snap_set_r(s, static_cast<libspectrum_byte>((cpu.r & 0x7F) | cpu.r7));
  libspectrum_snap_set_iff1(s, cpu.iff != 0);
  libspectrum_snap_set_iff2(s, cpu.iff != 0);
  libspectrum_snap_set_im(s, cpu.im);
  libspectrum_snap_set_halted(s, cpu.halted);
  libspectrum_snap_set_last_instruction_ei(s, cpu.ei_delay);
  // The T-states the loop has not yet moved into the frame count too.
  const std::int32_t into_frame = machine.frame_tstates + static_cast<std::int32_t>(cpu.tstates);
  libspectrum_snap_set_tstates(s, static_cast<libspectrum_dword>(std::clamp(into_frame, 0, kFrameTStates - 1)));
  libspectrum_snap_set_out_ula(s, machine.ula_out);
  for (const PagePlace& place : kPages) {
    libspectrum_byte* page = libspectrum_new(libspectrum_byte, kPageLength);
    std::memcpy(page, machine.memory.data() + place.address, kPageLength);
    libspectrum_snap_set_pages(s, place.page, page);  // the snapshot owns it now
  }
  for (auto [ours, theirs] : kJoysticks) {
    if (ours != machine.joystick) continue;
    // The joystick keys and the first game pad drive the fitted interface.
    libspectrum_snap_set_joystick_active_count(s, 1);
    libspectrum_snap_set_joystick_list(s, 0, theirs);
    libspectrum_snap_set_joystick_inputs(s, 0, LIBSPECTRUM_JOYSTICK_INPUT_KEYBOARD | LIBSPECTRUM_JOYSTICK_INPUT_JOYSTICK_1);
  }
  return snap;
}

std::unique_ptr<libspectrum_creator, CreatorFree> VantroCreator() {
  std::unique_ptr<libspectrum_creator, CreatorFree> creator(libspectrum_creator_alloc());
  libspectrum_creator_set_program(creator.get(), "Vantro");
  libspectrum_creator_set_major(creator.get(), VANTRO_VERSION_MAJOR);
  libspectrum_creator_set_minor(creator.get(), VANTRO_VERSION_MINOR);
  return creator;
}
