// The main menu cycle, polling the keys every 100 ms, and the controls and high-score screens.
#include "console/Menu.h"

#include "console/HighScores.h"
#include "platform/Platform.h"

#include <iostream>

namespace {

const char* const escapeHint = "(Press [ESC] in order to get back to the Main Menu)";

void holdOn()
{
    std::cout << "Please hold on while your command is being processed..." << std::endl;
    platform::sleepMillis(1000);
}

void waitForEscape()
{
    while (!platform::keyPressed(platform::key::escape))
        platform::sleepMillis(100);
}

void showControls()
{
    printBanner();
    std::cout << "Controls:" << std::endl
              << "---------" << std::endl
              << "[UP]    - Forward impulse" << std::endl
              << "[DOWN]  - Backward impule" << std::endl
              << "[LEFT]  - Left side impulse" << std::endl
              << "[RIGHT] - Right side impulse" << std::endl
              << std::endl
              << "[R]     - Up impulse" << std::endl
              << "[F]     - Down impulse" << std::endl
              << "[A]     - Yaw left impulse" << std::endl
              << "[D]     - Yaw right impulse" << std::endl
              << "[S]     - Pitch up impulse" << std::endl
              << "[W]     - Pitch down impulse" << std::endl
              << "[Q]     - Roll left impulse" << std::endl
              << "[E]     - Roll right impulse" << std::endl
              << std::endl
              << "[SPACE] - Fire missile" << std::endl
              << escapeHint << std::endl;
    waitForEscape();
    holdOn();
}

void showHighScoreScreen()
{
    printBanner();
    std::cout << "Highscores:" << std::endl << "-----------" << std::endl;
    showHighScores();
    std::cout << std::endl << escapeHint << std::endl;
    waitForEscape();
    holdOn();
}

}  // namespace

void printBanner()
{
    platform::clearConsole();
    const char* const rule = "+++++++++++++++++++++++++++++++++++++++++++++++";
    std::cout << rule << std::endl
              << "                  Vantreal" << std::endl
              << "                 Oncoraider " << std::endl
              << rule << std::endl
              << std::endl;
}

int runMainMenu(int argc, char* argv[], MissionRunner runMission)
{
    bool quitRequest = false;
    bool missionRequest = false;
    bool controlsRequest = false;
    bool highScoreRequest = false;
    do {
        printBanner();
        std::cout << "Main Menu:" << std::endl
                  << "----------" << std::endl
                  << "[M] - Start Mission" << std::endl
                  << "[H] - Show Highscores" << std::endl
                  << "[C] - Show Controls" << std::endl
                  << "[ESC] - Shut down Vantreal Flight Control Interface" << std::endl
                  << std::endl;
        // Every key is read in every poll, so keys pressed together are all served below.
        do {
            quitRequest = platform::keyPressed(platform::key::escape);
            if (runMission != nullptr)
                missionRequest = platform::keyPressed(platform::key::m);
            controlsRequest = platform::keyPressed(platform::key::c);
            highScoreRequest = platform::keyPressed(platform::key::h);
            platform::sleepMillis(100);
        } while (!quitRequest && !missionRequest && !controlsRequest && !highScoreRequest);
        holdOn();
        if (missionRequest) {
            missionRequest = false;
            runMission(argc, argv);
        }
        if (controlsRequest) {
            controlsRequest = false;
            showControls();
        }
        if (highScoreRequest) {
            highScoreRequest = false;
            showHighScoreScreen();
        }
    } while (!quitRequest);
    return 0;
}
