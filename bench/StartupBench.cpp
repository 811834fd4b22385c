// The real game in a pseudo-terminal: the time from starting it to its main menu, and the
// processor time it takes while the menu waits for a key (as a share of one core). The game
// binary is looked for next to the benchmark's build directory, run in data/ for its map.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/Pty.h"

namespace {

namespace fs = std::filesystem;

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

fs::path gameBinary()
{
    return fs::canonical("/proc/self/exe").parent_path().parent_path() / "oncoraider";
}

fs::path dataDirectory()
{
    return fs::path(__FILE__).parent_path().parent_path() / "data";
}

bool canRun(benchmark::State& state)
{
    if (!fs::exists(gameBinary()) || !fs::exists(dataDirectory() / "Bronchi.gra")) {
        state.SkipWithError("the game binary or data/Bronchi.gra is missing");
        return false;
    }
    return true;
}

pty::Process startGame()
{
    return pty::Process(gameBinary().string(), dataDirectory().string());
}

void shutDown(pty::Process& game)
{
    game.send("\x1b");
    game.waitExit(5000);
}

// Nanoseconds the process has run on a processor so far (all its threads).
double cpuNanoseconds(pid_t pid)
{
    double total = 0;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::ifstream stat(task.path() / "schedstat");
        double onCpu = 0;
        if (stat >> onCpu)
            total += onCpu;
    }
    return total;
}

void BM_StartupToMenu(benchmark::State& state)
{
    if (!canRun(state))
        return;
    std::vector<double> times;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pty::Process game = startGame();
        if (!game.waitFor(menuEnd, 10000)) {
            state.SkipWithError("no menu");
            return;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        state.PauseTiming();
        shutDown(game);
        state.ResumeTiming();
    }
    std::sort(times.begin(), times.end());
    state.counters["medianMs"] = times[times.size() / 2];
    state.counters["maxMs"] = times.back();
}
BENCHMARK(BM_StartupToMenu)->Iterations(20)->Unit(benchmark::kMillisecond);

// The menu redraws itself and polls the keys every 100 ms; between polls it sleeps.
void BM_MenuIdleShareOfACore(benchmark::State& state)
{
    if (!canRun(state))
        return;
    for (auto _ : state) {
        pty::Process game = startGame();
        if (!game.waitFor(menuEnd, 10000)) {
            state.SkipWithError("no menu");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const double cpu0 = cpuNanoseconds(game.pid());
        const auto wall0 = std::chrono::steady_clock::now();
        // Keep reading its output, as a terminal would, while it idles.
        const auto until = wall0 + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < until)
            game.waitFor("\x01", 100);
        const double cpu = cpuNanoseconds(game.pid()) - cpu0;
        const double wall = std::chrono::duration<double, std::nano>(
                                std::chrono::steady_clock::now() - wall0)
                                .count();
        state.counters["percentOfACore"] = 100.0 * cpu / wall;
        shutDown(game);
    }
}
BENCHMARK(BM_MenuIdleShareOfACore)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
