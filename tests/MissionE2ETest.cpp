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

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

struct MissionEndToEnd : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        std::filesystem::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + dir + "/highscores.vxr");  // 0 ranks
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
    for (int argc = 1, cycle = 0; cycle < 12; ++cycle) {
        platform::missionDisplayProblem(argc, argv);  // keeps a connection open, as missions do
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutCreateWindow("cycle");
        glutDisplayFunc([] {}), glutFullScreen();
        glutIdleFunc([] { glutSwapBuffers(), glutLeaveMainLoop(), platform::closeMissionWindow(); });
        glutMainLoop();
    }
    std::exit(0);
}

// freeglut with Mesa died with an X error from the third window on; each closes after one frame, as a mission can.
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
        EXPECT_TRUE(game.waitFor("Deploying in 3 2 1\r\nif you can read this, press [ALT]+[TAB]\r\n"));
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        EXPECT_NE(x.run("xdotool getwindowgeometry " + window).find(" 1920x1080"), std::string::npos) << "full screen";
        x.pointAt(window);
        for (int tries = 0; std::atof(x.run("import -window root png:- | convert - -colorspace Gray -format "
                                            "'%[fx:standard_deviation]' info:").c_str()) < 0.02; xtools::pause(250))
            ASSERT_LT(++tries, 60) << "nothing drawn";  // keys count once the main loop draws
        x.run(std::string("xdotool ") + (mission == 1 ? "keydown Up sleep 8 keyup Up " : "") +
              "keydown space sleep 0.6 keyup space key Escape");
        EXPECT_TRUE(game.waitFor("Please enter your name (without any spaces): ", 20000)) << game.output();
        const std::string health = mission == 1 ? "[0-9]{1,2}(\\.[0-9]+)?" : "100";
        EXPECT_TRUE(std::regex_search(game.output(), std::regex("Mission Review:\r\n-{15}\r\nShots: 1\r\nHits:  0\r\n-{19}"
            "\r\nRatio: 0 %\r\nHealth: " + health + " %\r\n-{19}\r\nTotal Points: 0\r\n\r\nPlease"))) << game.output();
        game.send(mission == 2 ? "bo\r" : "ace\r");
        EXPECT_TRUE(game.waitFor(mission == 3 ? "HighScores not updated!\r\n\r\n" : "HighScores updated!\r\n\r\n"));
        game.send(mission < 3 ? "\r" : "\r\x1b");  // ESC pressed before the menu polls still counts there
    }
    EXPECT_EQ(xtools::run("head -n 3 " + dir + "/highscores.vxr"), "ace 0\nbo 0\nold1 -1\n");
    EXPECT_TRUE(game.waitFor(menuEnd) && game.waitExit(15000) == 0) << game.output();
}

TEST_F(MissionEndToEnd, WithoutADisplayTheMenuSaysWhyAndCarriesOn)
{
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", ":9999"}, false});
    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("m\r");  // the ENTER pressed ahead counts when the message waits for it
    EXPECT_TRUE(game.waitFor("No mission: cannot open the X display \":9999\"") && game.waitFor(menuEnd)) << game.output();
}
