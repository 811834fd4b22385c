// The platform layer: the game clock, key state from window events and from terminal bytes,
// the name line, and the terminal's key mode.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace key = platform::key;

// Read while globals are constructed: the clock must already be running by then.
const int millisAtStaticInit = platform::elapsedMillis();

class Platform : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::resetInput();
        // Without standard input (as in CI) the next pty or pipe would take descriptor 0.
        if (fcntl(STDIN_FILENO, F_GETFD) == -1)
            open("/dev/null", O_RDONLY);
    }
    void TearDown() override
    {
        platform::useRealClock();
        platform::resetInput();
    }
};

TEST_F(Platform, ClockStartsBeforeOtherGlobalsAndCountsWallTime)
{
    EXPECT_GE(millisAtStaticInit, 0);
    EXPECT_LE(millisAtStaticInit, platform::elapsedMillis());
    const int before = platform::elapsedMillis();
    platform::sleepMillis(30);  // CPU time would hardly move
    EXPECT_GE(platform::elapsedMillis() - before, 30);
}

TEST_F(Platform, ScriptedClockMovesOnlyBySleepsAndAdvances)
{
    platform::useScriptedClock(500);
    platform::sleepMillis(1000);
    platform::advanceClock(25);
    EXPECT_EQ(platform::elapsedMillis(), 1525);
}

TEST_F(Platform, WindowKeysCountWhileDownAndOncePerPressSinceTheLastQuery)
{
    platform::keyDown(key::up);
    EXPECT_TRUE(platform::keyPressed(key::up));
    EXPECT_TRUE(platform::keyPressed(key::up));  // held
    platform::keyUp(key::up);
    EXPECT_FALSE(platform::keyPressed(key::up));

    platform::keyDown(key::space);  // a tap between two queries
    platform::keyUp(key::space);
    platform::keyDown(key::a);
    platform::releaseAllKeys();
    EXPECT_TRUE(platform::keyPressed(key::a));
    EXPECT_TRUE(platform::keyPressed(key::space));
    EXPECT_FALSE(platform::keyPressed(key::space));
    EXPECT_FALSE(platform::keyPressed(key::a));
    EXPECT_FALSE(platform::keyPressed(-1));
    EXPECT_FALSE(platform::keyPressed(4096));
}

// The keys among a fixed set that one burst of terminal bytes presses.
std::set<int> keysOf(const std::string& bytes)
{
    platform::resetInput();
    platform::feedInput(bytes);
    std::set<int> pressed;
    for (int code : {key::escape, key::enter, key::up, key::down, key::left, key::right, key::space, key::c,
                     key::h, key::m, key::backspace, int('O'), int('1'), int('5'), int('[')})
        if (platform::keyPressed(code))
            pressed.insert(code);
    return pressed;
}

TEST_F(Platform, TerminalBytesBecomeKeyPresses)
{
    using Keys = std::set<int>;
    EXPECT_EQ(keysOf("c"), Keys{key::c});
    EXPECT_EQ(keysOf("MH"), (Keys{key::m, key::h}));
    EXPECT_EQ(keysOf("\r"), Keys{key::enter});
    EXPECT_EQ(keysOf("\n"), Keys{key::enter});
    EXPECT_EQ(keysOf(" \x7f"), (Keys{key::space, key::backspace}));
    EXPECT_EQ(keysOf("\x1b"), Keys{key::escape});
    EXPECT_EQ(keysOf("\x1b\x1b"), Keys{key::escape});
    EXPECT_EQ(keysOf("\x1bh"), (Keys{key::escape, key::h}));
    EXPECT_EQ(keysOf("\x1b[A\x1b[B"), (Keys{key::up, key::down}));
    EXPECT_EQ(keysOf("\x1bOD"), Keys{key::left});
    EXPECT_EQ(keysOf("\x1b[1;5C"), Keys{key::right});  // not C, 1, 5 or ESC
    EXPECT_EQ(keysOf("\x1b[15~"), Keys{});              // F5
    EXPECT_EQ(keysOf("\x1b[1\rm"), (Keys{key::enter, key::m}));  // a sequence broken off
    EXPECT_EQ(keysOf("\x1b["), Keys{});
    EXPECT_EQ(keysOf("{}\x01\xc3\xa4"), Keys{});
}

TEST_F(Platform, ATerminalPressCountsOnceAndOnlyForItsOwnKey)
{
    platform::feedInput("ch");
    EXPECT_TRUE(platform::keyPressed(key::c));
    EXPECT_FALSE(platform::keyPressed(key::c));
    EXPECT_TRUE(platform::keyPressed(key::h));
}

TEST_F(Platform, ReadWordTakesTheFirstWordAndSwallowsItsLine)
{
    platform::feedInput("\n \r\n  bob smith\r\nc");
    EXPECT_EQ(platform::readWord(), "bob");
    EXPECT_FALSE(platform::keyPressed(key::enter));
    EXPECT_FALSE(platform::keyPressed(key::s));
    EXPECT_TRUE(platform::keyPressed(key::c));

    platform::feedInput("bpb\x7f\x7f\x1b[Dob\xc3\xa4\x7f\n");
    EXPECT_EQ(platform::readWord(), "bob");
    platform::feedInput("eve");
    EXPECT_EQ(platform::readWord(), "eve");  // the input ends without a line end
    EXPECT_EQ(platform::readWord(), "");
}

TEST_F(Platform, ReadWordWaitsForLateInput)
{
    platform::useScriptedClock(0);
    platform::feedInput("zoe\n", 4000);
    EXPECT_EQ(platform::readWord(), "zoe");
    EXPECT_EQ(platform::elapsedMillis(), 4000);
}

// Runs body with standard input replaced by fd.
template <typename Body>
void withStandardInput(int fd, Body body)
{
    const int saved = dup(STDIN_FILENO);
    dup2(fd, STDIN_FILENO);
    body();
    dup2(saved, STDIN_FILENO);
    close(saved);
}

TEST_F(Platform, KeyModeReadsTheTerminalEchoesTheNameAndRestoresTheSettings)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios before{};
    tcgetattr(slave, &before);
    ASSERT_NE(before.c_lflag & ICANON, 0u);
    ASSERT_EQ(write(master, "h", 1), 1);  // typed before the game took the terminal
    std::ostringstream echoed;
    std::streambuf* previous = std::cout.rdbuf(echoed.rdbuf());
    std::string word;
    termios during{};
    withStandardInput(slave, [&] {
        platform::enterConsoleMode();
        tcgetattr(slave, &during);
        EXPECT_TRUE(platform::keyPressed(key::h));
        EXPECT_EQ(write(master, "x\x7fjo\n", 5), 5);
        word = platform::readWord();
        platform::leaveConsoleMode();
    });
    std::cout.rdbuf(previous);
    termios after{};
    tcgetattr(slave, &after);
    close(slave);
    close(master);

    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(word, "jo");
    EXPECT_EQ(echoed.str(), "x\b \bjo\n");
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
}

TEST_F(Platform, KeyModeReadsAPipeUntilItEnds)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    withStandardInput(fds[0], [&] {
        platform::enterConsoleMode();
        ASSERT_EQ(write(fds[1], "\x1b[B", 3), 3);
        EXPECT_TRUE(platform::keyPressed(key::down));
        EXPECT_FALSE(platform::keyPressed(key::escape));
        ASSERT_EQ(write(fds[1], "\x1b", 1), 1);  // nothing follows: a lone ESC
        EXPECT_TRUE(platform::keyPressed(key::escape));
        ASSERT_EQ(write(fds[1], "ann bee\nm", 9), 9);
        close(fds[1]);
        EXPECT_EQ(platform::readWord(), "ann");
        EXPECT_TRUE(platform::keyPressed(key::m));
        EXPECT_EQ(platform::readWord(), "");
        platform::leaveConsoleMode();
    });
    close(fds[0]);
}

}  // namespace
