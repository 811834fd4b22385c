// The console's keys on a terminal: the bytes of standard input turned into key presses, and
// the one line the game reads (the player's name).
#include "platform/Detail.h"
#include "platform/Platform.h"
#include "platform/Testing.h"
#include "platform/posix/Console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <iostream>
#include <map>

namespace platform {
namespace {

// Bytes read but not yet turned into presses or consumed by readWord.
std::deque<unsigned char> pending;
// Test input by arrival time; equal times keep their feeding order.
std::multimap<int, std::string> scheduled;

int inputFd = -1;
bool echoInput = false;

constexpr unsigned char esc = 0x1B;
// An escape sequence arrives in one write; a lone ESC is known once this much silence follows.
constexpr int escapeWaitMillis = 25;
// Longer "sequences" are noise, not keys.
constexpr std::size_t longestSequence = 32;

void releaseScheduled()
{
    while (!scheduled.empty() && scheduled.begin()->first <= elapsedMillis()) {
        const std::string& bytes = scheduled.begin()->second;
        pending.insert(pending.end(), bytes.begin(), bytes.end());
        scheduled.erase(scheduled.begin());
    }
}

// Appends what the input holds, waiting up to timeoutMs (-1: for ever) for the first byte.
// Returns the number of bytes read; the input is dropped once it ends or fails.
std::size_t readInput(int timeoutMs)
{
    std::size_t total = 0;
    while (inputFd >= 0) {
        pollfd p{inputFd, POLLIN, 0};
        int ready = poll(&p, 1, total == 0 ? timeoutMs : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            break;
        if (ready < 0 || (p.revents & POLLNVAL)) {
            inputFd = -1;
            break;
        }
        unsigned char buffer[512];
        ssize_t n = read(inputFd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            inputFd = -1;  // end of input, or a hung-up terminal
            break;
        }
        pending.insert(pending.end(), buffer, buffer + n);
        total += static_cast<std::size_t>(n);
    }
    return total;
}

int keyForByte(unsigned char b)
{
    if (b >= 'a' && b <= 'z')
        return b - 'a' + 'A';
    if ((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == ' ')
        return b;
    switch (b) {
    case '\r':
    case '\n':
        return key::enter;
    case '\t':
        return key::tab;
    case 0x08:
    case 0x7F:
        return key::backspace;
    default:
        return 0;
    }
}

int keyForFinalByte(unsigned char b)
{
    switch (b) {
    case 'A':
        return key::up;
    case 'B':
        return key::down;
    case 'C':
        return key::right;
    case 'D':
        return key::left;
    default:
        return 0;
    }
}

struct Token {
    std::size_t length;  // 0: an escape sequence still arriving
    int key;             // 0: no key of ours
};

// The key at the front of the queue. Only ESC [ and ESC O open a sequence (CSI with its
// parameter bytes, or SS3 with one byte); ESC before anything else is the ESC key itself.
// settled: no more bytes will come, so an unfinished sequence is decided now.
Token frontToken(bool settled)
{
    const unsigned char first = pending[0];
    if (first != esc)
        return {1, keyForByte(first)};
    if (pending.size() < 2)
        return settled ? Token{1, key::escape} : Token{0, 0};
    const unsigned char second = pending[1];
    if (second == 'O') {
        if (pending.size() < 3)
            return settled ? Token{2, 0} : Token{0, 0};
        const unsigned char last = pending[2];
        if (last < 0x20 || last > 0x7E)
            return {2, 0};
        return {3, keyForFinalByte(last)};
    }
    if (second != '[')
        return {1, key::escape};
    for (std::size_t i = 2; i < pending.size(); ++i) {
        const unsigned char b = pending[i];
        if (b >= 0x40 && b <= 0x7E)
            return {i + 1, keyForFinalByte(b)};
        if (b < 0x20 || b > 0x3F || i >= longestSequence)
            return {i, 0};  // broken off: the byte stands on its own
    }
    return settled ? Token{pending.size(), 0} : Token{0, 0};
}

// The front token, waiting a moment for the rest of a sequence that a read cut short.
Token nextToken()
{
    Token token = frontToken(inputFd < 0);
    while (token.length == 0)
        token = frontToken(readInput(escapeWaitMillis) == 0);
    return token;
}

void echo(const char* text)
{
    if (echoInput)
        std::cout << text << std::flush;
}

// Blocks until at least one byte is queued; false when no byte can come any more.
bool awaitInput()
{
    while (pending.empty()) {
        releaseScheduled();
        if (!pending.empty())
            break;
        if (inputFd >= 0)
            readInput(-1);
        else if (!scheduled.empty())
            sleepMillis(scheduled.begin()->first - elapsedMillis());
        else
            return false;
    }
    return true;
}

std::string firstWord(const std::string& line)
{
    const char* blanks = " \t\v\f";
    std::size_t start = line.find_first_not_of(blanks);
    if (start == std::string::npos)
        return {};
    return line.substr(start, line.find_first_of(blanks, start) - start);
}

}  // namespace

std::string readWord()
{
    std::cout.flush();
    // Lines are read whole, as a cooked terminal would hand them over, with backspace editing;
    // blank lines are passed over like leading whitespace.
    std::string line;
    while (awaitInput()) {
        Token token = nextToken();
        const unsigned char b = pending.front();
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(token.length));
        if (token.length > 1 || b == esc)
            continue;
        if (b == '\r' || b == '\n') {
            if (b == '\r' && !pending.empty() && pending.front() == '\n')
                pending.pop_front();
            echo("\n");
            std::string word = firstWord(line);
            if (!word.empty())
                return word;
            line.clear();
        } else if (b == 0x7F || b == 0x08) {
            // Remove one whole UTF-8 character.
            while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80)
                line.pop_back();
            if (!line.empty()) {
                line.pop_back();
                echo("\b \b");
            }
        } else if (b == 0x04) {
            break;  // end of input typed at the terminal
        } else if (b >= 0x20 || b == '\t') {
            line.push_back(static_cast<char>(b));
            const char text[2] = {static_cast<char>(b), '\0'};
            echo(text);
        }
    }
    return firstWord(line);
}

void feedInput(const std::string& bytes, int atMillis)
{
    scheduled.emplace(atMillis, bytes);
}

namespace detail {

void pumpConsoleInput()
{
    reclaimTerminal();
    releaseScheduled();
    readInput(0);
    while (!pending.empty()) {
        Token token = nextToken();
        if (token.key != 0)
            notePress(token.key);
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(token.length));
    }
}

void forgetConsoleInput()
{
    pending.clear();
    scheduled.clear();
}

void attachInput(int fd, bool echo)
{
    inputFd = fd;
    echoInput = echo;
}

void detachInput()
{
    inputFd = -1;
    echoInput = false;
}

}  // namespace detail
}  // namespace platform
