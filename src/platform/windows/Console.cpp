// The Windows console: key mode for the whole run, restored on every way out; its key events
// as presses and as the one line the game reads; clearing it.
#include <windows.h>

#include <cstdlib>
#include <iostream>

#include "platform/Detail.h"
#include "platform/Platform.h"

namespace platform {
namespace {

HANDLE input = INVALID_HANDLE_VALUE;
DWORD originalMode = 0;
// Read by the control handler's thread and the crash filter: set after originalMode.
volatile LONG modeChanged = 0;
bool consoleActive = false;
bool hooksInstalled = false;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

constexpr char endOfInput = 0x1A;  // Ctrl-Z, as the console's own line reading takes it

void restoreConsole()
{
    if (InterlockedExchange(&modeChanged, 0) != 0)
        SetConsoleMode(input, originalMode);
}

// Ctrl-C, Ctrl-Break, the console window closed, logoff, shutdown: the handlers after ours,
// in the end the system's, then end the process as they would have.
BOOL WINAPI onConsoleControl(DWORD)
{
    restoreConsole();
    return FALSE;
}

LONG WINAPI onCrash(EXCEPTION_POINTERS* exception)
{
    restoreConsole();
    return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

void installHooks()
{
    std::atexit(restoreConsole);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    previousFilter = SetUnhandledExceptionFilter(onCrash);
}

// The next key event of the console, waiting up to timeoutMs; other events are passed over.
// (Under Wine a console on a terminal hands over its input only to a waiting reader: counting
// the events without waiting first never finds any.)
bool nextKeyEvent(KEY_EVENT_RECORD& key, DWORD timeoutMs)
{
    if (!consoleActive || !modeChanged)
        return false;
    INPUT_RECORD record;
    DWORD count = 0;
    while (WaitForSingleObject(input, timeoutMs) == WAIT_OBJECT_0) {
        if (!ReadConsoleInputA(input, &record, 1, &count) || count == 0)
            return false;
        if (record.EventType == KEY_EVENT) {
            key = record.Event.KeyEvent;
            return true;
        }
    }
    return false;
}

void echo(const char* text)
{
    std::cout << text << std::flush;
}

std::string firstWord(const std::string& line)
{
    const char* blanks = " \t\v\f";
    const std::size_t start = line.find_first_not_of(blanks);
    if (start == std::string::npos)
        return {};
    return line.substr(start, line.find_first_of(blanks, start) - start);
}

}  // namespace

void enterConsoleMode()
{
    if (consoleActive)
        return;
    consoleActive = true;
    input = GetStdHandle(STD_INPUT_HANDLE);
    if (!GetConsoleMode(input, &originalMode))
        return;  // not a console: readWord reads the stream, and no key is ever pressed
    if (!hooksInstalled) {
        installHooks();
        hooksInstalled = true;
    }
    // Keys one by one and without echo; Ctrl-C stays a signal for the control handler.
    const DWORD keyMode = (originalMode | ENABLE_PROCESSED_INPUT) &
                          ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    InterlockedExchange(&modeChanged, 1);  // first, so that a Ctrl-C in between still restores
    if (!SetConsoleMode(input, keyMode))
        InterlockedExchange(&modeChanged, 0);
}

void leaveConsoleMode()
{
    if (!consoleActive)
        return;
    restoreConsole();
    consoleActive = false;
}

void clearConsole()
{
    std::cout.flush();
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (!GetConsoleScreenBufferInfo(output, &screen))
        return;
    // The whole buffer, as "cls" clears it, not only the rows in view.
    const DWORD cells = static_cast<DWORD>(screen.dwSize.X) * static_cast<DWORD>(screen.dwSize.Y);
    const COORD home = {0, 0};
    DWORD written = 0;
    FillConsoleOutputCharacterA(output, ' ', cells, home, &written);
    FillConsoleOutputAttribute(output, screen.wAttributes, cells, home, &written);
    SetConsoleCursorPosition(output, home);
}

std::string readWord()
{
    std::cout.flush();
    if (!modeChanged) {
        std::string word;
        std::cin >> word;
        return word;
    }
    // Lines are taken whole, with backspace editing; blank lines are passed over like leading
    // whitespace.
    std::string line;
    KEY_EVENT_RECORD key;
    while (nextKeyEvent(key, INFINITE)) {
        const char c = key.uChar.AsciiChar;
        if (!key.bKeyDown || c == 0)
            continue;
        if (c == '\r' || c == '\n') {
            echo("\n");
            const std::string word = firstWord(line);
            if (!word.empty())
                return word;
            line.clear();
        } else if (c == '\b') {
            if (!line.empty()) {
                line.pop_back();
                echo("\b \b");
            }
        } else if (c == endOfInput) {
            break;
        } else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
            line.push_back(c);
            const char text[2] = {c, '\0'};
            echo(text);
        }
    }
    return firstWord(line);
}

namespace detail {

void pumpConsoleInput()
{
    KEY_EVENT_RECORD key;
    while (nextKeyEvent(key, 0)) {
        if (key.bKeyDown)
            notePress(key.wVirtualKeyCode);
    }
}

void forgetConsoleInput()
{
    if (modeChanged)
        FlushConsoleInputBuffer(input);
}

}  // namespace detail
}  // namespace platform
