// CPU cost of the game's drawing code itself: the stand-in only counts the calls, so these
// figures leave out the driver and the rasteriser.
#include <benchmark/benchmark.h>

#include "GlRecorder.h"
#include "bodies/Schiff.h"

namespace {

Schiff shipWithMissiles(int count) {
    Schiff ship(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(), Vektor3D());
    ship.target = Vektor3D(3, -2, 50);
    while (static_cast<int>(ship.missiles.size()) < count) {
        ship.fire();
        ship.update(30);
    }
    return ship;
}

void BM_MissileDraw(benchmark::State& state) {
    glrecorder::start(false);
    Schiff ship = shipWithMissiles(1);
    Missile& missile = ship.missiles.front();
    const long long before = glrecorder::callCount();
    for (auto _ : state) {
        missile.draw();
        benchmark::ClobberMemory();
    }
    state.counters["glCallsPerDraw"] = static_cast<double>(glrecorder::callCount() - before) /
                                       static_cast<double>(state.iterations());
}
BENCHMARK(BM_MissileDraw);

void BM_MissilesAndHudWith30Missiles(benchmark::State& state) {
    glrecorder::start(false);
    Schiff ship = shipWithMissiles(30);
    ship.placeCamera();
    for (auto _ : state) {
        ship.drawMissilesAndHud();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MissilesAndHudWith30Missiles);

}  // namespace
