// The real game stopped by a signal while its mission window is open, and at the name prompt
// after the review: the terminal must be left as the player had it, whatever ended the game.
#include <gtest/gtest.h>

#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/Pty.h"
#include "support/XTools.h"

namespace {

namespace fs = std::filesystem;

struct Stop {
    bool atNamePrompt;
    int signal;
};

void PrintTo(const Stop& s, std::ostream* out)
{
    *out << (s.atNamePrompt ? "at the name prompt, " : "window open, ") << strsignal(s.signal);
}

class MissionSignal : public ::testing::TestWithParam<Stop> {
protected:
    void SetUp() override
    {
        const rlimit noCore{0, 0};  // a crash signal would leave a core file behind
        setrlimit(RLIMIT_CORE, &noCore);
        char pattern[] = "/tmp/oncoraider-mission-signals-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::copy_file(fs::path(ONCORAIDER_SOURCE_DIR) / "data" / "Bronchi.gra", dir / "Bronchi.gra");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    xtools::Server server;
    xtools::Display x{server.name()};
};

TEST_P(MissionSignal, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const Stop stop = GetParam();
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    pty::Options options{dir.string(), {"-display", server.name()}};
    pty::Process game(ONCORAIDER_BINARY, options);
    ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface", 30000)) << game.output();
    game.send("m");
    const std::string window = x.waitForWindow("Vantreal - Oncoraider");
    ASSERT_FALSE(window.empty()) << game.output();
    x.pointAt(window);
    xtools::pause(1000);
    // ESC counts once the main loop runs: press it until the review asks for the name.
    bool prompted = false;
    for (int tries = 0; stop.atNamePrompt && !prompted && tries < 20; ++tries) {
        x.key("Escape");
        prompted = game.waitFor("Please enter your name (without any spaces): ", 1000);
    }
    ASSERT_EQ(prompted, stop.atNamePrompt) << game.output();
    ASSERT_EQ(game.settings().c_lflag & (ICANON | ECHO), 0u) << "the game should be in key mode now";

    if (stop.signal == SIGINT)
        game.send("\x03");  // as typed: Ctrl-C
    else
        game.kill(stop.signal);
    const int status = game.waitExit(30000);
    ASSERT_NE(status, -1) << "still running after the signal:\n" << game.output();
    // A sanitizer build reports a fault signal itself, then ends the program its own way.
    const bool reported = stop.signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == stop.signal) || reported)
        << status << "\n" << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

std::string stopName(const ::testing::TestParamInfo<Stop>& info)
{
    return std::string(info.param.atNamePrompt ? "NamePrompt_" : "Window_") + sigabbrev_np(info.param.signal);
}

INSTANTIATE_TEST_SUITE_P(Mission, MissionSignal,
                         ::testing::Values(Stop{false, SIGINT}, Stop{false, SIGTERM}, Stop{false, SIGHUP},
                                           Stop{false, SIGSEGV}, Stop{true, SIGINT}, Stop{true, SIGTERM},
                                           Stop{true, SIGHUP}, Stop{true, SIGSEGV}),
                         stopName);

}  // namespace
