// The real game in a pseudo-terminal, on an Xvfb of its own, stopped by a signal during the
// countdown, the mission and at the name prompt (the menu's cases are the console tests'): the
// terminal must be left as the player had it, and the game must end by that signal.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "support/Pty.h"
#include "support/XTools.h"

namespace {

enum Phase { countdown, mission, namePrompt };
const std::string phaseNames[] = {"Countdown_", "Mission_", "NamePrompt_"};

class SignalInPhase : public ::testing::TestWithParam<std::tuple<Phase, int>> {
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-signals-XXXXXX";
};

TEST_P(SignalInPhase, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const auto [phase, signal] = GetParam();
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // a crash signal would leave a core file behind
    std::filesystem::copy_file(std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra", folder + "/Bronchi.gra");
    xtools::Server server;
    ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb";
    const xtools::Display x(server.name());
    pty::Process game(ONCORAIDER_BINARY, {folder, {"-display", server.name()}, false});
    ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface")) << game.output();
    game.send("m");
    ASSERT_TRUE(game.waitFor(phase == countdown ? "Deploying in 3" : "if you can read this")) << game.output();
    if (phase != countdown) {
        const std::string window = x.waitForWindow("Vantreal - Oncoraider");
        ASSERT_FALSE(window.empty()) << game.output();
        x.pointAt(window);
        xtools::pause(1000);  // in flight
        // ESC counts once the mission's main loop runs: pressed until the review asks for a name.
        for (int tries = 0; phase == namePrompt && !game.waitFor("Please enter your name", 500); ++tries) {
            ASSERT_LT(tries, 30) << game.output();
            x.key("Escape");
        }
    }
    ASSERT_EQ(game.settings().c_lflag & (ICANON | ECHO), 0u) << "the game should have the terminal in key mode";
    signal == SIGINT ? game.send("\x03") : game.kill(signal);  // SIGINT as the player sends it: Ctrl-C
    const int status = game.waitExit();
    // A sanitizer build reports the fault signal itself and ends the program its own way.
    const bool reported = signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == signal) || reported) << status << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

INSTANTIATE_TEST_SUITE_P(Phases, SignalInPhase,
                         ::testing::Combine(::testing::Values(countdown, mission, namePrompt),
                                            ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGSEGV)),
                         [](const auto& info) {
                             return phaseNames[std::get<0>(info.param)] + sigabbrev_np(std::get<1>(info.param));
                         });

}  // namespace
