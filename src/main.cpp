// Oncoraider's entry point: the options, the airway map, then the console front end in key
// mode until the player shuts it down.
#include <iostream>
#include <string>
#include <vector>

#include "console/CommandLine.h"
#include "console/Menu.h"
#include "mission/Mission.h"
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
    bronchiGraph();
    missionSettings.fullScreen = options.fullScreen;
    missionSettings.windowWidth = options.windowWidth;
    missionSettings.windowHeight = options.windowHeight;

    std::vector<char*> passOn;
    for (std::string& arg : options.passOn)
        passOn.push_back(arg.data());
    passOn.push_back(nullptr);
    platform::ConsoleMode console;
    return runMainMenu(static_cast<int>(passOn.size()) - 1, passOn.data(), runMission);
}
