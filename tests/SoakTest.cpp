// Long play: a full three-minute mission flown, turned and fired all the time, into the wall too,
// then nine short missions, all in one process: the real binary in a pseudo-terminal, its
// window on an Xvfb of the test's own. Disabled by default; CMake registers it (label "soak")
// where ONCORAIDER_SOAK is on, which ./run-tests does for its sanitizer build only.
#include <gtest/gtest.h>

#include "support/Files.h"
#include "support/Pty.h"
#include "support/XTools.h"

TEST(Soak, DISABLED_AFullMissionThenNineShortOnesInOneProcess)
{
    const xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    const xtools::Display x(server.name());
    const files::Scratch dir("soak");
    files::copyMap(dir.path());
    pty::Process game(ONCORAIDER_BINARY, dir.path(), {"-display", server.name()});
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
    ASSERT_TRUE(game.waitFor(menuEnd, 30000)) << game.output();
    for (int mission = 1; mission <= 10; ++mission) {
        const std::size_t start = game.output().size();
        game.send("m");
        x.pointAt(x.waitForWindow("Vantreal - Oncoraider"));
        ASSERT_TRUE(x.awaitDrawing()) << "mission " << mission << " draws nothing";
        // The first flies straight up the trachea into its far wall, then on until the game
        // ends it; each second with fire held, one of the six turns and half a second of thrust.
        if (mission == 1)
            x.run("xdotool keydown Up sleep 8 keyup Up");
        for (int second = 0; second < (mission == 1 ? 300 : 3); ++second) {
            if (game.output().find("Mission Review:", start) != std::string::npos)
                break;
            const std::string turn(1, "adwsqe"[second % 6]);
            x.run("xdotool keydown space keydown " + turn +
                  " keydown Up sleep 0.5 keyup Up sleep 0.5 keyup " + turn);
        }
        x.run(mission == 1 ? "xdotool keyup space" : "xdotool keyup space key Escape");
        // Under load a long flight may end in the wall for good: a review of its own, no name.
        ASSERT_TRUE(game.waitFor("Mission Review:", 30000)) << game.output().substr(start);
        ASSERT_TRUE(game.waitFor("\r\n\r\n", 30000)) << game.output().substr(start);
        const bool destroyed = game.output().find("Ship destroyed", start) != std::string::npos;
        game.send(destroyed ? "\r" : "pilot" + std::to_string(mission) + "\r\r");
        ASSERT_TRUE(game.waitFor(menuEnd)) << game.output().substr(start);
    }
    game.send("\x1b");
    EXPECT_EQ(game.waitExit(60000), 0) << game.output();  // the leak check at exit takes its time
    EXPECT_EQ(game.output().find("runtime error"), std::string::npos) << game.output();
    EXPECT_TRUE(game.terminalAsFound());
}
