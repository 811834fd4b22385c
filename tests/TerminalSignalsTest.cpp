// The real game in a pseudo-terminal stopped by a signal in the menu and during the countdown (the
// menu's SIGTERM is the console tests', the mission window and the name prompt the mission signal
// tests'): the terminal must be left as the player had it, and the game must end by that signal.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "support/Pty.h"
#include "support/XTools.h"

namespace {

enum Phase { menu, countdown };

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
    std::filesystem::copy_file(std::string(ONCORAIDER_SOURCE_DIR) + "/data/Bronchi.gra",
                               folder + "/Bronchi.gra");
    xtools::Server server;  // the countdown needs a display to count down to
    ASSERT_FALSE(server.name().empty()) << "cannot start Xvfb";
    pty::Process game(ONCORAIDER_BINARY, {folder, {"-display", server.name()}, false});
    ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface"))
        << game.output();
    if (phase == countdown) {
        game.send("m");
        ASSERT_TRUE(game.waitFor("Deploying in 3")) << game.output();
    }
    ASSERT_EQ(game.settings().c_lflag & (ICANON | ECHO), 0u)
        << "the game should have the terminal in key mode";
    if (signal == SIGINT)
        game.send("\x03");  // as the player sends it: Ctrl-C
    else
        game.kill(signal);
    const int status = game.waitExit();
    // A sanitizer build reports the fault signal itself and ends the program its own way.
    const bool reported = signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == signal) || reported)
        << status << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

std::string stopName(const ::testing::TestParamInfo<std::tuple<Phase, int>>& info)
{
    return sigabbrev_np(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Menu, SignalInPhase,
                         ::testing::Combine(::testing::Values(menu),
                                            ::testing::Values(SIGINT, SIGHUP, SIGSEGV)),
                         stopName);
INSTANTIATE_TEST_SUITE_P(Countdown, SignalInPhase,
                         ::testing::Combine(::testing::Values(countdown),
                                            ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGSEGV)),
                         stopName);

}  // namespace
