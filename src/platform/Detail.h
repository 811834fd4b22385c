// Inside the platform layer only: what the shared key state needs from the console and the
// window system of each operating system.
#pragma once

#include <array>

namespace platform::detail {

constexpr int keyCount = 256;  // virtual-key codes
using KeyboardState = std::array<bool, keyCount>;

// A key press seen on the console: it counts once, at the next query of that key.
void notePress(int code);

// Turns what the console has received since the last call into presses (never blocks).
void pumpConsoleInput();
// Drops console input received but not yet taken (tests).
void forgetConsoleInput();

// Starts watching the mission window just created (the current GLUT window): its focus, and
// later its end.
void watchMissionWindow();

// Which keys the keyboard holds down now, for the mission window; false while there is no
// mission window whose keys could be read (the window's own events then stand alone).
bool readKeyboard(KeyboardState& down);

}  // namespace platform::detail
