// Vantro, the ZX Spectrum 48K emulator: the program's entry.
#include "emulator/program_qt.h"

int main(int argc, char** argv) { return RunVantro(argc, argv); }
