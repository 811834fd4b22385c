// The mission window's keys on a real X server, against what the keyboard holds and where the
// focus is. A child opens a GLUT window with the game's key handling beside another window, and
// reports what its once-a-frame sampling sees: "W1"/"W0" when W starts or stops counting, "S" for
// each SPACE.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/Platform.h"
#include "platform/Window.h"
#include "support/XTools.h"

namespace {

[[noreturn]] void reportKeys(int out)
{
    char name[] = "oncoraider";
    char* argv[] = {name, nullptr};
    int argc = 1;
    if (!platform::missionDisplayProblem(argc, argv).empty())
        _exit(3);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    for (const char* title : {"elsewhere", "keys"}) {
        glutCreateWindow(title);
        glutDisplayFunc([] {});
    }
    platform::listenToMissionKeys();  // the window made last
    bool counted = false;
    for (;;) {
        glutMainLoopEvent();
        platform::sampleKeyboard();
        const bool w = platform::keyPressed(platform::key::w);
        std::string report = w == counted ? "" : w ? "W1" : "W0";
        counted = w;
        if (platform::keyPressed(platform::key::space))
            report += "S";
        if (write(out, report.data(), report.size()) < 0)
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
            setenv("DISPLAY", server.name().c_str(), 1);
            reportKeys(fds[1]);
        }
        close(fds[1]);
        reports = fds[0];
        other = x.waitForWindow("elsewhere");
        window = x.waitForWindow("keys");
        ASSERT_FALSE(window.empty());
    }
    void TearDown() override
    {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(reports);
    }

    // What the child reported until `mark` arrives (the mark included); "" on time-out.
    std::string readUntil(const std::string& mark)
    {
        std::string seen;
        pollfd p{reports, POLLIN, 0};
        char c;
        while (seen.find(mark) == std::string::npos) {
            if (poll(&p, 1, 10000) <= 0 || read(reports, &c, 1) != 1)
                return "";
            seen += c;
        }
        return seen;
    }

    xtools::Server server;
    xtools::Display x{server.name()};
    pid_t child = -1;
    int reports = -1;
    std::string window, other;
};

// Once the focus is elsewhere nothing counts as held, and a key released there stays released.
TEST_F(WindowKeys, AKeyCountsWhileHeldInTheWindowAndNotOnceTheFocusIsElsewhere)
{
    x.run("xdotool windowfocus --sync " + window + " keydown w");
    EXPECT_EQ(readUntil("W1"), "W1");
    x.run("xdotool key space");  // a later frame, where W still counts
    EXPECT_EQ(readUntil("S"), "S") << "the keyboard sample let go of a key it holds";
    x.run("xdotool windowfocus --sync " + other);
    EXPECT_EQ(readUntil("W0"), "W0") << "W still counts while another window has the focus";
    x.run("xdotool keyup w windowfocus --sync " + window + " key space");
    EXPECT_EQ(readUntil("S"), "S") << "a key released elsewhere counts again";
}

}  // namespace
