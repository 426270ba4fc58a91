// RZX input recordings, read and written through libspectrum: "Open" of an
// .rzx loads its first snapshot and plays its frames (the port reads and the
// frame lengths of machine/input_log.h); "Record Input..." and vantro-run's
// --record keep a snapshot of the start and every frame from then on, and
// write the file when the recording stops.
#pragma once
#include <optional>
#include <string>

#include "cpu/cpu_state.h"
#include "machine/machine.h"
#include "snapshots/file_bytes.h"

// What the window and vantro-run tell about a playback that stopped.
inline constexpr char kPlaybackTitle[] = "Play RZX";
inline constexpr char kPlaybackFinished[] =
    "The recording has ended: the machine goes on live from here.";
inline constexpr char kPlaybackRanOut[] =
    "The recording ran out of port reads before its frame ended, so it no longer matches the "
    "machine: playback stopped, and the machine goes on live from here.";
// The title's notices while a recording is made or played.
inline constexpr char kPlayingNotice[] = "Playing RZX";
inline constexpr char kRecordingNotice[] = "Recording RZX";

// Loads the recording at path and starts playing it; or returns why not
// (unreadable, damaged, no snapshot to start from, no frames, another
// machine named) and changes nothing.
std::optional<FileProblem> LoadRzx(Machine& machine, CpuState& cpu, const std::string& path);
// The same for a recording already in memory (a member of an archive).
std::optional<FileProblem> LoadRzxBytes(Machine& machine, CpuState& cpu, const std::vector<std::uint8_t>& bytes);

// Starts recording into path (created now, written when the recording
// stops) from the machine as it stands; or returns why not and changes
// nothing. Called at a frame end, between the hooks' Present and the
// frame's interrupt, which it offers itself before it takes the snapshot. A recording or playback under way is
// replaced only by a successful start.
std::optional<FileProblem> StartInputRecording(Machine& machine, CpuState& cpu, const std::string& path);

// Stops the recording and writes its file; a problem if the file could not
// be written (the recording is gone either way). Nothing when no recording
// is under way.
std::optional<FileProblem> StopInputRecording(Machine& machine);
