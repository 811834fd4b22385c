// One mission, from the countdown in the console to the review and the high-score offer.
#pragma once

#include <string>

struct Recording;

// How this run's missions are played, from the command line; the defaults are the game's own.
struct MissionSettings {
    bool fullScreen = true;
    int windowWidth = 800;  // the size the window is created with
    int windowHeight = 600;
    std::string recordFile;               // every mission recorded, when not empty
    const Recording* replay = nullptr;    // the mission to play back instead of flying one
};
extern MissionSettings missionSettings;

// Plays one mission with main's own arguments and returns after the player's ENTER.
// Without an airway map or a display with OpenGL it says why and plays nothing.
void runMission(int argc, char* argv[]);

// The mission's first step: its counters back to 0.
void resetMissionCounters();
// Places the ship at the start node and the first tumor, which srand(seed) picks; the seed is
// the time since the previous mission's start, or the recording's (whose carried end-phase
// time is then restored too). Returns the seed.
unsigned spawnMission(const Recording* recording);
// "Mission Review:" and the mission's numbers, or the failure line of a destroyed ship.
void printReview();

// What the review shows of a mission that the ship survived.
struct MissionScore {
    float ratio;             // hits per hundred shots, 0 without shots
    float healthPercentage;  // 100 at full health
    int points;
};

// Health above 0 (false for NaN) means the ship survived and earns a score.
bool shipSurvived(float health);
MissionScore scoreMission(int shots, int hits, float health);
