// The Windows release archive played under Wine: its console in tmux (a real terminal, which
// Wine's console draws on with cursor moves rather than plain text), its window on a private
// Xvfb, and the same moment of the Linux game's mission beside it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Pty.h"
#include "support/XTools.h"

namespace {

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface";
const std::string title = "Vantreal - Oncoraider";

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One tmux server of our own with one pane running a command; the pane stays after the
// command ends, so that its exit status can be read.
class Terminal {
public:
    Terminal(const std::string& dir, const std::string& command)
        : socket_("oncoraider-wine-" + std::to_string(getpid())), config_(dir + "/../tmux.conf")
    {
        std::ofstream(config_) << "set -g remain-on-exit on\n";
        tmux("new-session -d -x 80 -y 40 -c " + quoted(dir) + " " + quoted(command));
    }
    ~Terminal() { tmux("kill-server"); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    std::string tmux(const std::string& arguments) const
    {
        return xtools::run("tmux -L " + socket_ + " -f " + quoted(config_) + " " + arguments);
    }
    std::string screen() const { return tmux("capture-pane -p"); }
    void keys(const std::string& names) const { tmux("send-keys " + names); }
    void type(const std::string& text) const { tmux("send-keys -l " + quoted(text)); }

    // True once text shows on the screen (and, if given, gone has left it) within timeoutMs.
    bool waitFor(const std::string& text, int timeoutMs = 20000, const std::string& gone = "")
    {
        for (int waited = 0; waited <= timeoutMs; waited += 100) {
            last_ = screen();
            const bool shows = last_.find(text) != std::string::npos;
            if (shows && (gone.empty() || last_.find(gone) == std::string::npos))
                return true;
            xtools::pause(100);
        }
        return false;
    }
    const std::string& lastScreen() const { return last_; }

    // The command's exit status once it has ended; -1 if it has not within timeoutMs.
    int waitExit(int timeoutMs = 20000) const
    {
        for (int waited = 0; waited <= timeoutMs; waited += 100) {
            const std::string dead = tmux("display-message -p '#{pane_dead} #{pane_dead_status}'");
            int isDead = 0;
            int status = -1;
            if (std::sscanf(dead.c_str(), "%d %d", &isDead, &status) == 2 && isDead == 1)
                return status;
            xtools::pause(100);
        }
        return -1;
    }

private:
    std::string socket_;
    std::string config_;
    std::string last_;
};

struct Grey {
    double mean = 0;
    double deviation = 0;
};

// The whole screen's grey levels; the window covers it in full screen.
Grey screenGrey(const xtools::Display& x)
{
    Grey grey;
    const std::string stats = x.run("import -window root png:- | convert - -colorspace Gray "
                                    "-format '%[fx:mean] %[fx:standard_deviation]' info:");
    std::istringstream(stats) >> grey.mean >> grey.deviation;
    return grey;
}

// True once the window covers the 1920 x 1080 screen; Wine maps it at 800 x 600 first.
bool fillsTheScreen(const xtools::Display& x, const std::string& window)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (x.run("xdotool getwindowgeometry " + window).find(" 1920x1080") != std::string::npos)
            return true;
        xtools::pause(100);
    }
    return false;
}

// The first frame that shows the airway: the screen stops being one flat colour.
bool airwayDrawn(const xtools::Display& x)
{
    for (int tries = 0; tries < 120; ++tries) {
        if (screenGrey(x).deviation >= 0.02)
            return true;
        xtools::pause(250);
    }
    return false;
}

// The screen's grey deviation at the moment its mean grey passes 0.2, interpolated between two
// screenshots. The fog brightens the picture with mission time alone, so that is the same
// moment in every run of the same start, however the screenshots fall; -1 if it never comes.
double deviationWhenFogReachesAFifth(const xtools::Display& x)
{
    const double fogMean = 0.2;
    Grey before = screenGrey(x);
    for (int tries = 0; tries < 100; ++tries) {
        const Grey now = screenGrey(x);
        if (now.mean >= fogMean) {
            if (before.mean >= fogMean || now.mean <= before.mean)
                return now.deviation;
            const double share = (fogMean - before.mean) / (now.mean - before.mean);
            return before.deviation + share * (now.deviation - before.deviation);
        }
        before = now;
    }
    return -1;
}

struct WineGame : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(mkdtemp(root.data()), nullptr);
        ASSERT_EQ(std::system(("cd " + root + " && cmake -E tar xf " ONCORAIDER_WINDOWS_ZIP)
                                  .c_str()),
                  0);
        for (const auto& entry : std::filesystem::directory_iterator(root))
            dir = entry.path().string();
        // Ten old pilots at -1 to -10 points: 0 ranks.
        xtools::run("seq 10 | awk '{print \"old\" $1, -$1}' >" + dir + "/highscores.vxr");
        ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb (./run-tests installs it)";
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    std::string game() const { return "env DISPLAY=" + server.name() + " wine oncoraider.exe"; }

    std::string root = "/tmp/oncoraider-wine-XXXXXX";
    std::string dir;
    xtools::Server server;
    xtools::Display x{server.name()};
};

}  // namespace

TEST_F(WineGame, ArchiveHoldsTheGameTheMapAndTheReadme)
{
    for (const char* file : {"oncoraider.exe", "Bronchi.gra", "README.txt"})
        EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/" + file)) << file;
    EXPECT_EQ(std::filesystem::path(dir).filename().string().rfind("oncoraider-", 0), 0u);
}

TEST_F(WineGame, MenuTableTwoMissionsReviewsNamesTableFileAndQuit)
{
    Terminal console(dir, game());
    ASSERT_TRUE(console.waitFor(menuEnd, 60000)) << console.lastScreen();
    EXPECT_NE(console.lastScreen().find("                  Vantreal\n"), std::string::npos);

    console.keys("h");
    EXPECT_TRUE(console.waitFor("10: old10 (-10)", 20000, menuEnd)) << console.lastScreen();
    EXPECT_EQ(console.lastScreen().find("Main Menu:"), std::string::npos) << "not cleared";
    console.keys("Escape");
    ASSERT_TRUE(console.waitFor(menuEnd, 20000, "Highscores:")) << console.lastScreen();

    console.keys("m");
    EXPECT_TRUE(console.waitFor("Deploying in 3 2 1\nif you can read this, press [ALT]+[TAB]"))
        << console.lastScreen();
    const std::string window = x.waitForWindow(title);
    ASSERT_FALSE(window.empty()) << "no window titled " << title;
    EXPECT_TRUE(fillsTheScreen(x, window)) << x.run("xdotool getwindowgeometry " + window);
    ASSERT_TRUE(airwayDrawn(x));
    const double wineDeviation = deviationWhenFogReachesAFifth(x);

    // Without a window manager keys go to the window under the pointer.
    x.pointAt(window);
    x.run("xdotool keydown space sleep 0.6 keyup space key Escape");
    EXPECT_TRUE(console.waitFor("Please enter your name (without any spaces):"))
        << console.lastScreen();
    const std::string review = console.lastScreen();
    EXPECT_NE(review.find("Mission Review:\n---------------\nShots: 1\nHits:  0\n"),
              std::string::npos)
        << review;
    EXPECT_NE(review.find("Health: 100 %\n"), std::string::npos) << review;
    EXPECT_EQ(x.run("xdotool search --onlyvisible --name '^" + title + "$'"), "")
        << "the window outlived its mission";

    console.type("Winx");
    console.keys("BSpace e Enter");
    EXPECT_TRUE(console.waitFor("HighScores updated!")) << console.lastScreen();
    EXPECT_NE(console.lastScreen().find("(without any spaces): Wine\n"), std::string::npos);
    EXPECT_EQ(xtools::run("head -n 2 " + dir + "/highscores.vxr"), "Wine 0\nold1 -1\n");

    console.keys("Enter");
    ASSERT_TRUE(console.waitFor(menuEnd, 20000, "Mission Review:")) << console.lastScreen();

    // freeglut starts afresh for a second mission in the same process.
    console.keys("m");
    const std::string second = x.waitForWindow(title);
    ASSERT_FALSE(second.empty()) << "no second window";
    ASSERT_TRUE(airwayDrawn(x));
    x.pointAt(second);
    x.key("Escape");
    EXPECT_TRUE(console.waitFor("Please enter your name (without any spaces):"))
        << console.lastScreen();
    console.type("bo");
    console.keys("Enter");
    EXPECT_TRUE(console.waitFor("HighScores updated!")) << console.lastScreen();
    EXPECT_EQ(xtools::run("head -n 3 " + dir + "/highscores.vxr"), "Wine 0\nbo 0\nold1 -1\n");
    console.keys("Enter");
    ASSERT_TRUE(console.waitFor(menuEnd, 20000, "Mission Review:")) << console.lastScreen();
    console.keys("Escape");
    EXPECT_EQ(console.waitExit(), 0) << console.lastScreen();

    // The Linux game at the same moment of the same start. Only the tumor's place differs.
    pty::Process linuxGame(ONCORAIDER_BINARY, {dir, {"-display", server.name()}, false});
    ASSERT_TRUE(linuxGame.waitFor(menuEnd));
    linuxGame.send("m");
    ASSERT_FALSE(x.waitForWindow(title).empty());
    ASSERT_TRUE(airwayDrawn(x));
    const double linuxDeviation = deviationWhenFogReachesAFifth(x);
    std::printf("grey deviation at a mean grey of 0.2: Wine %.4f, Linux %.4f\n", wineDeviation,
                linuxDeviation);
    EXPECT_GT(wineDeviation, 0.05);
    EXPECT_NEAR(wineDeviation, linuxDeviation, 0.01);
}

// Ctrl-C typed into the console ends the game as Windows ends a console program, and the
// terminal is left as it was found.
TEST_F(WineGame, CtrlCInTheMenuEndsTheGameAndLeavesTheTerminalAsItWas)
{
    Terminal console(dir, "stty -a >before.txt; " + game() +
                              "; echo $? >status.txt; stty -a >after.txt");
    ASSERT_TRUE(console.waitFor(menuEnd, 60000)) << console.lastScreen();
    console.keys("C-c");
    ASSERT_EQ(console.waitExit(), 0) << console.lastScreen();
    // Wine's default handler exits with 0, where Windows gives STATUS_CONTROL_C_EXIT.
    EXPECT_EQ(xtools::run("cat " + dir + "/status.txt"), "0\n");
    const std::string before = xtools::run("cat " + dir + "/before.txt");
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(xtools::run("cat " + dir + "/after.txt"), before);
}

// One recorded flight recomputed by both builds: the ship's path and its wall contacts come
// out the same to the last printed digit. (The tumors' places do not: each C library has its
// own rand().)
TEST_F(WineGame, RecordedFlightEndsWithTheSameHealthAsOnLinux)
{
    std::filesystem::copy_file(ONCORAIDER_SOURCE_DIR "/tests/recordings/full-mission.rpl",
                               dir + "/flight.rpl");
    // Windows ends its lines with CR LF.
    const std::string verify = " --verify flight.rpl </dev/null | tr -d '\\r' | grep '^Health: '";
    const std::string onLinux = xtools::run("cd " + dir + " && " ONCORAIDER_BINARY + verify);
    EXPECT_NE(onLinux, "");
    EXPECT_EQ(xtools::run("cd " + dir + " && wine oncoraider.exe" + verify), onLinux);
}
