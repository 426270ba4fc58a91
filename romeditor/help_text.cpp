// Help and About texts. The NMI routine listing is produced by the shared
// disassembler from the built-in ROM, so it cannot disagree with the bytes
// the NMI fix patches.
#include "romeditor/help_text.h"

#include <algorithm>
#include <array>

#include "data/rom_image.h"
#include "generated/program_version.h"
#include "romeditor/nmi_fix.h"
#include "tools/disassembler.h"
#include "tools/text_format.h"

namespace {

constexpr const char* kAuthorLine = "   by the Vantro and Kelbrin team";
constexpr std::uint16_t kNmiRoutineStart = 0x0066;
constexpr std::uint16_t kNmiRoutineEnd = 0x0072;  // RETN

void AddNmiRoutineListing(std::vector<std::string>& lines) {
  std::array<std::uint8_t, kRomSize> rom;
  std::span<const std::uint8_t, kRomSize> built_in = BuiltInRom();
  std::copy(built_in.begin(), built_in.end(), rom.begin());
  const MemoryView view{rom.data(), rom.size()};
  std::uint16_t address = kNmiRoutineStart;
  while (address <= kNmiRoutineEnd) {
    Disassembly d = DisassembleOne(view, address, /*hex_mode=*/true);
    std::string line = "  " + Hex4h(address) + "  " + d.byte_field;
    line.resize(std::max<std::size_t>(line.size(), 23), ' ');
    line += d.text;
    if (address == kNmiJumpAddress) line += "   ***";
    lines.push_back(line);
    address = d.next_address;
  }
}

}  // namespace

std::vector<std::string> HelpLines() {
  std::vector<std::string> lines = {
      "==================================================",
      std::string(" Kelbrin version ") + kProgramVersion,
      "==================================================",
      "",
      "Kelbrin edits a 16K ZX Spectrum ROM image. It",
      "starts with the standard 48K ROM and a map that",
      "tells its code from its data.",
      "",
      "LOAD ROM/BIN - load a whole ROM or a block of it",
      "               at a base address, with its map.",
      "SAVE ROM/BIN - save the ROM or a block of it, and",
      "               a .map file beside it if wanted.",
      "RESTORE ROM  - go back to the standard 48K ROM",
      "               and its map.",
      "DISASSEMBLE  - list a range to dis.asm or to a",
      "               window; data shows as DEFB lines.",
      "CHAR EDITOR  - redraw the ROM's character set.",
      "HEX DUMP     - show a range as hex and text.",
      "PEEK         - look at one byte (and its map bit).",
      "POKE         - change one byte (and its map bit).",
      "",
      "NMI Fix",
      "-------",
      "The NMI routine at 0066h reads the address held",
      "in the system variable NMIADD (5CB0h):",
      "",
  };
  AddNmiRoutineListing(lines);
  const std::vector<std::string> rest = {
      "",
      "Because of the jump marked ***, a zero NMIADD",
      "jumps to 0000h (a reset) and any other address",
      "just returns, so a service routine at NMIADD can",
      "never run. NMI Fix turns JR NZ into JR Z: an NMI",
      "then runs the routine whose address is in NMIADD,",
      "and a zero NMIADD simply returns. Use it again to",
      "take the fix out. The routine is entered with HL",
      "and AF on the stack: end it with POP HL, POP AF",
      "and RETN.",
      "",
      "ROM Maps",
      "--------",
      "The map keeps one byte beside every ROM byte so",
      "the disassembler can list tables, messages and",
      "the character set as DEFB lines instead of code.",
      "In a .map file code is marked by a 0 and data by",
      "a 1. For example this listing:",
      "",
      " 00000   21 00 80    LD HL,32768",
      " 00003   11 00 40    LD DE,16384",
      " 00006   01 00 01    LD BC,00256",
      " 00009   ED B0       LDIR",
      " 00011   C9          RET",
      " 00012   01 02 03    DEFB 01,02,03",
      " 00015   48 49 21    DEFB 48,49,21",
      "",
      "comes from these ROM and map bytes:",
      "",
      "Address    ROM         MAP",
      " 00000     21 00 80    00 00 00",
      " 00003     11 00 40    00 00 00",
      " 00006     01 00 01    00 00 00",
      " 00009     ED B0       00 00",
      " 00011     C9          00",
      " 00012     01 02 03    01 01 01",
      " 00015     48 49 21    01 01 01",
      "",
      "Define CODE block and Define DATA block mark a",
      "range; Poke marks one byte. Saving with the MAP",
      "box ticked writes the .map file beside the ROM.",
      "",
      "Unused ROM space",
      "----------------",
      "The block 386Eh-3CFFh (14446-15615), 1,170 bytes,",
      "is not used by the 48K ROM and can hold your own",
      "code and data.",
      "",
      kAuthorLine,
  };
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

std::vector<std::string> AboutLines() {
  return {
      "",
      "      =====================",
      std::string("       Kelbrin version ") + kProgramVersion,
      "      =====================",
      "",
      "      ZX Spectrum ROM Editor",
      "",
      kAuthorLine,
  };
}

std::string UnknownMenuItemText(int id) {
  return "MenuItem: " + std::to_string(id) + " is not currently installed.";
}

std::string KelbrinUsageText() {
  return R"(Usage: kelbrin [--help | --version]

Kelbrin is a ROM editor for the ZX Spectrum 16K/48K. It opens in a window
on the built-in 48K ROM and its code/data map; the File menu loads and
saves the ROM or a block of it with a .map file beside it, and "Run in
Vantro" starts Vantro on the edited image.

Options:
  --help         print this text and exit
  --version      print the version and licence and exit

Qt's own options (such as -platform offscreen) are taken as well.

Exit codes: 0 after a run, 1 for a failed start.
)";
}
