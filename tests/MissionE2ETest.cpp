// Missions end to end: the real binary in a pseudo-terminal, its window on a private Xvfb.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/Window.h"
#include "support/Pty.h"
#include "support/XTools.h"

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

struct MissionEndToEnd : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        std::filesystem::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
        // Ten old pilots at -1 to -10 points: 0 ranks.
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + dir + "/highscores.vxr");
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string dir = "/tmp/oncoraider-mission-XXXXXX";
    xtools::Server server;
    xtools::Display x{server.name()};
};

static void openAndCloseTwelveWindows(const std::string& display)
{
    setenv("DISPLAY", display.c_str(), 1);
    char* argv[] = {const_cast<char*>("oncoraider"), nullptr};
    int argc = 1;
    for (int cycle = 0; cycle < 12; ++cycle) {
        platform::missionDisplayProblem(argc, argv);  // keeps a connection open, as missions do
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutCreateWindow("cycle");
        glutDisplayFunc([] {});
        glutFullScreen();
        glutIdleFunc([] {
            glutSwapBuffers();
            glutLeaveMainLoop();
            platform::closeMissionWindow();
        });
        glutMainLoop();
    }
    std::exit(0);
}

// How much the screen's grey levels vary: next to nothing before anything is drawn.
static double screenContrast(const xtools::Display& x)
{
    return std::atof(x.run("import -window root png:- | convert - -colorspace Gray "
                           "-format '%[fx:standard_deviation]' info:").c_str());
}

// Polls the window's size until it is the one wanted; the size it has last otherwise.
static std::string awaitSize(const xtools::Display& x, const std::string& window,
                             const std::string& size)
{
    std::string geometry;
    for (int tries = 0; tries < 100; ++tries) {
        const std::string out = x.run("xdotool getwindowgeometry " + window);
        const std::size_t at = out.find("Geometry: ");
        geometry = at == std::string::npos ? "" : out.substr(at + 10, out.find('\n', at) - at - 10);
        if (geometry == size)
            break;
        xtools::pause(100);
    }
    return geometry;
}

// freeglut with Mesa died with an X error from the third window on; each closes after one frame,
// as a mission can.
TEST_F(MissionEndToEnd, WindowOpensAndClosesAgainAndAgainInOneProcess)
{
    EXPECT_EXIT(openAndCloseTwelveWindows(server.name()), ::testing::ExitedWithCode(0), "");
}

// The first mission flies into the wall; the third pilot's 0 points do not beat his own 0.
TEST_F(MissionEndToEnd, ThreeMissionsInOneProcessEachWithReviewAndHighScore)
{
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", server.name()}, false});
    for (int mission = 1; mission <= 3; ++mission) {
        ASSERT_TRUE(game.waitFor(menuEnd));
        game.send("m");
        EXPECT_TRUE(
            game.waitFor("Deploying in 3 2 1\r\nif you can read this, press [ALT]+[TAB]\r\n"));
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        // It may show at its first size before the switch to full screen arrives.
        EXPECT_EQ(awaitSize(x, window, "1920x1080"), "1920x1080") << "full screen";
        x.pointAt(window);
        // Keys count once the main loop draws.
        int tries = 0;
        while (screenContrast(x) < 0.02) {
            ASSERT_LT(++tries, 60) << "nothing drawn";
            xtools::pause(250);
        }
        x.run(std::string("xdotool ") + (mission == 1 ? "keydown Up sleep 8 keyup Up " : "") +
              "keydown space sleep 0.6 keyup space key Escape");
        ASSERT_TRUE(game.waitFor("Mission Review:", 20000)) << game.output();
        EXPECT_EQ(x.run("xdotool search --onlyvisible --name '^Vantreal - Oncoraider$'"), "")
            << "the window of mission " << mission << " is still on the screen";
        EXPECT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 20000))
            << game.output();
        const std::string health = mission == 1 ? "[0-9]{1,2}(\\.[0-9]+)?" : "100";
        const std::regex review("Mission Review:\r\n-{15}\r\nShots: 1\r\nHits:  0\r\n-{19}\r\n"
                                "Ratio: 0 %\r\nHealth: " + health + " %\r\n-{19}\r\n"
                                "Total Points: 0\r\n\r\nPlease");
        EXPECT_TRUE(std::regex_search(game.output(), review)) << game.output();
        game.send(mission == 2 ? "bo\r" : "ace\r");
        EXPECT_TRUE(game.waitFor(mission == 3 ? "HighScores not updated!\r\n\r\n"
                                              : "HighScores updated!\r\n\r\n"));
        // ESC pressed before the menu polls still counts there.
        game.send(mission < 3 ? "\r" : "\r\x1b");
    }
    EXPECT_EQ(xtools::run("head -n 3 " + dir + "/highscores.vxr"), "ace 0\nbo 0\nold1 -1\n");
    EXPECT_TRUE(game.waitFor(menuEnd) && game.waitExit(15000) == 0) << game.output();
}

// A window of the size asked for, F11 to full screen and back, and ESC still ends the mission.
TEST_F(MissionEndToEnd, WindowModeAndF11)
{
    const std::pair<std::string, std::string> cases[] = {{"--window", "800x600"},
                                                         {"--window=1024x768", "1024x768"}};
    for (const auto& [option, size] : cases) {
        pty::Process game(ONCORAIDER_BINARY, {dir, {option, "-display", server.name()}, false});
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
        game.send("m");
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        ASSERT_FALSE(window.empty()) << game.output();
        EXPECT_EQ(awaitSize(x, window, size), size) << option;
        x.run("xdotool windowfocus --sync " + window + " key F11");
        EXPECT_EQ(awaitSize(x, window, "1920x1080"), "1920x1080") << option;
        x.run("xdotool key F11");
        EXPECT_EQ(awaitSize(x, window, size), size) << option;
        x.run("xdotool key Escape");
        EXPECT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 20000))
            << game.output();
    }
}

// The last review's numbers, from "Shots:" to the points, with plain line ends.
static std::string reviewNumbers(std::string output)
{
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    const std::size_t from = output.rfind("Shots: ");
    const std::size_t to = output.find("\n\n", from);
    if (from == std::string::npos || to == std::string::npos)
        return "";
    return output.substr(from, to - from);
}

// Flown into the wall with missiles fired, recorded, then played back in the window and verified.
TEST_F(MissionEndToEnd, ARecordedMissionReplaysAndVerifiesToItsReview)
{
    std::string flown;
    {
        pty::Process game(ONCORAIDER_BINARY,
                          {dir, {"--record", "flight.rpl", "-display", server.name()}, false});
        ASSERT_TRUE(game.waitFor(menuEnd));
        game.send("m");
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        ASSERT_FALSE(window.empty()) << game.output();
        x.run("xdotool windowfocus --sync " + window +
              " keydown Up sleep 8 keyup Up keydown space sleep 2.5 keyup space key Escape");
        ASSERT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 20000))
            << game.output();
        flown = reviewNumbers(game.output());
        game.send("ace\r\r\x1b");
        EXPECT_EQ(game.waitExit(15000), 0) << game.output();
    }
    EXPECT_NE(flown.find("Shots: 0\n"), 0u) << "missiles were fired: " << flown;
    EXPECT_EQ(flown.find("Health: 100 %"), std::string::npos) << "the wall was touched: " << flown;

    pty::Process replay(ONCORAIDER_BINARY,
                        {dir, {"--replay", "flight.rpl", "-display", server.name()}, false});
    ASSERT_TRUE(replay.waitFor("(Press [ENTER] to continue)", 40000)) << replay.output();
    EXPECT_EQ(reviewNumbers(replay.output()), flown);
    EXPECT_EQ(replay.output().find("Please enter your name"), std::string::npos)
        << "no score offer";
    replay.send("\r");
    EXPECT_EQ(replay.waitExit(15000), 0) << replay.output();

    const std::string verified =
        xtools::run("cd " + dir + " && " ONCORAIDER_BINARY " --verify flight.rpl");
    EXPECT_EQ(reviewNumbers(verified), flown);
}

TEST_F(MissionEndToEnd, WithoutADisplayTheMenuSaysWhyAndCarriesOn)
{
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", ":9999"}, false});
    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("m\r");  // the ENTER pressed ahead counts when the message waits for it
    EXPECT_TRUE(game.waitFor("No mission: cannot open the X display \":9999\"") &&
                game.waitFor(menuEnd))
        << game.output();
}
