// The mission window's keys on a real X server, against what the keyboard holds and where the
// focus is: a GLUT window with the game's key handling, beside another window, in a child that
// presses keys with xdotool and tells what its frames saw.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "platform/Platform.h"
#include "platform/Window.h"
#include "support/XTools.h"

namespace {

namespace key = platform::key;

// Frames until what they saw holds `mark`, at most 400: events, one keyboard sample, then W and
// SPACE queried as the frame tick queries them. "W1"/"W0" when W starts or stops counting, "S"
// for each SPACE.
std::string framesUntil(const std::string& mark)
{
    static bool counted = false;
    std::string seen;
    for (int frame = 0; frame < 400 && seen.find(mark) == std::string::npos; ++frame) {
        glutMainLoopEvent();
        platform::sampleKeyboard();
        const bool w = platform::keyPressed(key::w);
        if (w != counted)
            seen += w ? "W1" : "W0";
        counted = w;
        if (platform::keyPressed(key::space))
            seen += "S";
        usleep(26000);
    }
    return seen;
}

// Writes what the frames saw after each step, then "|".
[[noreturn]] void holdWAndMoveTheFocus(const std::string& display)
{
    setenv("DISPLAY", display.c_str(), 1);
    char name[] = "oncoraider";
    char* argv[] = {name, nullptr};
    int argc = 1;
    std::cerr << platform::missionDisplayProblem(argc, argv);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    for (const char* title : {"elsewhere", "keys"}) {
        glutCreateWindow(title);
        glutDisplayFunc([] {});
    }
    platform::listenToMissionKeys();  // the window made last
    glutMainLoopEvent();
    const xtools::Display x(display);
    const std::string window = x.waitForWindow("keys");
    const std::string other = x.waitForWindow("elsewhere");
    const std::pair<std::string, const char*> steps[] = {
        {"windowfocus --sync " + window + " keydown w", "W1"},
        {"key space", "S"},  // a later frame, where W must still count
        {"windowfocus --sync " + other, "W0"},
        {"keyup w windowfocus --sync " + window + " key space", "S"},
    };
    for (const auto& [keys, mark] : steps) {
        x.run("xdotool " + keys);
        std::cerr << framesUntil(mark) << "|";
    }
    _exit(0);
}

// W counts while held in the window, through the keyboard sample; the focus elsewhere lets go of
// it, and its release there leaves it released.
TEST(WindowKeys, AKeyCountsWhileHeldInTheWindowAndNotOnceTheFocusIsElsewhere)
{
    xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    EXPECT_EXIT(holdWAndMoveTheFocus(server.name()), ::testing::ExitedWithCode(0),
                "^W1\\|S\\|W0\\|S\\|$");
}

}  // namespace
