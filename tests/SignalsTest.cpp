// The real game in a pseudo-terminal stopped by a signal in each phase that holds the terminal in
// key mode (the menu's SIGTERM is the console tests'): the terminal must be left as the player had
// it, and the game must end by that signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <tuple>

#include "support/Files.h"
#include "support/Pty.h"
#include "support/XTools.h"

namespace {

enum Phase { menu, countdown, window, namePrompt };

struct SignalInPhase : ::testing::TestWithParam<std::tuple<Phase, int>> {
    void SetUp() override
    {
        const rlimit noCore{0, 0};  // a crash signal would leave a core file behind
        setrlimit(RLIMIT_CORE, &noCore);
        files::copyMap(dir.path());
        // Even the countdown needs a display to count down to.
        ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    }

    files::Scratch dir{"signals"};
    xtools::Server server;
    xtools::Display x{server.name()};
};

TEST_P(SignalInPhase, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const auto [phase, signal] = GetParam();
    pty::Process game(ONCORAIDER_BINARY, dir.path(), {"-display", server.name()});
    ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface", 30000))
        << game.output();
    if (phase != menu)
        game.send("m");
    if (phase == countdown) {
        ASSERT_TRUE(game.waitFor("Deploying in 3")) << game.output();
    }
    if (phase >= window) {
        const std::string id = x.waitForWindow("Vantreal - Oncoraider");
        ASSERT_FALSE(id.empty()) << game.output();
        x.pointAt(id);
    }
    // ESC counts once the main loop runs: press it until the review asks for the name.
    bool prompted = false;
    for (int tries = 0; phase == namePrompt && !prompted && tries < 30; ++tries) {
        x.key("Escape");
        prompted = game.waitFor("Please enter your name (without any spaces): ", 1000);
    }
    ASSERT_EQ(prompted, phase == namePrompt) << game.output();
    ASSERT_EQ(game.localModes() & (ICANON | ECHO), 0u)
        << "the game should have the terminal in key mode";
    if (signal == SIGINT)
        game.send("\x03");  // as the player sends it: Ctrl-C
    else
        game.kill(signal);
    const int status = game.waitExit(30000);
    // A sanitizer build reports a fault signal itself, then ends the program its own way.
    const bool reported = signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
    EXPECT_TRUE(reported || (WIFSIGNALED(status) && WTERMSIG(status) == signal))
        << status << "\n" << game.output();
    EXPECT_TRUE(game.terminalAsFound());
}

std::string caseName(const ::testing::TestParamInfo<std::tuple<Phase, int>>& info)
{
    const char* const phases[] = {"Menu", "Countdown", "Window", "NamePrompt"};
    return std::string(phases[std::get<0>(info.param)]) + "_" +
           sigabbrev_np(std::get<1>(info.param));
}

// One handler serves every signal: each phase once, each signal at least once.
INSTANTIATE_TEST_SUITE_P(Phases, SignalInPhase,
                         ::testing::Values(std::tuple(menu, SIGINT), std::tuple(menu, SIGHUP),
                                           std::tuple(countdown, SIGTERM),
                                           std::tuple(window, SIGSEGV),
                                           std::tuple(namePrompt, SIGINT)),
                         caseName);

}  // namespace
