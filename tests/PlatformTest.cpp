// The platform layer: key presses from window events, terminal bytes and pipes, and the name line.
#include "platform/Platform.h"
#include "platform/Testing.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
#include <utility>

namespace {

namespace key = platform::key;

struct Platform : ::testing::Test {
    void SetUp() override { platform::resetInput(); }
};

TEST_F(Platform, AWindowKeyCountsWhileDownAndOnceForATapSinceTheLastQuery)
{
    platform::keyDown(key::up);
    EXPECT_TRUE(platform::keyPressed(key::up));
    EXPECT_TRUE(platform::keyPressed(key::up));
    platform::keyUp(key::up);
    EXPECT_FALSE(platform::keyPressed(key::up));
    platform::keyDown(key::space);
    platform::keyUp(key::space);
    EXPECT_TRUE(platform::keyPressed(key::space));  // a tap between two queries
}

TEST_F(Platform, OnlyEscBracketAndEscOOpenASequenceAndAnyOtherEscIsTheEscKey)
{
    const std::pair<std::string, std::set<int>> cases[] = {
        {"mH", {key::m, key::h}}, {"\r", {key::enter}}, {"\n", {key::enter}},
        {"\x1b", {key::escape}}, {"\x1b\x1b", {key::escape}}, {"\x1bh", {key::escape, key::h}},
        {"\x1b[A\x1bOB", {key::up, key::down}}, {"\x1b[1;5C", {key::right}}, {"\x1b[15~", {}},
        {"\x1b[1\rm", {key::enter, key::m}},
    };
    int codes[] = {key::escape, key::enter, key::up, key::down, key::right, key::c, key::h, key::m,
                   '1', '5', '['};
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
    EXPECT_EQ(write(fds[1], "\n \r\n  bob smith\r\nc", 18), 18);
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

}  // namespace
