// Host key positions for the Spectrum keyboard and the joysticks. On X11 and
// Wayland the key's scan code names its place on the keyboard whatever the
// layout; elsewhere (the offscreen platform of the tests, systems without
// scan codes) the Qt key stands in. Called by the main window's key events.
#pragma once
#include <cstdint>
#include <optional>

#include "machine/machine.h"

class QKeyEvent;

// An X11/xcb key code (evdev code + 8) of a key that reaches the machine.
std::optional<HostKey> HostKeyFromX11ScanCode(std::uint32_t scan_code);
// By Qt key where no scan code is known: letters and digits by name, Return,
// Space, Shift as CAPS SHIFT, Alt as SYMBOL SHIFT (left and right cannot be
// told apart there), arrows, Ctrl as fire.
std::optional<HostKey> HostKeyFromQtKey(int qt_key);
// Whether this platform's scan codes are X11 key codes.
bool PlatformHasX11ScanCodes();
std::optional<HostKey> HostKeyFromEvent(const QKeyEvent& event, bool x11_scan_codes);
