// Elapsed wall time and sleeping, with a scripted clock that tests advance by hand.
#include "platform/Platform.h"
#include "platform/Testing.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The zero of game time. Taken before every other global (priority 101) so that code running
// during static initialisation already reads small, meaningful times.
const SteadyClock::time_point processStart __attribute__((init_priority(101))) = SteadyClock::now();

bool scripted = false;
int scriptedNow = 0;

}  // namespace

int elapsedMillis()
{
    if (scripted)
        return scriptedNow;
    auto elapsed = SteadyClock::now() - processStart;
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void sleepMillis(int ms)
{
    if (ms <= 0)
        return;
    if (scripted)
        scriptedNow += ms;
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void useScriptedClock(int startMillis)
{
    scripted = true;
    scriptedNow = startMillis;
}

void advanceClock(int ms)
{
    scriptedNow += ms;
}

void useRealClock()
{
    scripted = false;
}

}  // namespace platform
