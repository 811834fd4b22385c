// Missions end to end: the real binary in a pseudo-terminal, its window on a private Xvfb.
#include <gtest/gtest.h>

#include <GL/freeglut.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "platform/Window.h"
#include "support/Pty.h"
#include "support/XTools.h"

namespace {

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

class MissionEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        std::filesystem::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + dir + "/highscores.vxr");  // 0 ranks
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Brightness spread of a screenshot kept at png, 0 to 1: about 0 while nothing is drawn.
    double screenSpread(const std::string& png) const
    {
        return std::atof(x.run("/usr/bin/import -window root " + png + " && /usr/bin/convert " + png +
                               " -colorspace Gray -format '%[fx:standard_deviation]' info:").c_str());
    }

    std::string dir = "/tmp/oncoraider-mission-XXXXXX";
    xtools::Server server;
    xtools::Display x{server.name()};
};

void openAndCloseTwelveWindows(const std::string& display)
{
    setenv("DISPLAY", display.c_str(), 1);
    char* argv[] = {const_cast<char*>("oncoraider"), nullptr};
    for (int argc = 1, cycle = 0; cycle < 12; ++cycle) {
        platform::missionDisplayProblem(argc, argv);  // keeps a connection open, as missions do
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutCreateWindow("cycle");
        glutDisplayFunc([] {});
        // One frame, then the close that missions use: the window goes before its map and
        // full-screen events are handled, as when a mission ends in its first frame.
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

}  // namespace

// freeglut with Mesa used to die with an X error (ending the process) from the third window on.
TEST_F(MissionEndToEnd, WindowOpensAndClosesAgainAndAgainInOneProcess)
{
    EXPECT_EXIT(openAndCloseTwelveWindows(server.name()), ::testing::ExitedWithCode(0), "");
}

TEST_F(MissionEndToEnd, ThreeMissionsInOneProcessEachWithReviewAndHighScore)
{
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", server.name()}, false});
    for (const std::string name : {"ace", "bo", "cy"}) {
        ASSERT_TRUE(game.waitFor(menuEnd));
        game.send("m");
        EXPECT_TRUE(game.waitFor("Deploying in 3 2 1\r\nif you can read this, press [ALT]+[TAB]\r\n"));
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        EXPECT_NE(x.run("xdotool getwindowgeometry " + window).find(" 1920x1080"), std::string::npos) << "full screen";
        x.pointAt(window);
        for (int tries = 0; screenSpread(ONCORAIDER_BINARY "-" + name + ".png") < 0.02; xtools::pause(250))
            ASSERT_LT(++tries, 60) << "nothing drawn";  // keys count once the main loop draws
        x.run(std::string("xdotool ") + (name == "ace" ? "keydown Up sleep 8 keyup Up " : "") +
              "keydown space sleep 0.6 keyup space key Escape");
        EXPECT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 20000)) << game.output();
        EXPECT_TRUE(std::regex_search(game.output(), std::regex(std::string(
            "Mission Review:\r\n-{15}\r\nShots: 1\r\nHits:  0\r\n-{19}\r\nRatio: 0 %\r\nHealth: ") +
            (name == "ace" ? "[0-9]{1,2}(\\.[0-9]+)?" : "100") +  // the wall costs health
            " %\r\n-{19}\r\nTotal Points: 0\r\n\r\nPlease enter your name \\(without any spaces\\): $"))) << game.output();
        game.send(name + "\r");
        EXPECT_TRUE(game.waitFor("HighScores updated!\r\n\r\n(Press [ENTER] to continue)\r\n"));
        game.send("\r");
    }
    EXPECT_EQ(xtools::run("head -c 18 " + dir + "/highscores.vxr"), "ace 0\nbo 0\ncy 0\nol");
    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("\x1b");
    EXPECT_EQ(game.waitExit(15000), 0) << game.output();
}

TEST_F(MissionEndToEnd, WithoutADisplayOrAMapTheMenuSaysWhyAndCarriesOn)
{
    for (const auto& [display, why] : {std::pair{std::string(":9999"), "cannot open the X display \":9999\""},
                                       {server.name(), "the airway map \"./Bronchi.gra\""}}) {
        pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", display}, false});
        ASSERT_TRUE(game.waitFor(menuEnd));
        game.send("m");
        EXPECT_TRUE(game.waitFor(std::string("No mission: ") + why)) << game.output();
        game.send("\r");
        EXPECT_TRUE(game.waitFor("(Press [ENTER] to continue)\r\n") && game.waitFor(menuEnd));
        std::filesystem::remove(dir + "/Bronchi.gra");  // for the second case
    }
}
