// Game pads through SDL2's game controller support: the pads in the order
// they were plugged in, read as joystick lines at each frame end. The first
// drives the interface chosen under "Hardware", the second Interface 2's
// other port (Machine.pad_lines). Pads come and go while the program runs.
// Start-up opens it beside the sound output; without SDL's game controller
// subsystem there are no pads and nothing else changes.
#pragma once
#include <SDL.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SdlGamepads {
 public:
  ~SdlGamepads();
  SdlGamepads(const SdlGamepads&) = delete;
  SdlGamepads& operator=(const SdlGamepads&) = delete;

  // Nothing when SDL's game controller subsystem cannot start.
  static std::unique_ptr<SdlGamepads> Open();

  // Takes SDL's plug and unplug news, then fills `lines` (JoystickLine bits)
  // from the first two pads: d-pad or left stick for the directions, any
  // face button for fire. Returns the names of the pads plugged in since
  // the last call.
  std::vector<std::string> Poll(std::array<std::uint8_t, 2>& lines);
  int count() const { return static_cast<int>(pads_.size()); }

 private:
  SdlGamepads() = default;
  void Add(int device_index, std::vector<std::string>& connected);
  void Remove(SDL_JoystickID instance);

  std::vector<SDL_GameController*> pads_;
};
