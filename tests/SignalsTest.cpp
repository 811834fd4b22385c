// The real game in a pseudo-terminal stopped by a signal in each phase that holds the terminal in
// key mode: the terminal must be left as the player had it, and the game must end by that signal.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include "support/Files.h"
#include "support/Pty.h"
#include "support/XTools.h"

TEST(SignalInPhase, LeavesTheTerminalAsItWasAndEndsByTheSignal)
{
    const rlimit noCore{0, 0};  // a crash signal would leave a core file behind
    setrlimit(RLIMIT_CORE, &noCore);
    const files::Scratch dir("signals");
    files::copyMap(dir.path());
    const xtools::Server server;  // even the countdown needs a display to count down to
    ASSERT_FALSE(server.name().empty()) << "no Xvfb of our own";
    const xtools::Display x(server.name());
    enum Phase { menu, countdown, window, namePrompt };
    // One handler serves every signal: each phase once, each signal at least once.
    const std::pair<Phase, int> cases[] = {{menu, SIGINT},     {menu, SIGHUP},
                                           {countdown, SIGTERM}, {window, SIGSEGV},
                                           {namePrompt, SIGINT}};
    for (const auto& [phase, signal] : cases) {
        SCOPED_TRACE("phase " + std::to_string(phase) + ", signal " + std::to_string(signal));
        pty::Process game(ONCORAIDER_BINARY, dir.path(), {"-display", server.name()});
        ASSERT_TRUE(game.waitFor("[ESC] - Shut down Vantreal Flight Control Interface", 30000));
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
        ASSERT_EQ(game.localModes() & (ICANON | ECHO), 0u) << "the terminal is in key mode";
        if (signal == SIGINT)
            game.send("\x03");  // as the player sends it: Ctrl-C
        else
            game.kill(signal);
        const int status = game.waitExit(30000);
        // A sanitizer build reports a fault signal itself, then ends the program its own way.
        const bool reported =
            signal == SIGSEGV && game.output().find("Sanitizer") != std::string::npos;
        EXPECT_TRUE(reported || (WIFSIGNALED(status) && WTERMSIG(status) == signal))
            << status << "\n" << game.output();
        EXPECT_TRUE(game.terminalAsFound());
    }
}
