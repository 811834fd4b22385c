// The mission window's keys on a real X server: what the window saw against what the keyboard
// holds, when the focus goes elsewhere. A child opens a GLUT window with the game's key handling
// and reports every change of "UP counts" that its once-a-frame sampling sees.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/Platform.h"
#include "platform/Window.h"
#include "support/XTools.h"

namespace {

namespace key = platform::key;

// Frames of the child: events, one keyboard sample, then UP and SPACE queried as the frame tick
// queries them. Writes "U1"/"U0" when UP starts or stops counting and "S" for each SPACE.
[[noreturn]] void reportKeys(const std::string& display, int out)
{
    setenv("DISPLAY", display.c_str(), 1);
    char name[] = "oncoraider";
    char* argv[] = {name, nullptr};
    int argc = 1;
    if (!platform::missionDisplayProblem(argc, argv).empty())
        _exit(3);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(300, 200);
    glutCreateWindow("keys");
    glutDisplayFunc([] {});
    platform::listenToMissionKeys();
    bool upCounted = false;
    for (;;) {
        glutMainLoopEvent();
        platform::sampleKeyboard();
        const bool up = platform::keyPressed(key::up);
        if (up != upCounted && write(out, up ? "U1" : "U0", 2) != 2)
            _exit(4);
        upCounted = up;
        if (platform::keyPressed(key::space) && write(out, "S", 1) != 1)
            _exit(4);
        usleep(26000);
    }
}

struct WindowKeys : ::testing::Test {
    void SetUp() override
    {
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        child = fork();
        if (child == 0) {
            close(fds[0]);
            reportKeys(server.name(), fds[1]);
        }
        close(fds[1]);
        reports = fds[0];
        window = x.waitForWindow("keys");
        ASSERT_FALSE(window.empty());
        x.run("xdotool windowfocus --sync " + window);
    }
    void TearDown() override
    {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(reports);
        if (messagePid > 0)
            kill(messagePid, SIGTERM);
    }

    // Everything the child reported until `mark` arrives (the mark included); "" on time-out.
    std::string readUntil(const std::string& mark)
    {
        std::string seen;
        pollfd p{reports, POLLIN, 0};
        while (seen.find(mark) == std::string::npos && poll(&p, 1, 10000) > 0) {
            char c;
            if (read(reports, &c, 1) != 1)
                return "";
            seen += c;
        }
        return seen.find(mark) == std::string::npos ? "" : seen;
    }

    // Another X window that takes the focus (ours alone: other tests run beside this one).
    std::string otherWindow()
    {
        const std::string pid =
            x.run("xmessage -name elsewhere elsewhere >/dev/null 2>&1 & echo $!");
        messagePid = std::atoi(pid.c_str());
        return x.waitForWindow("elsewhere");
    }

    xtools::Server server;
    xtools::Display x{server.name()};
    pid_t child = -1;
    pid_t messagePid = -1;
    int reports = -1;
    std::string window;
};

TEST_F(WindowKeys, AKeyReleasedWhileTheFocusWasElsewhereNoLongerCounts)
{
    x.run("xdotool keydown Up");
    EXPECT_EQ(readUntil("U1"), "U1");
    const std::string other = otherWindow();
    ASSERT_FALSE(other.empty()) << "no xmessage (./run-tests installs x11-utils)";
    x.run("xdotool windowfocus --sync " + other + " keyup Up windowfocus --sync " + window);
    // SPACE tapped after the focus came back marks a frame sampled after the release.
    x.run("xdotool key space");
    EXPECT_EQ(readUntil("S"), "U0S");
}

TEST_F(WindowKeys, LosingTheFocusLeavesNothingHeld)
{
    x.run("xdotool keydown Up");
    EXPECT_EQ(readUntil("U1"), "U1");
    const std::string other = otherWindow();
    ASSERT_FALSE(other.empty()) << "no xmessage (./run-tests installs x11-utils)";
    x.run("xdotool windowfocus --sync " + other);
    EXPECT_EQ(readUntil("U0"), "U0") << "UP still counts while another window has the focus";
    x.run("xdotool keyup Up");
}

}  // namespace
