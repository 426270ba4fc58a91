// Game pads through SDL2's game controller API; see sdl_gamepads.h.
#include "platform/sdl_gamepads.h"

#include <algorithm>

#include "machine/machine.h"

namespace {

// A stick pushed past about a third of its travel counts as a direction.
constexpr Sint16 kStickDeadZone = 12000;

std::uint8_t PadLines(SDL_GameController* pad) {
  auto button = [pad](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(pad, b) != 0; };
  const Sint16 x = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX);
  const Sint16 y = SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY);
  unsigned lines = 0;
  if (button(SDL_CONTROLLER_BUTTON_DPAD_UP) || y < -kStickDeadZone) lines |= kLineUp;
  if (button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) || y > kStickDeadZone) lines |= kLineDown;
  if (button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || x < -kStickDeadZone) lines |= kLineLeft;
  if (button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || x > kStickDeadZone) lines |= kLineRight;
  if (button(SDL_CONTROLLER_BUTTON_A) || button(SDL_CONTROLLER_BUTTON_B) || button(SDL_CONTROLLER_BUTTON_X) ||
      button(SDL_CONTROLLER_BUTTON_Y)) {
    lines |= kLineFire;
  }
  return static_cast<std::uint8_t>(lines);
}

SDL_JoystickID InstanceOf(SDL_GameController* pad) {
  return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
}

}  // namespace

std::unique_ptr<SdlGamepads> SdlGamepads::Open() {
  // As for the sound: SDL must leave Ctrl+C and kill to the program.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return nullptr;
  // Pads already plugged in are announced by SDL's first news.
  return std::unique_ptr<SdlGamepads>(new SdlGamepads);
}

SdlGamepads::~SdlGamepads() {
  for (SDL_GameController* pad : pads_) SDL_GameControllerClose(pad);
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void SdlGamepads::Add(int device_index, std::vector<std::string>& connected) {
  const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(device_index);
  for (SDL_GameController* pad : pads_) {
    if (InstanceOf(pad) == instance) return;
  }
  SDL_GameController* pad = SDL_GameControllerOpen(device_index);
  if (pad == nullptr) return;
  pads_.push_back(pad);
  const char* name = SDL_GameControllerName(pad);
  connected.emplace_back(name != nullptr ? name : "game pad");
}

void SdlGamepads::Remove(SDL_JoystickID instance) {
  // The pads after it move up: a second pad becomes the first.
  auto gone = std::find_if(pads_.begin(), pads_.end(), [instance](SDL_GameController* pad) {
    return InstanceOf(pad) == instance;
  });
  if (gone == pads_.end()) return;
  SDL_GameControllerClose(*gone);
  pads_.erase(gone);
}

std::vector<std::string> SdlGamepads::Poll(std::array<std::uint8_t, 2>& lines) {
  std::vector<std::string> connected;
  // Only the game controller news matter here; SDL's other events (it has
  // no window of ours) are dropped so the queue never fills.
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) {
    if (event.type == SDL_CONTROLLERDEVICEADDED) Add(event.cdevice.which, connected);
    if (event.type == SDL_CONTROLLERDEVICEREMOVED) Remove(event.cdevice.which);
  }
  for (std::size_t k = 0; k < lines.size(); ++k) lines[k] = k < pads_.size() ? PadLines(pads_[k]) : 0;
  return connected;
}
