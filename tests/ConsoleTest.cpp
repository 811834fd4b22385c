// The console front end: the menu cycle under a scripted clock, and the real binary in a pty,
// byte for byte.
#include "console/Menu.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "support/Pty.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

namespace fs = std::filesystem;

namespace {

const std::string rule = "+++++++++++++++++++++++++++++++++++++++++++++++\n";
const std::string banner = "\x1b[H\x1b[2J" + rule + "                  Vantreal\n" +
                           "                 Oncoraider \n" + rule + "\n";
const std::string menu =
    banner + "Main Menu:\n----------\n[M] - Start Mission\n[H] - Show Highscores\n"
             "[C] - Show Controls\n[ESC] - Shut down Vantreal Flight Control Interface\n\n";
const std::string escapeHint = "(Press [ESC] in order to get back to the Main Menu)\n";
const std::string holdOn = "Please hold on while your command is being processed...\n";
const std::string controls =
    banner + "Controls:\n---------\n[UP]    - Forward impulse\n[DOWN]  - Backward impule\n"
             "[LEFT]  - Left side impulse\n[RIGHT] - Right side impulse\n\n"
             "[R]     - Up impulse\n[F]     - Down impulse\n[A]     - Yaw left impulse\n"
             "[D]     - Yaw right impulse\n[S]     - Pitch up impulse\n"
             "[W]     - Pitch down impulse\n[Q]     - Roll left impulse\n"
             "[E]     - Roll right impulse\n\n[SPACE] - Fire missile\n" + escapeHint;

std::string onTerminal(const std::string& text)
{
    return std::regex_replace(text, std::regex("\n"), "\r\n");
}

std::vector<std::string> missionArgs;

// M, C and ESC in one poll: mission, controls screen, end. The screen's ESC comes during the pause.
TEST(MenuCycle, AMissionIsServedFirstWithTheProgramsArgumentsAndKeysTypedInAPauseCount)
{
    testing::internal::CaptureStdout();
    platform::resetInput();
    platform::useScriptedClock(0);
    platform::feedInput("c\x1bm", 0);
    platform::feedInput("\x1b", 500);
    platform::feedInput("\x1b", 9000);  // ends a run that lost the first
    char name[] = "oncoraider", flag[] = "-geometry";
    char* argv[] = {name, flag, nullptr};
    const int code = runMainMenu(2, argv, [](int count, char* args[]) {
        missionArgs.assign(args, args + count);
        std::cout << "(mission)\n";
    });
    // The poll's sleep and the two pauses, no ESC wait.
    const int endedAt = platform::elapsedMillis();
    const std::string out = testing::internal::GetCapturedStdout();
    platform::useRealClock();
    platform::resetInput();
    EXPECT_EQ(std::make_pair(code, endedAt), std::make_pair(0, 100 + 1000 + 1000));
    EXPECT_EQ(missionArgs, (std::vector<std::string>{"oncoraider", "-geometry"}));
    EXPECT_LT(out.find(holdOn + "(mission)\n"), out.find("Controls:\n"));
}

struct ConsoleBinary : ::testing::Test {
    void SetUp() override { ASSERT_NE(mkdtemp(folder.data()), nullptr); }
    void TearDown() override { fs::remove_all(folder); }
    std::string folder = "/tmp/oncoraider-console-XXXXXX";
};

TEST_F(ConsoleBinary,
       ScreensAreByteExactKeysOfOnePollAreServedInOrderAndEscOrSigtermRestoreTheTerminal)
{
    std::ofstream(folder + "/highscores.vxr") << "ann 1200\r\n\r\nbob   -7\r\n";
    fs::copy_file(ONCORAIDER_SOURCE_DIR "/data/Bronchi.gra", folder + "/Bronchi.gra");
    pty::Process game(ONCORAIDER_BINARY, folder);
    game.send("C");  // typed before the game has the terminal: leaving line mode must not drop it
    for (const auto& [screen, keys] : {std::pair{escapeHint, "\x1b"}, {menu, "\x1bhc"},
                                       {escapeHint, "\x1b"}, {escapeHint, "\x1b"}}) {
        ASSERT_TRUE(game.waitFor(onTerminal(screen))) << game.output();
        game.send(keys);
    }
    EXPECT_EQ(game.waitExit(), 0) << game.output();
    EXPECT_LT(game.output().find("find Voxel Size...done"), game.output().find("\x1b[H"))
        << "the map's lines come before the first screen";
    const std::string scores =
        banner + "Highscores:\n-----------\n1: ann (1200)\n2: bob (-7)\n3: - (0)\n4: - (0)\n"
                 "5: - (0)\n6: - (0)\n7: - (0)\n8: - (0)\n9: - (0)\n10: - (0)\n\n" + escapeHint;
    EXPECT_EQ(game.output().substr(game.output().find("\x1b[H")),
              onTerminal(menu + holdOn + controls + holdOn + menu + holdOn + controls + holdOn +
                         scores + holdOn));
    EXPECT_TRUE(game.terminalAsFound());
    pty::Process killed(ONCORAIDER_BINARY, folder);
    ASSERT_TRUE(killed.waitFor(onTerminal(menu))) << killed.output();
    killed.kill(SIGTERM);
    const int status = killed.waitExit();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(killed.terminalAsFound());
}

}  // namespace
