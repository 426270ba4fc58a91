// The text standing on the Spectrum's screen, read as a person would read
// it: every 8x8 cell of the display matched against the character set of
// the ROM in memory (codes 32-127 at 3D00h), ink on paper or inverted.
// Used by vantro-run's --until-text once per frame.
#pragma once
#include <string>
#include <string_view>

struct Machine;

// The 24 rows of 32 cells, one after another without line breaks, so text
// that the ROM wrapped onto the next row is found whole; a cell that holds
// no character of the set reads as '\0'.
std::string ScreenText(const Machine& machine);

bool TextOnScreen(const Machine& machine, std::string_view text);
