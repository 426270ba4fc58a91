// The tape as the player sees it in the main window's title: which tape is
// in, the block it stands at and whether it plays. Called by the main
// window at every frame end and by vantro-run's --tape-status.
#pragma once
#include <string>

#include "machine/machine.h"

inline constexpr char kTapeStatusPrefix[] = "Tape: ";
inline constexpr char kTapePlaying[] = "playing";
// PLAY is down, but the motor waits for a loader to read the tape.
inline constexpr char kTapeWaiting[] = "waiting for a loader";
inline constexpr char kTapeStopped[] = "stopped";
inline constexpr char kTapeAtEnd[] = "at its end";

// "Tape: game.tap, block 3 of 12, playing"; empty while no tape is in.
std::string TapeStatusText(const Machine& machine);
