// The Windows release archive played under Wine: its console in tmux (a real terminal, which
// Wine's console draws on with cursor moves rather than plain text), its window on a private Xvfb.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/Files.h"
#include "support/XTools.h"

namespace {

using files::quoted;

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
const std::string title = "Vantreal - Oncoraider";

// True once check() holds, asked every 100 ms at most tries times.
template <typename Check>
bool soon(Check check, int tries = 200)
{
    while (!check() && --tries > 0)
        xtools::pause(100);
    return tries > 0;
}

// True once the whole screen stops being one flat colour: the first frame of the airway.
bool airwayDrawn(const xtools::Display& x)
{
    return soon([&] {
        return x.run("import -window root png:- | convert - -colorspace Gray "
                     "-format '%[fx:standard_deviation >= 0.02]' info:") == "1";
    }, 150);
}

// The game's console: a pane of a tmux server of our own that stays and says the exit status.
struct WineGame : ::testing::Test {
    void SetUp() override
    {
        const std::string shipped = "oncoraider.exe Bronchi.gra README.txt";
        dir = xtools::run("cd " + quoted(scratch.path()) + " && cmake -E tar xf "
                          ONCORAIDER_WINDOWS_ZIP " && cd oncoraider-* && ls " + shipped +
                          " >/dev/null && pwd | tr -d '\\n'");
        ASSERT_FALSE(dir.empty()) << shipped << " not in oncoraider-*/ of " ONCORAIDER_WINDOWS_ZIP;
        // Ten old pilots at -1 to -10 points: 0 ranks.
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + quoted(dir / "highscores.vxr"));
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    }
    void TearDown() override { tmux("kill-server"); }

    std::string tmux(const std::string& args) const { return xtools::run(tmuxAt + args); }
    // True once the game, run in the pane between the shell commands around it, shows its menu.
    bool start(const std::string& before = "", const std::string& after = "")
    {
        const std::string game = "env DISPLAY=" + server.name() + " wine oncoraider.exe";
        tmux("start-server \\; set -g remain-on-exit on \\; set -g remain-on-exit-format "
             "'exit status #{pane_dead_status}' \\; new-session -d -x 80 -y 40 -c " +
             quoted(dir) + " " + quoted(before + game + after));
        return waitFor(menuEnd, "", 600);
    }
    // True once text shows on the screen and gone, if given, has left it.
    bool waitFor(const std::string& text, const std::string& gone = "", int tries = 200)
    {
        return soon([&] {
            screen = tmux("capture-pane -p");
            const bool left = gone.empty() || screen.find(gone) == std::string::npos;
            return left && screen.find(text) != std::string::npos;
        }, tries);
    }
    bool press(const std::string& keys, const std::string& text, const std::string& gone = "")
    {
        tmux("send-keys " + keys);
        return waitFor(text, gone);
    }

    files::Scratch scratch{"wine"};
    const std::string tmuxAt = "tmux -f /dev/null -S " + quoted(scratch / "tmux") + " ";
    std::filesystem::path dir;
    xtools::Server server;
    xtools::Display x{server.name()};
    std::string screen;  // as waitFor last saw it
};

TEST_F(WineGame, MenuTableTwoMissionsReviewsNamesTableFileAndQuit)
{
    ASSERT_TRUE(start()) << screen;
    EXPECT_NE(screen.find("                  Vantreal\n"), std::string::npos);

    EXPECT_TRUE(press("h", "10: old10 (-10)", menuEnd)) << screen;
    ASSERT_TRUE(press("Escape", menuEnd, "Highscores:")) << screen;

    tmux("send-keys m");
    const std::string window = x.waitForWindow(title);
    ASSERT_FALSE(window.empty()) << "no window titled " << title;
    // Wine maps it at 800 x 600 first.
    const std::string geometry = "xdotool getwindowgeometry " + window;
    EXPECT_TRUE(soon([&] { return x.run(geometry).find(" 1920x1080") != std::string::npos; }))
        << x.run(geometry);
    ASSERT_TRUE(airwayDrawn(x));

    // Without a window manager keys go to the window under the pointer.
    x.pointAt(window);
    x.run("xdotool keydown space sleep 0.6 keyup space key Escape");
    EXPECT_TRUE(waitFor("Please enter your name (without any spaces):")) << screen;
    EXPECT_NE(screen.find("Mission Review:\n---------------\nShots: 1\nHits:  0\n"
                          "-------------------\nRatio: 0 %\nHealth: 100 %\n"),
              std::string::npos)
        << screen;
    EXPECT_EQ(x.run("xdotool search --onlyvisible --name '^" + title + "$'"), "")
        << "the window outlived its mission";

    EXPECT_TRUE(press("W i n x BSpace e Enter", "HighScores updated!")) << screen;
    ASSERT_TRUE(press("Enter", menuEnd, "Mission Review:")) << screen;

    // freeglut starts afresh for a second mission in the same process.
    tmux("send-keys m");
    ASSERT_TRUE(airwayDrawn(x)) << "no second mission";
    x.pointAt(x.waitForWindow(title));
    x.key("Escape");
    EXPECT_TRUE(waitFor("Please enter your name (without any spaces):")) << screen;
    EXPECT_TRUE(press("b o Enter", "HighScores updated!")) << screen;
    EXPECT_EQ(xtools::run("head -n 3 " + quoted(dir / "highscores.vxr")),
              "Wine 0\nbo 0\nold1 -1\n");
    ASSERT_TRUE(press("Enter", menuEnd, "Mission Review:")) << screen;
    EXPECT_TRUE(press("Escape", "exit status 0\n")) << screen;
}

// Ctrl-C typed into the console ends the game as Windows ends a console program, and the
// terminal is left as it was found.
TEST_F(WineGame, CtrlCInTheMenuEndsTheGameAndLeavesTheTerminalAsItWas)
{
    ASSERT_TRUE(start("stty -a >before.txt; ", "; status=$?; stty -a >after.txt; exit $status"))
        << screen;
    // Wine's default handler exits with 0, where Windows gives STATUS_CONTROL_C_EXIT. Under load
    // Wine's console once missed a Ctrl-C typed as the menu came up; a player would press again.
    bool ended = false;
    for (int tries = 0; tries < 3 && !ended; ++tries)
        ended = press("C-c", "exit status 0\n");
    ASSERT_TRUE(ended) << screen;
    const std::string before = files::read(dir / "before.txt");
    EXPECT_NE(before, "");
    EXPECT_EQ(files::read(dir / "after.txt"), before);
}

}  // namespace
