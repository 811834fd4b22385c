// Whole frames of the real scene in a window under X (run it under Xvfb): a scripted flight with
// 0, 10 and 30 missiles in flight at 1280 x 720 and 1920 x 1080, through the game's frame tick
// and pacing. Each flight runs in blocks of frames that are drawn once the plain way (as the
// game drew them before: a glutSolidSphere per trail sphere, the walls blended) and once the
// game's way, from the same state. Prints the swap-to-swap time and the game thread's CPU time
// per frame, split into simulation, walls, trails, display and swap.
#include <benchmark/benchmark.h>

#include <GL/freeglut.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../tests/support/RealGraph.h"
#include "bodies/TrailSpheres.h"
#include "mission/FrameTick.h"
#include "mission/MissionGl.h"
#include "mission/MissionState.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "platform/Window.h"
#include "support/PlainScene.h"
#include "support/ScriptedFlight.h"
#include "world/World.h"

namespace {

double cpuMillis()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double wallMillis()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The game thread's CPU time of one frame, by part. Walls: frame start, camera, walls and
// tumors; trails: the missiles, models and trails; display: the heads-up display;
// simulation: the rest of the tick (keys, fog, wall test, motion).
struct Frame {
    double interval = 0;  // wall time from the previous buffer swap to this one
    double work = 0;      // wall time from the start of the frame to the end of its swap
    double cpu = 0;
    double walls = 0;
    double trails = 0;
    double display = 0;
    double swap = 0;
    std::size_t flightFrame = 0;  // which frame of the flight was drawn
    int spheresOnScreen = 0;      // trail spheres that could reach a pixel
    double restoring = 0;         // the benchmark's own work, left out of cpu
    double simulation() const { return cpu - walls - trails - display - swap; }
};

enum Way { plainWay, gameWay };

struct Recorder {
    Way way = gameWay;
    Frame current;
    bool swapped = false;
    double lastSwap = 0;
};
Recorder recorder;

bool inside(Vektor3D position)
{
    return insideAirway(realGraph(), bronchiWall, position);
}

// The recorded flight and the frame of it that the next frame draws.
std::vector<flight::Frame> flightFrames;
std::size_t flightFrame = 0;

void beginFrame(float)
{
    const double c0 = cpuMillis();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glFogf(GL_FOG_DENSITY, flightFrames[flightFrame].fogDensity);
    recorder.current.walls += cpuMillis() - c0;
}

// The game's drawScene and drawMissilesAndHud, call for call, cut where the parts meet, on
// the recorded frame instead of the one the tick just worked out.
void drawScene(bool, bool)
{
    const double r0 = cpuMillis();
    const flight::Frame& frame = flightFrames[flightFrame];
    frame.restore();
    const bool shipAlive = frame.shipAlive;
    const bool drawFading = frame.drawFading;
    const bool drawPlain = recorder.way == plainWay;
    const double c0 = cpuMillis();
    recorder.current.restoring += c0 - r0;
    ship.placeCamera();
    if (drawPlain)
        plain::drawWalls();
    else
        drawWalls();
    targetTumor.draw();
    if (drawFading)
        fadingTumor.draw();
    const double c1 = cpuMillis();
    recorder.current.walls += c1 - c0;
    if (!shipAlive)
        return;

    bool reached = false;
    {
        std::unique_ptr<plain::Trails> trails;
        if (drawPlain)
            trails = std::make_unique<plain::Trails>();
        for (Missile& missile : ship.missiles) {
            missile.draw();
            if ((missile.position - ship.target) <= 2.0)
                reached = true;
        }
    }
    const double c2 = cpuMillis();
    recorder.current.trails += c2 - c1;

    // The display alone: the same call with no missiles to draw.
    std::vector<Missile> missiles;
    std::swap(missiles, ship.missiles);
    ship.drawMissilesAndHud();
    std::swap(missiles, ship.missiles);
    if (reached)
        ship.tumorHit = true;
    recorder.current.display += cpuMillis() - c2;
}

void swapBuffers()
{
    const double c0 = cpuMillis();
    glutSwapBuffers();
    const double now = wallMillis();
    recorder.current.swap += cpuMillis() - c0;
    recorder.current.interval = now - recorder.lastSwap;
    recorder.lastSwap = now;
    recorder.swapped = true;
}

void stayInMainLoop() {}

// Runs frameTick as GLUT's idle loop would until one frame has been drawn.
Frame runFrame()
{
    recorder.current = Frame();
    recorder.swapped = false;
    double cpu = 0;
    double start = 0;
    while (!recorder.swapped) {
        glutMainLoopEvent();
        start = wallMillis();
        const double c0 = cpuMillis();
        frameTick();
        cpu += cpuMillis() - c0;
    }
    recorder.current.cpu = cpu - recorder.current.restoring;
    recorder.current.work = recorder.lastSwap - start;
    return recorder.current;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t at =
        static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

template <typename Part>
double medianOf(const std::vector<Frame>& frames, Part part)
{
    std::vector<double> values;
    for (const Frame& f : frames)
        values.push_back(part(f));
    return percentile(values, 0.5);
}

struct Summary {
    double intervalMedian, intervalP95, work;
    double cpu, simulation, walls, trails, display, swap;
    double spheres;
};

Summary summarise(const std::vector<Frame>& frames)
{
    std::vector<double> intervals;
    for (const Frame& f : frames)
        intervals.push_back(f.interval);
    return {percentile(intervals, 0.5),
            percentile(intervals, 0.95),
            medianOf(frames, [](const Frame& f) { return f.work; }),
            medianOf(frames, [](const Frame& f) { return f.cpu; }),
            medianOf(frames, [](const Frame& f) { return f.simulation(); }),
            medianOf(frames, [](const Frame& f) { return f.walls; }),
            medianOf(frames, [](const Frame& f) { return f.trails; }),
            medianOf(frames, [](const Frame& f) { return f.display; }),
            medianOf(frames, [](const Frame& f) { return f.swap; }),
            medianOf(frames, [](const Frame& f) { return double(f.spheresOnScreen); })};
}

void printHeader()
{
    static bool printed = false;
    if (printed)
        return;
    printed = true;
    double load[3] = {0, 0, 0};
    std::ifstream("/proc/loadavg") >> load[0] >> load[1] >> load[2];
    std::printf("\nFrames of the real scene; medians over the frames unless marked p95; ms.\n"
                "Load average at start: %.2f %.2f %.2f\n",
                load[0], load[1], load[2]);
    std::printf("%-10s %8s %-6s | %8s %8s %7s | %7s %7s %7s %7s %7s %7s | %7s\n", "window",
                "missiles", "way", "interval", "int.p95", "work", "cpu", "sim", "walls", "trails",
                "display", "swap", "spheres");
}

void printRow(int width, int height, int missiles, const char* way, const Summary& s)
{
    char size[32];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    std::printf(
        "%-10s %8d %-6s | %8.2f %8.2f %7.2f | %7.2f %7.3f %7.2f %7.2f %7.2f %7.2f | %7.0f\n", size,
        missiles, way, s.intervalMedian, s.intervalP95, s.work, s.cpu, s.simulation, s.walls,
        s.trails, s.display, s.swap, s.spheres);
    std::fflush(stdout);
}

void setCounters(benchmark::State& state, const std::string& prefix, const Summary& s)
{
    state.counters[prefix + "IntervalMs"] = s.intervalMedian;
    state.counters[prefix + "IntervalP95Ms"] = s.intervalP95;
    state.counters[prefix + "WorkMs"] = s.work;
    state.counters[prefix + "CpuMs"] = s.cpu;
    state.counters[prefix + "TrailsMs"] = s.trails;
}

bool glutReady()
{
    static int ready = -1;
    if (ready < 0) {
        ready = 0;
        int argc = 1;
        char name[] = "oncoraider_bench";
        char* argv[] = {name, nullptr};
        // As a mission opens its window: the same renderer threads.
        if (platform::missionDisplayProblem(argc, argv).empty()) {
            glutInit(&argc, argv);
            glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
            ready = 1;
        }
    }
    return ready == 1;
}

constexpr int blockFrames = 30;
constexpr int blocks = 8;
// Frames at the start of a block follow a frame drawn the other way.
constexpr int settlingFrames = 2;

void BM_Frame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const int missiles = static_cast<int>(state.range(2));
    if (!glutReady()) {
        state.SkipWithError("no DISPLAY: run under Xvfb");
        return;
    }
    if (realGraph().edgeCount() == 0) {
        state.SkipWithError("data/Bronchi.gra not found");
        return;
    }
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(width, height);
    const int window = glutCreateWindow("Vantreal - Oncoraider");
    glutDisplayFunc([] {});
    glutReshapeFunc(onReshape);
    // As in a mission: every frame asks the X server for the keyboard's state.
    platform::listenToMissionKeys();
    setUpMissionGl();
    for (int i = 0; i < 10; ++i)
        glutMainLoopEvent();

    flight::start(realGraph(), missiles);
    flightFrames = flight::record(blocks * blockFrames, flight::swingingKeys, inside);

    const FrameHooks saved = frameHooks;
    frameHooks = {stayInMainLoop, beginFrame, drawScene, swapBuffers, inside};
    recorder.lastSwap = wallMillis();
    std::vector<Frame> frames[2];
    for (auto _ : state) {
        for (int block = 0; block < blocks; ++block) {
            for (Way way : {plainWay, gameWay}) {
                recorder.way = way;
                for (int i = 0; i < blockFrames; ++i) {
                    flightFrame = static_cast<std::size_t>(block * blockFrames + i);
                    platform::releaseAllKeys();
                    platform::resetInput();
                    flight::swingingKeys(static_cast<int>(flightFrame));
                    Frame f = runFrame();
                    f.flightFrame = flightFrame;
                    if (i >= settlingFrames)
                        frames[way].push_back(f);
                }
            }
        }
    }
    platform::releaseAllKeys();
    platform::resetInput();
    frameHooks = saved;

    // Outside the timed frames: the trail spheres each drawn frame had on the window.
    std::vector<int> spheres(flightFrames.size(), 0);
    for (std::size_t k = 0; k < flightFrames.size(); ++k) {
        flightFrames[k].restore();
        glLoadIdentity();
        ship.placeCamera();
        const trail::View view = trail::currentView();
        for (const Missile& missile : ship.missiles)
            for (const Vektor3D& point : missile.trail)
                spheres[k] += trail::sphereReachesAPixel(view, point) ? 1 : 0;
    }
    for (auto& way : frames)
        for (Frame& f : way)
            f.spheresOnScreen = spheres[f.flightFrame];
    glutDestroyWindow(window);
    for (int i = 0; i < 10; ++i)
        glutMainLoopEvent();

    const Summary before = summarise(frames[plainWay]);
    const Summary after = summarise(frames[gameWay]);
    printHeader();
    printRow(width, height, missiles, "plain", before);
    printRow(width, height, missiles, "game", after);
    setCounters(state, "plain", before);
    setCounters(state, "game", after);
    state.counters["missiles"] = static_cast<double>(flightFrames.back().ship.missiles.size());
}
// The keyboard's state as a frame reads it: one round trip to the X server.
void BM_SampleKeyboard(benchmark::State& state)
{
    if (!glutReady()) {
        state.SkipWithError("no DISPLAY: run under Xvfb");
        return;
    }
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    const int window = glutCreateWindow("Vantreal - Oncoraider");
    glutDisplayFunc([] {});
    platform::listenToMissionKeys();
    for (auto _ : state)
        platform::sampleKeyboard();
    glutDestroyWindow(window);
    for (int i = 0; i < 10; ++i)
        glutMainLoopEvent();
}
BENCHMARK(BM_SampleKeyboard)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_Frame)
    ->ArgNames({"w", "h", "missiles"})
    ->Args({1280, 720, 0})
    ->Args({1280, 720, 10})
    ->Args({1280, 720, 30})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 10})
    ->Args({1920, 1080, 30})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
