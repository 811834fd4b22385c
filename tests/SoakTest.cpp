// Long play: a full three-minute mission flown, turned and fired all the time, into the wall too,
// then nine short missions, all in one process: the real binary in a pseudo-terminal, its
// window on an Xvfb of the test's own. Disabled by default; CMake registers it (label "soak")
// where ONCORAIDER_SOAK is on, which ./run-tests does for its sanitizer build only.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "support/Pty.h"
#include "support/XTools.h"

namespace fs = std::filesystem;

// One second with fire held: one of the six turns, and half a second of thrust against the recoil.
static void flySecond(const xtools::Display& x, int second)
{
    const std::string turn(1, "adwsqe"[second % 6]);
    x.run("xdotool keydown space keydown " + turn +
          " keydown Up sleep 0.5 keyup Up sleep 0.5 keyup " + turn);
}

TEST(Soak, DISABLED_AFullMissionThenNineShortOnesInOneProcess)
{
    xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    const xtools::Display x(server.name());
    std::string dir = "/tmp/oncoraider-soak-XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::shared_ptr<void> removeDir(nullptr, [&](void*) { fs::remove_all(dir); });
    fs::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", server.name()}, false});
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
    ASSERT_TRUE(game.waitFor(menuEnd, 30000)) << game.output();

    for (int mission = 1; mission <= 10; ++mission) {
        const std::size_t start = game.output().size();
        game.send("m");
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        ASSERT_FALSE(window.empty())
            << "no window for mission " << mission << "\n" << game.output();
        x.pointAt(window);
        xtools::pause(1000);
        // The first flies straight up the trachea into its far wall, then on until the game
        // ends it.
        if (mission == 1)
            x.run("xdotool keydown Up sleep 8 keyup Up");
        const int seconds = mission == 1 ? 300 : 3;
        for (int second = 0; second < seconds; ++second) {
            if (game.output().find("Mission Review:", start) != std::string::npos)
                break;
            flySecond(x, second);
        }
        x.run(mission == 1 ? "xdotool keyup space" : "xdotool keyup space key Escape");
        ASSERT_TRUE(game.waitFor("Mission Review:", 30000)) << game.output().substr(start);
        EXPECT_EQ(x.run("xdotool search --onlyvisible --name '^Vantreal - Oncoraider$'"), "")
            << "the window of mission " << mission << " is still on the screen";
        // Under load a long flight may end in the wall for good: a review of its own, no name.
        ASSERT_TRUE(game.waitFor("\r\n\r\n", 30000)) << game.output().substr(start);
        const std::string review = game.output().substr(start);
        if (review.find("Ship destroyed... Mission failed!") != std::string::npos) {
            std::cout << "mission " << mission << ": the ship was destroyed\n";
            game.send("\r");
            ASSERT_TRUE(game.waitFor(menuEnd)) << review;
            continue;
        }
        ASSERT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 30000))
            << review;
        if (mission == 1) {
            const auto after = [&](const char* label) {
                const std::size_t number = review.find(label) + std::strlen(label);
                return std::strtod(review.c_str() + number, nullptr);
            };
            std::cout << "first mission: shots " << after("Shots: ") << ", health "
                      << after("Health: ") << " %\n";
            // A launch needs a second and a frame of cooldown: at most 180 shots, well over 100
            // with fire held.
            EXPECT_GE(after("Shots: "), 120) << review;
            EXPECT_LE(after("Shots: "), 180) << review;
            EXPECT_LT(after("Health: "), 100) << "no wall contact\n" << review;
        }
        game.send("pilot" + std::to_string(mission) + "\r\r");  // the name, then ENTER typed ahead
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output().substr(start);
    }

    game.send("\x1b");
    const int status = game.waitExit(60000);  // the leak check at exit takes its time
    const std::string& output = game.output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_TRUE(output.find("Sanitizer") == std::string::npos &&
                output.find("runtime error") == std::string::npos)
        << output;
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}
