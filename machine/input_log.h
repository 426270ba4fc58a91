// The input recording being made or played (RZX): per frame the number of
// opcode fetches it lasts and the bytes its port reads returned. Plain data
// in Machine, beside the hardware rather than in it, so going back in time
// does not rewrite the recording. The port bus path (computer/
// computer_bus.h) feeds or takes the bytes, the frame-end decision
// (computer/input_frames.h) closes or starts frames, snapshots/rzx.h reads
// and writes the files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class InputLogMode : std::uint8_t { off, recording, playing };
// Why a playback stopped, for whoever tells the user; none while nothing
// is left to tell.
enum class InputLogEnd : std::uint8_t { none, finished, ran_out };

struct InputLog {
  InputLogMode mode = InputLogMode::off;
  // Frame k lasts frame_fetches[k] opcode fetches and its port reads are
  // port_bytes[frame_starts[k]] up to frame_starts[k + 1] (the last entry
  // of frame_starts is where the next frame's reads begin).
  std::vector<std::uint32_t> frame_fetches;
  std::vector<std::size_t> frame_starts{0};
  std::vector<std::uint8_t> port_bytes;
  std::size_t frame = 0;      // playing: the frame under way
  std::size_t next_byte = 0;  // playing: the next port read's byte
  bool ran_out = false;       // playing: a read found its frame's bytes used up
  InputLogEnd ended = InputLogEnd::none;
  // recording: the file the recording goes to when it stops, and the
  // snapshot (SZX bytes) it starts from.
  std::string path;
  std::vector<std::uint8_t> start_snapshot;
};

// Every port read passes here while a recording is made or played: the
// live byte is kept, or replaced by the recorded one. A playback that has no
// byte left in its frame gives the live byte and says so; the frame end
// stops it.
inline std::uint8_t LogPortRead(InputLog& log, std::uint8_t live) {
  if (log.mode == InputLogMode::recording) {
    log.port_bytes.push_back(live);
    return live;
  }
  if (log.next_byte < log.frame_starts[log.frame + 1]) return log.port_bytes[log.next_byte++];
  log.ran_out = true;
  return live;
}
