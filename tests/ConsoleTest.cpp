// The console: key presses from terminal bytes and pipes, the name line, the menu cycle under a
// scripted clock, and the real binary in a pty, byte for byte.
#include "console/Menu.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "platform/Window.h"
#include "support/Files.h"
#include "support/Pty.h"

#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <unistd.h>

#include <iostream>
#include <regex>
#include <set>

namespace {

namespace key = platform::key;

struct Platform : ::testing::Test {
    void SetUp() override { platform::resetInput(); }
};

TEST_F(Platform, OnlyEscBracketAndEscOOpenASequenceAndAnyOtherEscIsTheEscKey)
{
    const std::pair<std::string, std::set<int>> cases[] = {
        {"mH", {key::m, key::h}}, {"\r", {key::enter}}, {"\n", {key::enter}},
        {"\x1b", {key::escape}}, {"\x1b\x1b", {key::escape}}, {"\x1bh", {key::escape, key::h}},
        {"\x1b[A\x1bOB", {key::up, key::down}}, {"\x1b[1;5C", {key::right}}, {"\x1b[15~", {}},
        {"\x1b[1\rm", {key::enter, key::m}},
    };
    const int codes[] = {key::escape, key::enter, key::up, key::down, key::right, key::c, key::h,
                         key::m, '1', '5', '['};
    for (const auto& [bytes, keys] : cases) {
        platform::resetInput();
        platform::feedInput(bytes);
        std::set<int> pressed;
        for (int code : codes) {
            if (platform::keyPressed(code))
                pressed.insert(code);
            EXPECT_FALSE(platform::keyPressed(code)) << bytes;  // a byte is a tap: it counts once
        }
        EXPECT_EQ(pressed, keys) << bytes;
    }
}

// The mission window's keys, and a key held as the window closes: counted once more, as a tap.
TEST_F(Platform, WindowKeysMapToTheGamesKeysAndReleasingAllLeavesATap)
{
    const std::pair<int, int> cases[] = {
        {platform::keyCodeForGlutKey('w'), key::w},
        {platform::keyCodeForGlutKey('W'), key::w},
        {platform::keyCodeForGlutKey(' '), key::space},
        {platform::keyCodeForGlutKey('1'), 0},
        {platform::keyCodeForGlutSpecialKey(GLUT_KEY_LEFT), key::left},
        {platform::keyCodeForGlutSpecialKey(GLUT_KEY_RIGHT), key::right},
        {platform::keyCodeForGlutSpecialKey(GLUT_KEY_F11), 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    platform::keyDown(key::up);
    platform::releaseAllKeys();
    EXPECT_TRUE(platform::keyPressed(key::up));
    EXPECT_FALSE(platform::keyPressed(key::up));
}

// The name line: blank lines passed over, backspace taking a whole UTF-8 character, the rest of
// the line and its CR LF consumed.
TEST_F(Platform, APipesBytesCountAsTypedAndTheNameLineTakesItsOwnLineEnd)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int saved = dup(STDIN_FILENO);
    dup2(fds[0], STDIN_FILENO);
    platform::enterConsoleMode();
    EXPECT_EQ(write(fds[1], "\x1b[B\x1b", 4), 4);  // the last ESC is alone: nothing follows it
    EXPECT_TRUE(platform::keyPressed(key::down));
    EXPECT_TRUE(platform::keyPressed(key::escape));
    const std::string typed = "\n \r\n  bo\xc3\xa9\x7f" "b smith\r\nc";
    EXPECT_EQ(write(fds[1], typed.data(), typed.size()), ssize_t(typed.size()));
    close(fds[1]);
    EXPECT_EQ(platform::readWord(), "bob");
    EXPECT_FALSE(platform::keyPressed(key::enter));
    EXPECT_FALSE(platform::keyPressed(key::s));
    EXPECT_TRUE(platform::keyPressed(key::c));
    EXPECT_EQ(platform::readWord(), "");  // the pipe has ended
    platform::leaveConsoleMode();
    dup2(saved, STDIN_FILENO);
    close(saved);
    close(fds[0]);
}

const std::string rule = "+++++++++++++++++++++++++++++++++++++++++++++++\n";
const std::string banner = "\x1b[H\x1b[2J" + rule + "                  Vantreal\n" +
                           "                 Oncoraider \n" + rule + "\n";
const std::string menu =
    banner + "Main Menu:\n----------\n[M] - Start Mission\n[H] - Show Highscores\n"
             "[C] - Show Controls\n[ESC] - Shut down Vantreal Flight Control Interface\n\n";
const std::string escapeHint = "(Press [ESC] in order to get back to the Main Menu)\n";
const std::string holdOn = "Please hold on while your command is being processed...\n";

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
    char name[] = "oncoraider";
    char flag[] = "-geometry";
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

// H typed before the game has the terminal (leaving line mode must not drop it); ESC, H and C
// typed in the pause before the menu, so that one poll finds them all: controls, scores, the end.
TEST(ConsoleBinary, ScreensAreByteExactKeysOfOnePollAreServedInOrderAndEscRestoresTheTerminal)
{
    const files::Scratch folder("console");
    files::write(folder / "highscores.vxr", "ann 1200\r\n\r\nbob   -7\r\n");
    files::copyMap(folder.path());
    pty::Process game(ONCORAIDER_BINARY, folder.path());
    game.send("H");
    const char* const hintEnd = "Main Menu)\r\n";
    for (const auto& [text, keys] : {std::pair{hintEnd, "\x1b"}, {"processed...\r\n", "\x1bhc"},
                                     {hintEnd, "\x1b"}, {hintEnd, "\x1b"}}) {
        ASSERT_TRUE(game.waitFor(text)) << game.output();
        game.send(keys);
    }
    EXPECT_EQ(game.waitExit(), 0) << game.output();
    const std::string out = game.output();
    EXPECT_LT(out.find("find Voxel Size...done"), out.find("\x1b[H")) << "the map's lines first";
    const std::string scores =
        banner + "Highscores:\n-----------\n1: ann (1200)\n2: bob (-7)\n3: - (0)\n4: - (0)\n"
                 "5: - (0)\n6: - (0)\n7: - (0)\n8: - (0)\n9: - (0)\n10: - (0)\n\n" + escapeHint;
    const std::string controls =
        banner + "Controls:\n---------\n[UP]    - Forward impulse\n[DOWN]  - Backward impule\n"
                 "[LEFT]  - Left side impulse\n[RIGHT] - Right side impulse\n\n"
                 "[R]     - Up impulse\n[F]     - Down impulse\n[A]     - Yaw left impulse\n"
                 "[D]     - Yaw right impulse\n[S]     - Pitch up impulse\n"
                 "[W]     - Pitch down impulse\n[Q]     - Roll left impulse\n"
                 "[E]     - Roll right impulse\n\n[SPACE] - Fire missile\n" + escapeHint;
    const std::string screens = menu + holdOn + scores + holdOn + menu + holdOn + controls +
                                holdOn + scores + holdOn;
    EXPECT_EQ(out.substr(out.find("\x1b[H")),
              std::regex_replace(screens, std::regex("\n"), "\r\n"));
    EXPECT_TRUE(game.terminalAsFound());
}

}  // namespace
