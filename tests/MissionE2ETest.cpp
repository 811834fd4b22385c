// Missions end to end: the real binary in a pseudo-terminal, its real window under an Xvfb of
// the test's own, keys from xdotool, the review in the console. Needs DISPLAY set, as a sign
// that X is at hand (./run-tests sets it).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <GL/freeglut.h>

#include "platform/Window.h"
#include "support/Pty.h"
#include "support/XTools.h"

namespace fs = std::filesystem;

namespace {

const std::string title = "Vantreal - Oncoraider";
const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";

bool haveDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && *display != '\0';
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The number that follows label in text, after position from; NaN when there is none.
double numberAfter(const std::string& text, const std::string& label, std::size_t from)
{
    std::size_t at = text.find(label, from);
    if (at == std::string::npos)
        return std::nan("");
    return std::strtod(text.c_str() + at + label.size(), nullptr);
}

class MissionEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/oncoraider-mission-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::copy_file(fs::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra",
                      dir / "Bronchi.gra");
        // A table of negative scores, so that even a mission of 0 points enters it.
        std::ofstream scores(dir / "highscores.vxr");
        for (int place = 1; place <= 10; ++place)
            scores << "old" << place << " " << -place << "\n";
    }

    void TearDown() override { fs::remove_all(dir); }

    // The game on the private display, handed to it as glutInit's -display option.
    pty::Process start()
    {
        pty::Options options;
        options.workDir = dir.string();
        options.args = {"-display", x.name()};
        return pty::Process(ONCORAIDER_BINARY, options);
    }

    // Presses M and waits until the mission window shows frames; returns the window.
    std::string startMission(pty::Process& game)
    {
        EXPECT_TRUE(game.waitFor(menuEnd));
        game.send("m");
        EXPECT_TRUE(game.waitFor("Deploying in 3 2 1\r\n"));
        EXPECT_TRUE(game.waitFor("if you can read this, press [ALT]+[TAB]"));
        const std::string window = x.waitForWindow(title);
        if (window.empty())
            return window;
        x.pointAt(window);
        // The keys count once the main loop runs, which the first drawn frames show.
        const std::string shot = (dir / "first-frame.png").string();
        for (int tries = 0; tries < 60; ++tries) {
            if (x.screenshot(shot) && xtools::brightnessSpread(shot) > 0.02)
                break;
            xtools::pause(250);
        }
        return window;
    }

    // ESC in the window, the review, the name, ENTER and back in the menu; returns the review.
    std::string finishMission(pty::Process& game, const std::string& name)
    {
        x.key("Escape");
        EXPECT_TRUE(game.waitFor("Mission Review:\r\n---------------\r\n", 20000));
        const std::size_t reviewAt = game.output().rfind("Mission Review:");
        EXPECT_TRUE(game.waitFor("Please enter your name (without any spaces): "));
        EXPECT_TRUE(x.waitForNoWindow(title))
            << "the review happens with the window closed";
        game.send(name + "\r");
        EXPECT_TRUE(game.waitFor("HighScores updated!\r\n\r\n(Press [ENTER] to continue)\r\n"));
        game.send("\r");
        EXPECT_TRUE(game.waitFor("Please hold on while your command is being processed..."));
        EXPECT_TRUE(game.waitFor("Main Menu:"));
        return game.output().substr(reviewAt);
    }

    fs::path dir;
    xtools::Server server;
    xtools::Display x{server.name()};
};

int framesThisWindow = 0;

// A mission's window life in miniature: frames, then the close that the mission uses.
void windowCycle(char* name)
{
    int argc = 1;
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    // Small and in a corner, out of the way of other windows on the display.
    glutInitWindowPosition(1600, 900);
    glutInitWindowSize(200, 120);
    glutCreateWindow("cycle");
    glutDisplayFunc([] {});
    framesThisWindow = 0;
    glutIdleFunc([] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        if (++framesThisWindow == 5) {
            glutLeaveMainLoop();
            platform::closeMissionWindow();
        }
    });
    glutMainLoop();
}

}  // namespace

// freeglut with Mesa used to die with an X error, or fail to reconnect, from about the
// third window of a process on; X errors end the process, so the windows open in a child.
TEST_F(MissionEndToEnd, WindowOpensAndClosesAgainAndAgainInOneProcess)
{
    if (!haveDisplay())
        GTEST_SKIP() << "DISPLAY is not set: the mission needs an X server (./run-tests starts Xvfb)";
    ASSERT_FALSE(x.name().empty()) << "no Xvfb of our own";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("DISPLAY", x.name().c_str(), 1);
        char name[] = "oncoraider";
        char* argv[] = {name, nullptr};
        for (int cycle = 0; cycle < 12; ++cycle) {
            if (!platform::missionDisplayProblem(1, argv).empty())
                _exit(2);
            windowCycle(name);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "freeglut or Xlib ended the process";
}

TEST_F(MissionEndToEnd, ThreeMissionsInOneProcessWithReviewsAndHighScores)
{
    if (!haveDisplay())
        GTEST_SKIP() << "DISPLAY is not set: the mission needs an X server (./run-tests starts Xvfb)";
    ASSERT_FALSE(x.name().empty()) << "no Xvfb of our own";
    pty::Process game = start();

    // First mission: full screen, fly up the trachea into its far end, fire once.
    std::string window = startMission(game);
    ASSERT_FALSE(window.empty()) << "no window titled \"" << title << "\"";
    EXPECT_EQ(x.windowSize(window), "1920x1080") << "full screen";
    EXPECT_EQ(x.run("xdotool getwindowname " + window), title);
    x.keyDown("Up");
    xtools::pause(8000);
    x.keyUp("Up");
    x.keyDown("space");
    xtools::pause(600);
    x.keyUp("space");
    xtools::pause(300);
    const fs::path shot = dir / "mission.png";
    ASSERT_TRUE(x.screenshot(shot.string()));
    EXPECT_GT(xtools::brightnessSpread(shot.string()), 0.02) << "a drawn frame, not a blank one";
    fs::copy_file(shot, fs::path(ONCORAIDER_BINARY).parent_path() / "mission-e2e.png",
                  fs::copy_options::overwrite_existing);

    std::string review = finishMission(game, "ace");
    EXPECT_NE(review.find("Shots: 1\r\nHits:  0\r\n-------------------\r\nRatio: 0 %\r\n"),
              std::string::npos)
        << review;
    // Holding UP flew the ship into the wall, which cost health.
    const double health = numberAfter(review, "Health: ", 0);
    EXPECT_LT(health, 100.0) << review;
    EXPECT_GT(health, 0.0) << review;
    EXPECT_NE(review.find("Total Points: 0\r\n"), std::string::npos) << review;
    EXPECT_EQ(readFile(dir / "highscores.vxr").substr(0, 6), "ace 0\n");

    // Two more missions in the same process, each with a new window.
    for (const std::string name : {"bo", "cy"}) {
        window = startMission(game);
        ASSERT_FALSE(window.empty()) << "no window for the mission of " << name;
        x.keyDown("space");
        xtools::pause(600);
        x.keyUp("space");
        review = finishMission(game, name);
        EXPECT_NE(review.find("Shots: 1\r\n"), std::string::npos) << review;
        EXPECT_NE(review.find("Health: 100 %\r\n"), std::string::npos) << review;
    }
    const std::string table = readFile(dir / "highscores.vxr");
    // Equal scores enter below the ones already there.
    EXPECT_EQ(table.substr(0, 18), "ace 0\nbo 0\ncy 0\nol") << table;

    game.send("\x1b");
    const int status = game.waitExit(15000);
    ASSERT_TRUE(WIFEXITED(status)) << game.output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(MissionEndToEnd, WithoutADisplayTheMenuSaysWhyAndCarriesOn)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    pty::Options options;
    options.workDir = dir.string();
    pty::Process game(ONCORAIDER_BINARY, options);
    if (!saved.empty())
        setenv("DISPLAY", saved.c_str(), 1);

    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("m");
    EXPECT_TRUE(game.waitFor("No mission: cannot open the X display"));
    EXPECT_TRUE(game.waitFor("(Press [ENTER] to continue)"));
    game.send("\r");
    EXPECT_TRUE(game.waitFor(menuEnd));
    game.send("\x1b");
    const int status = game.waitExit(15000);
    ASSERT_TRUE(WIFEXITED(status)) << game.output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(game.output().find("Deploying"), std::string::npos);
}

TEST_F(MissionEndToEnd, WithoutAnAirwayMapNoMissionStarts)
{
    fs::remove(dir / "Bronchi.gra");
    pty::Process game = start();
    ASSERT_TRUE(game.waitFor(menuEnd));
    game.send("m");
    EXPECT_TRUE(game.waitFor("No mission: the airway map \"./Bronchi.gra\""));
    game.send("\r");
    EXPECT_TRUE(game.waitFor(menuEnd));
    game.send("\x1b");
    const int status = game.waitExit(15000);
    ASSERT_TRUE(WIFEXITED(status)) << game.output();
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
