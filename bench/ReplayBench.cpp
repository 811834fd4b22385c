// What --verify takes for a full three-minute mission: the committed recording (7040 frames)
// read and flown without a window. Run from data/, where the game's airway map is.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "mission/Recording.h"
#include "mission/Replay.h"
#include "world/World.h"

namespace {

void BM_VerifyFullMission(benchmark::State& state)
{
    loadBronchiGraphQuietly();
    if (bronchiGraph().edgeCount() == 0) {
        state.SkipWithError("run from data/, where Bronchi.gra is");
        return;
    }
    const std::string file = (std::filesystem::path(__FILE__).parent_path().parent_path() /
                              "tests/recordings/full-mission.rpl")
                                 .string();
    for (auto _ : state) {
        Recording recording;
        const std::string problem = checkRecording(file, recording);
        if (!problem.empty())
            state.SkipWithError(problem.c_str());
        benchmark::DoNotOptimize(recording.frames.data());
    }
}
BENCHMARK(BM_VerifyFullMission)->Unit(benchmark::kMillisecond);

}  // namespace
