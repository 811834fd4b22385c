// A stand-in for the few GL, GLU and GLUT entry points the game's drawing calls: each call is
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
// array not enabled or not of packed floats, an index outside the draw's range and indices not
// of unsigned short read as NaN.
constexpr const char* element = "element";

// Clears the log and restores the default view; calls from now on are logged.
void start();
const Calls& calls();
// Benchmarks: calls are only counted, not logged.
void countOnly();
long long callCount();

// Client arrays enabled now and not disabled since.
int enabledClientArrays();

// What glGet answers for the projection and model-view matrices (column-major; a null
// model-view keeps the identity) and the viewport. The default view shows every point within
// 1000 of the origin, and a sphere of radius 0.02 there covers thousands of pixels.
void setView(const double projection[16], const double modelView[16], const int viewport[4]);

}  // namespace glrecorder
