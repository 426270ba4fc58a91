// vantro-run's --type notation: text turned into key chords on the Spectrum
// keyboard, pressed one after another through Machine.host_keys.
//
//   a-z 0-9 space    the key itself (lower case letters: no shift)
//   A-Z              CAPS SHIFT + the letter
//   newline          ENTER
//   " ; : , . + - * / = < > ( ) $ ! @ # % & ' _ ? ^
//                    SYMBOL SHIFT + the key that carries the sign
//   {NAME}           one key by name: ENTER SPACE CS SS A-Z 0-9
//   {CS+X} {SS+X}    keys held together, any number joined by '+'
//   {DELETE} {EDIT} {BREAK} {EXTEND} {GRAPHICS} {CAPSLOCK}
//   {LEFT} {DOWN} {UP} {RIGHT}
//                    the 48K's shifted keys (CS+0, CS+1, CS+SPACE, CS+SS, ...)
//   {WAIT N}         let N frames pass with no key held
//   {HOLD K+K N}     hold the named keys together for exactly N frames,
//                    then let go (no pause after: add {WAIT N})
//   {JOY D+D N}      hold the joystick's UP DOWN LEFT RIGHT FIRE for N
//                    frames, through the interface chosen (--joystick)
//
// Keyword entry is the Spectrum's own: in K mode a letter key gives its
// keyword, so LOAD "" is typed as j"" followed by a newline or {ENTER}.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct KeyChord {
  std::uint64_t keys = 0;  // HostKeyBit()s held together; 0 for a pause
  int wait_frames = 0;     // a pause of this many frames when keys is 0
  int hold_frames = 0;     // HOLD and JOY: held this long; 0: typed as a key
};

// Nothing, with a one-line reason in error, for text that cannot be typed.
std::optional<std::vector<KeyChord>> ParseTypedKeys(std::string_view text, std::string& error);
