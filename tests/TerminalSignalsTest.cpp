// The real game in a terminal, stopped by a signal in each console phase it can reach without
// flying: the terminal must be left as the player had it, whatever ended the game.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/Pty.h"

namespace {

namespace fs = std::filesystem;

const std::string menuEnd = "[ESC] - Shut down Vantreal Flight Control Interface\r\n\r\n";
const std::string escapeHint = "(Press [ESC] in order to get back to the Main Menu)\r\n";
const std::string enterHint = "(Press [ENTER] to continue)\r\n";
const std::string noDisplay = "No mission: cannot open the X display";

enum class Phase { menu, highScoreScreen, missionRefused, countdown };

const char* nameOf(Phase phase)
{
    switch (phase) {
    case Phase::menu:
        return "Menu";
    case Phase::highScoreScreen:
        return "HighScoreScreen";
    case Phase::missionRefused:
        return "MissionRefusedWithoutDisplay";
    case Phase::countdown:
        return "Countdown";
    }
    return "?";
}

// DISPLAY as the game will see it, for the life of one test.
class DisplayVariable {
public:
    explicit DisplayVariable(bool keep)
    {
        if (const char* value = getenv("DISPLAY"))
            saved_ = value;
        if (!keep)
            unsetenv("DISPLAY");
    }
    ~DisplayVariable()
    {
        if (saved_)
            setenv("DISPLAY", saved_->c_str(), 1);
    }
    DisplayVariable(const DisplayVariable&) = delete;
    DisplayVariable& operator=(const DisplayVariable&) = delete;

private:
    std::optional<std::string> saved_;
};

class GameInTerminal : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Crash signals would leave core files in the test folders.
        const rlimit none{0, 0};
        setrlimit(RLIMIT_CORE, &none);
    }
    void SetUp() override
    {
        char pattern[] = "/tmp/oncoraider-signals-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        fs::copy_file(fs::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra", folder / "Bronchi.gra");
    }
    void TearDown() override { fs::remove_all(folder); }

    pty::Options options() const
    {
        pty::Options o;
        o.workDir = folder.string();
        return o;
    }

    fs::path folder;
};

TEST_F(GameInTerminal, WithoutADisplayAMissionIsRefusedWithAMessageAndTheMenuReturns)
{
    DisplayVariable display(false);
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("m");
    ASSERT_TRUE(game.waitFor(noDisplay)) << game.output();
    ASSERT_TRUE(game.waitFor(enterHint)) << game.output();
    game.send("\r");
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    game.send("\x1b");
    const int status = game.waitExit();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

// Which of the texts the program prints first; empty when none comes within ten seconds.
std::string firstOf(pty::Process& game, const std::vector<std::string>& texts)
{
    for (int waited = 0; waited < 10000; waited += 20) {
        const std::string& out = game.output();
        std::size_t best = std::string::npos;
        std::string first;
        for (const std::string& t : texts) {
            const std::size_t at = out.find(t);
            if (at < best) {
                best = at;
                first = t;
            }
        }
        if (!first.empty())
            return first;
        usleep(20000);
    }
    return {};
}

struct Stop {
    Phase phase;
    int signal;
};

void PrintTo(const Stop& s, std::ostream* out)
{
    *out << nameOf(s.phase) << " " << strsignal(s.signal);
}

class SignalInPhase : public GameInTerminal, public ::testing::WithParamInterface<Stop> {};

TEST_P(SignalInPhase, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const Stop stop = GetParam();
    DisplayVariable display(stop.phase != Phase::missionRefused);
    pty::Process game(ONCORAIDER_BINARY, options());
    ASSERT_TRUE(game.waitFor(menuEnd)) << game.output();
    switch (stop.phase) {
    case Phase::menu:
        break;
    case Phase::highScoreScreen:
        game.send("h");
        ASSERT_TRUE(game.waitFor(escapeHint)) << game.output();
        break;
    case Phase::missionRefused:
        game.send("m");
        ASSERT_TRUE(game.waitFor(noDisplay)) << game.output();
        ASSERT_TRUE(game.waitFor(enterHint)) << game.output();
        break;
    case Phase::countdown:
        game.send("m");
        // The countdown needs a display to count down to; without one the game says so.
        if (firstOf(game, {"Deploying in 3", "No mission:"}) != "Deploying in 3")
            GTEST_SKIP() << "no usable display here: " << game.output().substr(std::min(game.output().find("No mission:"), game.output().size()));
        break;
    }
    ASSERT_EQ(game.settings().c_lflag & (ICANON | ECHO), 0u) << "the game should be in key mode now";

    if (stop.signal == SIGINT)
        game.send("\x03");  // as typed: Ctrl-C
    else if (stop.signal == SIGQUIT)
        game.send("\x1c");  // Ctrl-backslash
    else
        game.kill(stop.signal);
    const int status = game.waitExit();
    ASSERT_NE(status, -1) << "still running after the signal:\n" << game.output();
    const bool bySignal = WIFSIGNALED(status) && WTERMSIG(status) == stop.signal;
    // A sanitizer build reports a fault signal itself before it ends the program.
    const bool sanitizerReport = stop.signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos &&
                                 !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(bySignal || sanitizerReport) << status << "\n" << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
    EXPECT_EQ(game.settings().c_lflag & (ICANON | ECHO), game.initialSettings().c_lflag & (ICANON | ECHO));
}

std::string stopName(const ::testing::TestParamInfo<Stop>& info)
{
    std::string signal = sigabbrev_np(info.param.signal);
    return std::string(nameOf(info.param.phase)) + "_" + signal;
}

// The menu's SIGINT, SIGTERM, SIGHUP and SIGSEGV are the console tests' own.
INSTANTIATE_TEST_SUITE_P(Menu, SignalInPhase,
                         ::testing::Values(Stop{Phase::menu, SIGQUIT}, Stop{Phase::menu, SIGABRT}), stopName);

#define EVERY_SIGNAL(phase)                                                                            \
    ::testing::Values(Stop{phase, SIGINT}, Stop{phase, SIGTERM}, Stop{phase, SIGHUP}, Stop{phase, SIGQUIT}, \
                      Stop{phase, SIGSEGV}, Stop{phase, SIGABRT})

INSTANTIATE_TEST_SUITE_P(Screen, SignalInPhase, EVERY_SIGNAL(Phase::highScoreScreen), stopName);
INSTANTIATE_TEST_SUITE_P(Refused, SignalInPhase, EVERY_SIGNAL(Phase::missionRefused), stopName);
INSTANTIATE_TEST_SUITE_P(Countdown, SignalInPhase, EVERY_SIGNAL(Phase::countdown), stopName);

}  // namespace
