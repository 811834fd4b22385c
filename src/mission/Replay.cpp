// Flying a recording without a window: the frames of the real frame tick with no GL behind them,
// the hit test included.
#include "mission/Replay.h"

#include <fstream>
#include <iostream>

#include "mission/FrameTick.h"
#include "mission/Mission.h"
#include "mission/MissionState.h"
#include "mission/Recording.h"
#include "world/World.h"

namespace {

bool left = false;

// What the frame's drawing does to the game: the hit test, while the ship is alive.
void markHits(bool shipAlive, bool)
{
    if (shipAlive)
        ship.markTumorHit();
}

// Which frame of the recording is wrong, or empty.
std::string fly(const Recording& recording)
{
    const FrameHooks saved = frameHooks;
    frameHooks = {[] { left = true; }, [](float) {}, markHits, [] {}, insideAirway};
    left = false;
    resetMissionCounters();
    frameMillis = 0;
    spawnMission(&recording);
    std::string problem;
    for (std::size_t i = 0; i < recording.frames.size() && problem.empty(); ++i) {
        const RecordedFrame& frame = recording.frames[i];
        const std::string line = "line " + std::to_string(i + 4) + ": ";
        if (left)
            problem = line + "a frame after the end of the mission";
        else if (frame.keys != 0 && !(ship.timeLeft > 0 && ship.health > 0))
            problem = line + "keys in a frame after the ship's end";
        frameMillis = frame.millis;
        playFrame(frame.keys);
    }
    if (problem.empty() && !left)
        problem = "the recording stops before its mission ends";
    frameHooks = saved;
    return problem;
}

}  // namespace

std::string checkRecording(const std::string& file, Recording& recording)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return file + ": cannot open the file";
    std::string problem = readRecording(in, recording);
    if (problem.empty() && bronchiGraph().edgeCount() == 0)
        problem = "no airway map in ./Bronchi.gra to fly it in";
    if (problem.empty())
        problem = fly(recording);
    return problem.empty() ? problem : file + ": " + problem;
}

int verifyRecording(const std::string& file)
{
    loadBronchiGraphQuietly();
    Recording recording;
    const std::string problem = checkRecording(file, recording);
    if (!problem.empty()) {
        std::cerr << "oncoraider: " << problem << std::endl;
        return 2;
    }
    printReview();
    return 0;
}
