// The only door to the operating system: keys, the clock, sleeping and the console.
// Game code names keys by Windows virtual-key codes and never asks the OS itself.
#pragma once

#include <string>

namespace platform {

namespace key {
constexpr int enter = 0x0D;
constexpr int escape = 0x1B;
constexpr int space = 0x20;
constexpr int left = 0x25;
constexpr int up = 0x26;
constexpr int right = 0x27;
constexpr int down = 0x28;
}  // namespace key

// True when the key is down now or was pressed since the previous query of that key.
bool keyPressed(int code);

// Elapsed wall time in milliseconds since the process started (not CPU time).
int elapsedMillis();
void sleepMillis(int ms);

// Clears the console and homes the cursor; nothing when standard output is not a terminal.
void clearConsole();

// Reads one whitespace-delimited word from the console's byte queue, echoing it.
std::string readWord();

// Key events from the mission window, or from tests.
void keyDown(int code);
void keyUp(int code);
void releaseAllKeys();

// Tests: a scripted clock that sleeping advances instead of waiting.
void useScriptedClock(int startMillis);
void advanceClock(int ms);

}  // namespace platform
