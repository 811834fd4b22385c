// The console front end: the menu cycle under a scripted clock, and the real binary in a
// pseudo-terminal.
#include "console/Menu.h"
#include "platform/Platform.h"
#include "support/Pty.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <streambuf>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const plusRule = "+++++++++++++++++++++++++++++++++++++++++++++++";
const char* const escapeHint = "(Press [ESC] in order to get back to the Main Menu)";
const char* const holdOnLine = "Please hold on while your command is being processed...";

std::string lines(const std::vector<std::string>& texts, const char* end)
{
    std::string out;
    for (const std::string& t : texts)
        out += t + end;
    return out;
}

std::vector<std::string> bannerLines() { return {plusRule, "                  Vantreal", "                 Oncoraider ", plusRule, ""}; }

std::vector<std::string> menuLines()
{
    std::vector<std::string> l = bannerLines();
    l.insert(l.end(), {"Main Menu:", "----------", "[M] - Start Mission", "[H] - Show Highscores", "[C] - Show Controls",
                       "[ESC] - Shut down Vantreal Flight Control Interface", ""});
    return l;
}

std::vector<std::string> controlsLines()
{
    std::vector<std::string> l = bannerLines();
    l.insert(l.end(), {"Controls:", "---------", "[UP]    - Forward impulse", "[DOWN]  - Backward impule",
                       "[LEFT]  - Left side impulse", "[RIGHT] - Right side impulse", "", "[R]     - Up impulse",
                       "[F]     - Down impulse", "[A]     - Yaw left impulse", "[D]     - Yaw right impulse",
                       "[S]     - Pitch up impulse", "[W]     - Pitch down impulse", "[Q]     - Roll left impulse",
                       "[E]     - Roll right impulse", "", "[SPACE] - Fire missile", escapeHint});
    return l;
}

std::vector<std::string> highScoreLines(const std::vector<std::string>& places)
{
    std::vector<std::string> l = bannerLines();
    l.insert(l.end(), {"Highscores:", "-----------"});
    l.insert(l.end(), places.begin(), places.end());
    l.insert(l.end(), {"", escapeHint});
    return l;
}

// Scripted-clock runs: what the menu printed, line by line, with the time each line began.
class TimedLines : public std::streambuf {
public:
    struct Line {
        int at;
        std::string text;
    };
    std::vector<Line> printed;

    // When the n-th (from 0) line equal to text began; -1 when it never came.
    int timeOf(const std::string& text, int n = 0) const
    {
        for (const Line& l : printed)
            if (l.text == text && n-- == 0)
                return l.at;
        return -1;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const Line& l : printed)
            t.push_back(l.text);
        return t;
    }

protected:
    int overflow(int c) override
    {
        if (atLineStart_)
            printed.push_back({platform::elapsedMillis(), ""});
        atLineStart_ = c == '\n';
        if (c != '\n')
            printed.back().text.push_back(static_cast<char>(c));
        return c;
    }

private:
    bool atLineStart_ = true;
};

std::vector<std::string> missionArgs;

void fakeMission(int argc, char* argv[])
{
    missionArgs.assign(argv, argv + argc);
    std::cout << "(mission)" << std::endl;
}

class MenuCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("menu-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        previousFolder_ = fs::current_path();
        fs::current_path(folder_);  // the high-score screen reads ./highscores.vxr
        platform::resetInput();
        platform::useScriptedClock(0);
        missionArgs.clear();
        previous_ = std::cout.rdbuf(&out);
    }
    void TearDown() override
    {
        std::cout.rdbuf(previous_);
        platform::useRealClock();
        platform::resetInput();
        fs::current_path(previousFolder_);
        fs::remove_all(folder_);
    }

    int run(MissionRunner mission = nullptr)
    {
        char name[] = "oncoraider";
        char flag[] = "-geometry";
        char* argv[] = {name, flag, nullptr};
        return runMainMenu(2, argv, mission);
    }

    TimedLines out;

private:
    fs::path folder_;
    fs::path previousFolder_;
    std::streambuf* previous_ = nullptr;
};

// A key is seen at the first 100 ms poll at or after its arrival; the poll starts at once.
int polledAt(int pollStart, int keyAt)
{
    return keyAt <= pollStart ? pollStart : pollStart + (keyAt - pollStart + 99) / 100 * 100;
}

TEST_F(MenuCycle, KeysAreTakenAtThePollAndEveryCommandHoldsOnOneSecond)
{
    platform::feedInput("xz\x1b[C", 0);  // other keys and the right arrow do nothing
    platform::feedInput("c", 250);
    platform::feedInput("\x1b", 1650);
    platform::feedInput("\x1b", 2000);  // typed during the pause, still counts
    EXPECT_EQ(run(), 0);

    const int controlsAt = polledAt(0, 250) + 100 + 1000;
    EXPECT_EQ(out.timeOf(holdOnLine, 0), polledAt(0, 250) + 100);
    EXPECT_EQ(out.timeOf("Controls:"), controlsAt);
    EXPECT_EQ(out.timeOf(holdOnLine, 1), polledAt(controlsAt, 1650));
    const int menuAgainAt = polledAt(controlsAt, 1650) + 1000;
    EXPECT_EQ(out.timeOf("Main Menu:", 1), menuAgainAt);
    EXPECT_EQ(out.timeOf(holdOnLine, 2), menuAgainAt + 100);
    EXPECT_EQ(platform::elapsedMillis(), menuAgainAt + 100 + 1000);
    EXPECT_EQ(out.timeOf("Main Menu:", 2), -1);
}

TEST_F(MenuCycle, KeysOfOnePollAreServedMissionControlsScoresThenQuit)
{
    platform::feedInput("hc\x1bm", 0);
    platform::feedInput("\x1b", 3000);
    platform::feedInput("\x1b", 6000);
    EXPECT_EQ(run(fakeMission), 0);

    std::vector<std::string> expected = menuLines();
    expected.push_back(holdOnLine);
    expected.push_back("(mission)");
    for (const std::string& l : controlsLines())
        expected.push_back(l);
    expected.push_back(holdOnLine);
    for (const std::string& l : highScoreLines({"1: - (0)", "2: - (0)", "3: - (0)", "4: - (0)", "5: - (0)",
                                                "6: - (0)", "7: - (0)", "8: - (0)", "9: - (0)", "10: - (0)"}))
        expected.push_back(l);
    expected.push_back(holdOnLine);
    EXPECT_EQ(out.texts(), expected);
    EXPECT_EQ(missionArgs, (std::vector<std::string>{"oncoraider", "-geometry"}));
}

TEST_F(MenuCycle, EscapeStillHeldAfterAMissionQuitsAtTheNextPoll)
{
    platform::feedInput("M", 0);
    auto holdEscape = [](int, char**) { platform::keyDown(platform::key::escape); };
    EXPECT_EQ(run(holdEscape), 0);
    EXPECT_EQ(out.timeOf("Main Menu:", 1), 1100);
    EXPECT_EQ(out.timeOf(holdOnLine, 1), 1200);
    EXPECT_EQ(out.timeOf("Main Menu:", 2), -1);
}

// The real game in a terminal, in a folder of its own (its ./highscores.vxr).
class ConsoleBinary : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/oncoraider-console-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    pty::Options options(bool stdinPipe = false) const
    {
        pty::Options o;
        o.workDir = folder;
        o.stdinPipe = stdinPipe;
        return o;
    }

    // The output from the first console clear on (the loader may print before it).
    static std::string fromFirstClear(const std::string& output)
    {
        const std::size_t at = output.find(clear);
        return at == std::string::npos ? output : output.substr(at);
    }

    static std::string screen(const std::vector<std::string>& l) { return clear + lines(l, "\r\n"); }

    static constexpr const char* clear = "\x1b[H\x1b[2J";
    const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
    const std::string holdOn = std::string(holdOnLine) + "\r\n";
    std::string folder;
};

TEST_F(ConsoleBinary, MenuIsExactEscapeQuitsWithZeroAndTheTerminalIsRestored)
{
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    const termios during = game.settings();
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
    game.send("\x1b");
    const int status = game.waitExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(fromFirstClear(game.output()), screen(menuLines()) + holdOn);
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

TEST_F(ConsoleBinary, KeysOfOnePollAreServedInOrderAndEachScreenWaitsForItsEscape)
{
    std::ofstream(folder + "/highscores.vxr") << "ann 1200\r\n\r\nbob   -7\r\n";
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("\x1bhc");
    ASSERT_TRUE(game.waitFor(std::string(escapeHint) + "\r\n")) << game.output();
    game.send("\x1b");
    ASSERT_TRUE(game.waitFor(std::string(escapeHint) + "\r\n")) << game.output();
    game.send("\x1b");
    const int status = game.waitExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::vector<std::string> places{"1: ann (1200)", "2: bob (-7)", "3: - (0)", "4: - (0)", "5: - (0)",
                                          "6: - (0)", "7: - (0)", "8: - (0)", "9: - (0)", "10: - (0)"};
    EXPECT_EQ(fromFirstClear(game.output()), screen(menuLines()) + holdOn + screen(controlsLines()) + holdOn +
                                                 screen(highScoreLines(places)) + holdOn);
}

TEST_F(ConsoleBinary, PipedKeysWorkAndEscapeInAScreenReturnsToTheMenu)
{
    pty::Process game(ONCORAIDER_BINARY, options(true));
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("C");
    ASSERT_TRUE(game.waitFor("Controls:\r\n")) << game.output();
    game.send("\x1b");
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("\x1b");
    const int status = game.waitExit();
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(fromFirstClear(game.output()),
              screen(menuLines()) + holdOn + screen(controlsLines()) + holdOn + screen(menuLines()) + holdOn);
}

// Here no shell can stop the game (its process group has no parent in the session), so Ctrl-Z
// only gives the terminal back for a moment: the next key poll must take it again.
TEST_F(ConsoleBinary, CtrlZWithoutJobControlLeavesTheGameAnsweringKeys)
{
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("\x1a");
    for (int i = 0; i < 1000 && !(game.settings().c_lflag & ICANON); ++i)
        usleep(1000);  // until the game has handed the terminal back (or already retaken it)
    game.send("\x1b");  // a line-mode terminal would hold it back for ever
    const int status = game.waitExit();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

class ConsoleSignal : public ConsoleBinary, public ::testing::WithParamInterface<int> {};

TEST_P(ConsoleSignal, RestoresTheTerminalAndEndsByTheSignal)
{
    const int signal = GetParam();
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    ASSERT_EQ(game.settings().c_lflag & ECHO, 0u);
    if (signal == SIGINT)
        game.send("\x03");  // Ctrl-C at the keyboard
    else
        game.kill(signal);
    const int status = game.waitExit();
    if (signal == SIGSEGV)
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;  // a sanitizer may report instead
    else
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

INSTANTIATE_TEST_SUITE_P(Signals, ConsoleSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGSEGV));

}  // namespace
