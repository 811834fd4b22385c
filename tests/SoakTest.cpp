// Long play: a full three-minute mission flown, turned and fired all the time, into the wall
// too, then nine short missions, all in one process: the real binary in a pseudo-terminal, its
// window on an Xvfb of the test's own. Disabled by default; CMake registers it (label "soak")
// where ONCORAIDER_SOAK is on, which ./run-tests does for its sanitizer build only.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "support/Pty.h"
#include "support/XTools.h"

namespace fs = std::filesystem;

namespace {

const std::string title = "Vantreal - Oncoraider";
const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
const std::string namePrompt = "Please enter your name (without any spaces): ";

// One second of flight with fire held: one of the six turns, and half a second of thrust that
// makes up for the recoil of a shot.
void flySecond(const xtools::Display& x, int second)
{
    static const char* const turns[] = {"a", "d", "w", "s", "q", "e"};
    const std::string turn = turns[second % 6];
    x.run("xdotool keydown space keydown " + turn + " keydown Up sleep 0.5 keyup Up sleep 0.5 keyup " +
          turn);
}

double numberAfter(const std::string& text, const std::string& label)
{
    const std::size_t at = text.find(label);
    return at == std::string::npos ? -1.0 : std::strtod(text.c_str() + at + label.size(), nullptr);
}

}  // namespace

TEST(Soak, DISABLED_AFullMissionThenNineShortOnesInOneProcess)
{
    xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    const xtools::Display x(server.name());
    char pattern[] = "/tmp/oncoraider-soak-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    const std::shared_ptr<void> removeDir(nullptr, [&](void*) { fs::remove_all(dir); });
    fs::copy_file(fs::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra", dir / "Bronchi.gra");
    pty::Options options;
    options.workDir = dir.string();
    options.args = {"-display", server.name()};
    pty::Process game(ONCORAIDER_BINARY, options);
    ASSERT_TRUE(game.waitFor(menuEnd, 30000)) << game.output();

    for (int mission = 1; mission <= 10; ++mission) {
        const std::size_t start = game.output().size();
        game.send("m");
        const std::string window = x.waitForWindow(title);
        ASSERT_FALSE(window.empty()) << "no window for mission " << mission << "\n" << game.output();
        x.pointAt(window);
        xtools::pause(1000);
        if (mission == 1) {
            // Straight up the trachea into its far wall, then on until the game ends the mission.
            x.run("xdotool keydown Up sleep 8 keyup Up");
            for (int second = 0; second < 300; ++second) {
                if (game.output().find("Mission Review:", start) != std::string::npos)
                    break;
                flySecond(x, second);
            }
        } else {
            for (int second = 0; second < 3; ++second)
                flySecond(x, second);
            x.key("Escape");
        }
        x.run("xdotool keyup space");
        ASSERT_TRUE(game.waitFor("Mission Review:", 30000))
            << "no review of mission " << mission << "\n" << game.output();
        ASSERT_TRUE(game.waitFor(namePrompt, 10000)) << "the ship was destroyed?\n" << game.output().substr(start);
        const std::string review = game.output().substr(start);
        if (mission == 1) {
            std::cout << "first mission: shots " << numberAfter(review, "Shots: ") << ", health "
                      << numberAfter(review, "Health: ") << " %" << std::endl;
            // The launch cooldown allows one shot per second and a frame: at most 180 in three
            // minutes, and well over 100 when fire is held throughout.
            const double shots = numberAfter(review, "Shots: ");
            EXPECT_LE(shots, 180) << review;
            EXPECT_GE(shots, 120) << review;
            // The name prompt means the ship survived; below full health, it touched the wall.
            EXPECT_LT(numberAfter(review, "Health: "), 100) << "no wall contact\n" << review;
        }
        game.send("pilot" + std::to_string(mission) + "\r");
        ASSERT_TRUE(game.waitFor("(Press [ENTER] to continue)")) << game.output().substr(start);
        game.send("\r");
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output().substr(start);
    }

    game.send("\x1b");
    const int status = game.waitExit(60000);  // the leak check at exit takes its time
    const std::string& output = game.output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
    EXPECT_EQ(output.find("runtime error"), std::string::npos) << output;
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}
