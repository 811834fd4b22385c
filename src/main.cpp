// Oncoraider's entry point: the options, the airway map, then the console front end in key
// mode until the player shuts it down (or the one recorded mission to play back).
#include <iostream>
#include <string>
#include <vector>

#include "console/CommandLine.h"
#include "console/Menu.h"
#include "mission/Mission.h"
#include "mission/Recording.h"
#include "mission/Replay.h"
#include "platform/Platform.h"
#include "world/World.h"

int main(int argc, char* argv[])
{
    CommandLine options;
    const std::string problem = parseCommandLine(argc, argv, options);
    if (!problem.empty()) {
        std::cerr << problem << std::endl;
        return 2;
    }
    if (options.help) {
        printUsage();
        return 0;
    }
    if (options.version) {
        printVersion();
        return 0;
    }
    if (!options.verifyFile.empty())
        return verifyRecording(options.verifyFile);

    bronchiGraph();
    Recording replay;
    if (!options.replayFile.empty()) {
        const std::string bad = checkRecording(options.replayFile, replay);
        if (!bad.empty()) {
            std::cerr << "oncoraider: " << bad << std::endl;
            return 2;
        }
        missionSettings.replay = &replay;
    }
    missionSettings.fullScreen = options.fullScreen;
    missionSettings.windowWidth = options.windowWidth;
    missionSettings.windowHeight = options.windowHeight;
    missionSettings.recordFile = options.recordFile;

    std::vector<char*> passOn;
    for (std::string& arg : options.passOn)
        passOn.push_back(arg.data());
    passOn.push_back(nullptr);
    const int passOnCount = static_cast<int>(passOn.size()) - 1;
    platform::ConsoleMode console;
    if (missionSettings.replay != nullptr) {
        runMission(passOnCount, passOn.data());
        return 0;
    }
    return runMainMenu(passOnCount, passOn.data(), runMission);
}
