// Per-frame cost of the game objects: the ship's update with a full missile list, and the
// missiles' drawing through the real GL (needs a display, e.g. Xvfb; skipped without one).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

#include "bodies/Schiff.h"

namespace {

// A ship that has held [SPACE] in 30 ms frames until `count` missiles fly, turning slowly
// so that the missiles inherit some spin.
Schiff shipWithMissiles(std::size_t count) {
    Schiff ship(Vektor3D(), Vektor3D(0, 1, 0), Vektor3D(0, 0, 1), Vektor3D(0.1, 0, 0.3),
                Vektor3D(0.00002, 0.00003, 0));
    ship.target = Vektor3D(3, -2, 50);
    while (ship.missiles.size() < count) {
        ship.fire();
        ship.update(30);
    }
    return ship;
}

// One frame of the tick's ship work with [SPACE] held: about 30 missiles stay in flight, one
// launch and one expiry (shifting the list) every 34 frames.
void BM_SchiffUpdateWith30Missiles(benchmark::State& state) {
    Schiff ship = shipWithMissiles(30);
    std::size_t inFlight = 0;
    for (auto _ : state) {
        ship.fire();
        ship.update(30);
        inFlight += ship.missiles.size();
        benchmark::DoNotOptimize(ship.missiles.data());
    }
    state.counters["missilesInFlight"] =
        static_cast<double>(inFlight) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SchiffUpdateWith30Missiles);

// The mission's fixed render state, close enough for timing.
bool openMesaWindow() {
    static int state = -1;
    if (state >= 0) {
        return state == 1;
    }
    state = 0;
    if (std::getenv("DISPLAY") == nullptr) {
        return false;
    }
    int argc = 1;
    char name[] = "oncoraider_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutCreateWindow("oncoraider bench");
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45.0, 1.0, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT1);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP2);
    state = 1;
    return true;
}

// One missile with a full trail, drawn and finished (glFinish) per iteration.
void BM_MissileDrawMesa(benchmark::State& state) {
    if (!openMesaWindow()) {
        state.SkipWithError("no DISPLAY");
        return;
    }
    Schiff ship = shipWithMissiles(1);
    for (int i = 0; i < 100; ++i) {
        ship.update(30);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    ship.placeCamera();
    Missile& missile = ship.missiles.front();
    for (auto _ : state) {
        missile.draw();
        glFinish();
    }
}
BENCHMARK(BM_MissileDrawMesa)->Unit(benchmark::kMicrosecond);

// The whole scene pass of a frame with 30 missiles: missiles, hit test and display.
void BM_MissilesAndHudMesa30(benchmark::State& state) {
    if (!openMesaWindow()) {
        state.SkipWithError("no DISPLAY");
        return;
    }
    Schiff ship = shipWithMissiles(30);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        ship.placeCamera();
        ship.drawMissilesAndHud();
        glFinish();
    }
}
BENCHMARK(BM_MissilesAndHudMesa30)->Unit(benchmark::kMicrosecond);

}  // namespace
