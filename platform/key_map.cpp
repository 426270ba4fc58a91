// Scan code and Qt key tables behind the held-key set of the main window.
#include "platform/key_map.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <array>
#include <utility>

namespace {

// X11 key codes of a PC keyboard (evdev + 8), by Spectrum matrix position.
constexpr std::array<std::pair<std::uint32_t, HostKey>, 45> kX11Keys = {{
    {50, HostKey::LeftShift}, {52, HostKey::Z}, {53, HostKey::X}, {54, HostKey::C},
    {55, HostKey::V},
    {38, HostKey::A}, {39, HostKey::S}, {40, HostKey::D}, {41, HostKey::F}, {42, HostKey::G},
    {24, HostKey::Q}, {25, HostKey::W}, {26, HostKey::E}, {27, HostKey::R}, {28, HostKey::T},
    {10, HostKey::Digit1}, {11, HostKey::Digit2}, {12, HostKey::Digit3},
    {13, HostKey::Digit4}, {14, HostKey::Digit5},
    {19, HostKey::Digit0}, {18, HostKey::Digit9}, {17, HostKey::Digit8},
    {16, HostKey::Digit7}, {15, HostKey::Digit6},
    {33, HostKey::P}, {32, HostKey::O}, {31, HostKey::I}, {30, HostKey::U}, {29, HostKey::Y},
    {36, HostKey::Return}, {46, HostKey::L}, {45, HostKey::K}, {44, HostKey::J},
    {43, HostKey::H},
    {65, HostKey::Space}, {62, HostKey::RightShift}, {58, HostKey::M}, {57, HostKey::N},
    {56, HostKey::B},
    {111, HostKey::Up}, {116, HostKey::Down}, {113, HostKey::Left}, {114, HostKey::Right},
    {37, HostKey::LeftCtrl},
}};

constexpr std::array<HostKey, 26> kLetters = {
    HostKey::A, HostKey::B, HostKey::C, HostKey::D, HostKey::E, HostKey::F, HostKey::G,
    HostKey::H, HostKey::I, HostKey::J, HostKey::K, HostKey::L, HostKey::M, HostKey::N,
    HostKey::O, HostKey::P, HostKey::Q, HostKey::R, HostKey::S, HostKey::T, HostKey::U,
    HostKey::V, HostKey::W, HostKey::X, HostKey::Y, HostKey::Z};
constexpr std::array<HostKey, 10> kDigits = {
    HostKey::Digit0, HostKey::Digit1, HostKey::Digit2, HostKey::Digit3, HostKey::Digit4,
    HostKey::Digit5, HostKey::Digit6, HostKey::Digit7, HostKey::Digit8, HostKey::Digit9};

}  // namespace

std::optional<HostKey> HostKeyFromX11ScanCode(std::uint32_t scan_code) {
  for (const auto& [code, key] : kX11Keys) {
    if (code == scan_code) return key;
  }
  return std::nullopt;
}

std::optional<HostKey> HostKeyFromQtKey(int qt_key) {
  if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return kLetters[qt_key - Qt::Key_A];
  if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return kDigits[qt_key - Qt::Key_0];
  switch (qt_key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return HostKey::Return;
    case Qt::Key_Space: return HostKey::Space;
    case Qt::Key_Shift: return HostKey::LeftShift;
    case Qt::Key_Alt: return HostKey::RightShift;
    case Qt::Key_Up: return HostKey::Up;
    case Qt::Key_Down: return HostKey::Down;
    case Qt::Key_Left: return HostKey::Left;
    case Qt::Key_Right: return HostKey::Right;
    case Qt::Key_Control: return HostKey::LeftCtrl;
    default: return std::nullopt;
  }
}

bool PlatformHasX11ScanCodes() {
  const QString name = QGuiApplication::platformName();
  return name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"));
}

std::optional<HostKey> HostKeyFromEvent(const QKeyEvent& event, bool x11_scan_codes) {
  if (x11_scan_codes && event.nativeScanCode() != 0) {
    return HostKeyFromX11ScanCode(event.nativeScanCode());
  }
  return HostKeyFromQtKey(event.key());
}
