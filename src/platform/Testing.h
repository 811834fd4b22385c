// Tests only: a scripted clock, scripted console bytes, and a clean slate of keys.
#pragma once

#include <string>

namespace platform {

// A scripted clock that sleeping advances instead of waiting.
void useScriptedClock(int startMillis);
void advanceClock(int ms);
void useRealClock();

// Bytes that arrive as if typed on the terminal once the clock reaches atMillis.
void feedInput(const std::string& bytes, int atMillis = 0);
// Forgets queued bytes, pending presses and held keys.
void resetInput();

}  // namespace platform
