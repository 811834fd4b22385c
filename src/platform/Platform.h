// The only door to the operating system: keys, the clock, sleeping and the console.
// Game code names keys by Windows virtual-key codes and never asks the OS itself.
#pragma once

#include <string>

namespace platform {

namespace key {
constexpr int backspace = 0x08;
constexpr int tab = 0x09;
constexpr int enter = 0x0D;
constexpr int escape = 0x1B;
constexpr int space = 0x20;
constexpr int left = 0x25;
constexpr int up = 0x26;
constexpr int right = 0x27;
constexpr int down = 0x28;
// Letters are their upper-case ASCII codes.
constexpr int a = 'A';
constexpr int c = 'C';
constexpr int d = 'D';
constexpr int e = 'E';
constexpr int f = 'F';
constexpr int h = 'H';
constexpr int m = 'M';
constexpr int q = 'Q';
constexpr int r = 'R';
constexpr int s = 'S';
constexpr int w = 'W';
}  // namespace key

// True when the key is down now or was pressed since the previous query of that key.
// Every query first turns what the console has received into key presses.
bool keyPressed(int code);

// In the mission window, once per frame before its key queries: asks the keyboard itself
// which keys are down (on X, one round trip to the server). A key held in the window stops
// counting once the keyboard no longer holds it, so a release the window never saw (the focus
// was elsewhere) cannot leave it stuck.
void sampleKeyboard();

// Elapsed wall time in milliseconds since the process started (not CPU time).
int elapsedMillis();
void sleepMillis(int ms);

// Clears the console and homes the cursor; nothing when standard output is not a terminal.
void clearConsole();

// Reads one whitespace-delimited word from the console's byte queue, echoing it. The rest of
// its line, and the line end, are consumed too, so they never count as key presses.
// Empty when the input ends first.
std::string readWord();

// Key events from the mission window, or from tests. releaseAllKeys lifts every key (as if
// each got keyUp, as when the window loses the focus); presses not yet queried still count once.
void keyDown(int code);
void keyUp(int code);
void releaseAllKeys();

// Console key mode for the whole run: keys without line input and without echo, read by
// keyPressed and readWord. The console's own mode is restored by leaveConsoleMode, at exit,
// when the player breaks in (Ctrl-C; on POSIX systems also SIGTERM, SIGHUP and SIGQUIT, and
// Ctrl-Z until the game is continued; on Windows the console window closed) and on a crash,
// which then takes its course.
void enterConsoleMode();
void leaveConsoleMode();

class ConsoleMode {
public:
    ConsoleMode() { enterConsoleMode(); }
    ~ConsoleMode() { leaveConsoleMode(); }
    ConsoleMode(const ConsoleMode&) = delete;
    ConsoleMode& operator=(const ConsoleMode&) = delete;
};

}  // namespace platform
