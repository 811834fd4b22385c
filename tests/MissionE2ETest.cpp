// Missions end to end: the real binary in a pseudo-terminal, its window on a private Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "support/Files.h"
#include "support/Pty.h"
#include "support/XTools.h"

namespace {

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
const std::string title = "Vantreal - Oncoraider";
const std::string namePrompt = "Please enter your name (without any spaces): ";

struct MissionEndToEnd : ::testing::Test {
    void SetUp() override
    {
        files::copyMap(dir.path());
        // Ten old pilots at -1 to -10 points: 0 ranks.
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + dir / "highscores.vxr");
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    }
    std::vector<std::string> options(std::vector<std::string> game) const
    {
        game.insert(game.end(), {"-display", server.name()});
        return game;
    }

    files::Scratch dir{"mission"};
    xtools::Server server;
    xtools::Display x{server.name()};
};

// Polls the window's size until it is the one wanted; the size it has last otherwise.
std::string awaitSize(const xtools::Display& x, const std::string& window, const std::string& size)
{
    std::string geometry;
    for (int tries = 0; tries < 100 && geometry != size; ++tries) {
        if (tries > 0)
            xtools::pause(100);
        const std::string out = x.run("xdotool getwindowgeometry " + window);
        const std::size_t at = out.find("Geometry: ");
        geometry = at == std::string::npos ? "" : out.substr(at + 10, out.find('\n', at) - at - 10);
    }
    return geometry;
}

// The last review's numbers, from "Shots:" to the points, with plain line ends.
std::string reviewNumbers(std::string output)
{
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    const std::size_t from = output.rfind("Shots: ");
    const std::size_t to = output.find("\n\n", from);
    return from == std::string::npos || to == std::string::npos ? ""
                                                                 : output.substr(from, to - from);
}

// Three missions in one process, each recorded, in a window of the size asked for: the first flies
// ahead for five seconds, the second goes to full screen and back with F11, the third pilot's 0
// points do not beat his own 0. Then the recordings fly again to the same reviews, full screen.
TEST_F(MissionEndToEnd, ThreeRecordedMissionsInOneProcessThenReplayedAndVerified)
{
    std::string reviews[3];
    pty::Process game(ONCORAIDER_BINARY, dir.path(), options({"--window=1024x768", "--record", "flight.rpl"}));
    for (int mission = 1; mission <= 3; ++mission) {
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("m");
        EXPECT_TRUE(
            game.waitFor("Deploying in 3 2 1\r\nif you can read this, press [ALT]+[TAB]\r\n"));
        const std::string window = x.waitForWindow(title);
        // The search above ignores case.
        EXPECT_EQ(x.run("xdotool getwindowname " + window), title + "\n");
        EXPECT_EQ(awaitSize(x, window, "1024x768"), "1024x768");
        x.pointAt(window);
        ASSERT_TRUE(x.awaitDrawing()) << "nothing drawn";
        if (mission == 2) {
            for (const char* size : {"1920x1080", "1024x768"}) {
                x.key("F11");
                EXPECT_EQ(awaitSize(x, window, size), size) << "F11";
            }
        }
        x.run(std::string("xdotool ") + (mission == 1 ? "keydown Up sleep 5 keyup Up " : "") +
              "keydown space sleep 0.6 keyup space key Escape");
        ASSERT_TRUE(game.waitFor("Mission Review:", 20000)) << game.output();
        EXPECT_EQ(x.run("xdotool search --onlyvisible --name '^" + title + "$'"), "")
            << "the window of mission " << mission << " is still on the screen";
        EXPECT_TRUE(game.waitFor(namePrompt, 20000)) << game.output();
        // Whether the first reaches the wall depends on the keys' timing under load.
        const std::string health = mission == 1 ? "[0-9]{1,3}(\\.[0-9]+)?" : "100";
        const std::regex review("Mission Review:\r\n-{15}\r\nShots: 1\r\nHits:  0\r\n-{19}\r\n"
                                "Ratio: 0 %\r\nHealth: " + health + " %\r\n-{19}\r\n"
                                "Total Points: 0\r\n\r\nPlease");
        EXPECT_TRUE(std::regex_search(game.output(), review)) << game.output();
        reviews[mission - 1] = reviewNumbers(game.output());
        game.send(mission == 2 ? "bo\r" : "ace\r");
        EXPECT_TRUE(game.waitFor(mission == 3 ? "HighScores not updated!\r\n\r\n"
                                              : "HighScores updated!\r\n\r\n"));
        // ESC pressed before the menu polls still counts there.
        game.send(mission < 3 ? "\r" : "\r\x1b");
    }
    EXPECT_EQ(xtools::run("head -n 3 " + dir / "highscores.vxr"), "ace 0\nbo 0\nold1 -1\n");
    EXPECT_EQ(game.waitExit(15000), 0) << game.output();

    for (const auto& [file, mission] : {std::pair{"flight.rpl", 0}, {"flight-3.rpl", 2}}) {
        const std::string verified =
            xtools::run("cd " + dir.path() + " && " ONCORAIDER_BINARY " --verify " + file);
        EXPECT_EQ(reviewNumbers(verified), reviews[mission]) << file;
    }
    pty::Process replay(ONCORAIDER_BINARY, dir.path(), options({"--replay=flight-2.rpl"}));
    // It may show at its first size before the switch to full screen arrives.
    EXPECT_EQ(awaitSize(x, x.waitForWindow(title), "1920x1080"), "1920x1080");
    ASSERT_TRUE(replay.waitFor("(Press [ENTER] to continue)", 40000)) << replay.output();
    EXPECT_EQ(reviewNumbers(replay.output()), reviews[1]);
    EXPECT_EQ(replay.output().find("Please enter your name"), std::string::npos)
        << "no score offer";
    replay.send("\r");
    EXPECT_EQ(replay.waitExit(15000), 0) << replay.output();
}

TEST_F(MissionEndToEnd, WithoutADisplayTheMenuSaysWhyAndCarriesOn)
{
    pty::Process game(ONCORAIDER_BINARY, dir.path(), {"-display", ":9999"});
    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("m\r");  // the ENTER pressed ahead counts when the message waits for it
    EXPECT_TRUE(game.waitFor("No mission: cannot open the X display \":9999\"")) << game.output();
    EXPECT_TRUE(game.waitFor(menuEnd)) << game.output();
}

}  // namespace
