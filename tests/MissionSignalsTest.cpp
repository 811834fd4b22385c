// The real game stopped by a signal while its mission window is open, and at the name prompt
// after the review: the terminal must be left as the player had it, whatever ended the game.
#include <gtest/gtest.h>

#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "support/Pty.h"
#include "support/XTools.h"

namespace {

namespace fs = std::filesystem;

struct MissionSignal : ::testing::TestWithParam<std::tuple<bool, int>> {
    void SetUp() override
    {
        const rlimit noCore{0, 0};  // a crash signal would leave a core file behind
        setrlimit(RLIMIT_CORE, &noCore);
        ASSERT_NE(mkdtemp(dir.data()), nullptr);
        fs::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", dir + "/Bronchi.gra");
        ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir = "/tmp/oncoraider-mission-signals-XXXXXX";
    xtools::Server server;
    xtools::Display x{server.name()};
};

TEST_P(MissionSignal, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const auto [atNamePrompt, signal] = GetParam();
    pty::Process game(ONCORAIDER_BINARY, {dir, {"-display", server.name()}, false});
    ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface", 30000))
        << game.output();
    game.send("m");
    const std::string window = x.waitForWindow("Vantreal - Oncoraider");
    ASSERT_FALSE(window.empty()) << game.output();
    x.pointAt(window);
    xtools::pause(1000);
    // ESC counts once the main loop runs: press it until the review asks for the name.
    bool prompted = false;
    for (int tries = 0; atNamePrompt && !prompted && tries < 20; ++tries) {
        x.key("Escape");
        prompted = game.waitFor("Please enter your name (without any spaces): ", 1000);
    }
    ASSERT_EQ(prompted, atNamePrompt) << game.output();
    ASSERT_EQ(game.settings().c_lflag & (ICANON | ECHO), 0u)
        << "the game should be in key mode now";
    if (signal == SIGINT)
        game.send("\x03");  // as the player sends it: Ctrl-C
    else
        game.kill(signal);
    const int status = game.waitExit(30000);
    // A sanitizer build reports a fault signal itself, then ends the program its own way.
    const bool reported = signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == signal) || reported)
        << status << "\n" << game.output();
    EXPECT_TRUE(pty::sameSettings(game.settings(), game.initialSettings()));
}

INSTANTIATE_TEST_SUITE_P(
    Mission, MissionSignal,
    ::testing::Combine(::testing::Bool(), ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGSEGV)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) ? "NamePrompt_" : "Window_") +
               sigabbrev_np(std::get<1>(info.param));
    });

}  // namespace
