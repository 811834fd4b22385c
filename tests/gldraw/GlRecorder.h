// A stand-in for the GL, GLU and GLUT entry points the game's drawing calls: each call is
// appended to a log (name and arguments widened to double) instead of reaching a driver.
#pragma once

#include <string>
#include <vector>

struct GlCall {
    std::string name;
    std::vector<double> args;
};
using Calls = std::vector<GlCall>;

namespace glrecorder {

// An array draw is logged as its call, then one entry of this name per index it draws:
// position (3), normal (3), colour (4), read through the array pointers set at the time. An
// array not enabled or not of packed floats of that size, an index outside the draw's range and
// indices not of unsigned short read as NaN.
constexpr const char* element = "element";
// The display list glGenLists hands out.
constexpr unsigned list = 7;

// Clears the log; calls from now on are logged, or for benchmarks only counted. Whatever was
// called, glGet answers the game's gluPerspective(45, 1, 1, 1000), an identity model-view and
// the game's 800 x 600 viewport.
void start(bool log = true);
const Calls& calls();
long long callCount();
// Client arrays enabled now and not disabled since.
int enabledClientArrays();

}  // namespace glrecorder
