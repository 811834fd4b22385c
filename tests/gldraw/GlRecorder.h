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

// Clears the log; calls from now on are logged.
void start();
// The calls logged since start().
const std::vector<GlCall>& calls();
// Benchmarks: calls are only counted, not logged.
void countOnly();
long long callCount();

}  // namespace glrecorder
