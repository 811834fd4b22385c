// A stand-in for the few GL, GLU and GLUT entry points the game's drawing calls: each call is
// appended to a log (name and arguments widened to double) instead of reaching a driver.
#pragma once

#include <string>
#include <vector>

struct GlCall {
    std::string name;
    std::vector<double> args;
};

namespace glrecorder {

// A draw from client arrays is logged as its call, followed by one entry of this name per
// index it draws: index, position (3), normal (3), colour (4), read through the array pointers
// set at the time. An array that is not enabled reads as NaN.
constexpr const char* element = "element";

// Clears the log; calls from now on are logged.
void start();
// The calls logged since start().
const std::vector<GlCall>& calls();
// Benchmarks: calls are only counted, not logged.
void countOnly();
long long callCount();

// Client arrays enabled now and not disabled since.
int enabledClientArrays();

// What glGet answers for the projection and model-view matrices (column-major) and the
// viewport. start() restores a view in which every point within 1000 of the origin is on
// screen and a sphere of radius 0.02 covers thousands of pixels.
void setView(const double projection[16], const double modelView[16], const int viewport[4]);

}  // namespace glrecorder
