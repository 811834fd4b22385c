// The console's terminal: key mode (no line buffering, no echo) for the whole run, restored on
// every way out, and clearing the screen.
#include "platform/ConsoleInput.h"
#include "platform/Platform.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iostream>

namespace platform {
namespace {

termios original;
// Read by the signal handlers: set only after `original` is complete.
volatile std::sig_atomic_t terminalChanged = 0;
bool consoleActive = false;
bool exitHookInstalled = false;

struct CaughtSignal {
    int number;
    bool fault;  // raised by the faulting instruction itself, which runs again on return
    struct sigaction previous;
};

CaughtSignal caught[] = {
    {SIGINT, false, {}},  {SIGTERM, false, {}}, {SIGHUP, false, {}},
    {SIGQUIT, false, {}}, {SIGABRT, false, {}}, {SIGSEGV, true, {}},
    {SIGBUS, true, {}},   {SIGFPE, true, {}},   {SIGILL, true, {}},
};

void restoreTerminal()
{
    if (terminalChanged) {
        tcsetattr(STDIN_FILENO, TCSANOW, &original);
        terminalChanged = 0;
    }
}

// Restores the terminal, then lets the signal take the course it had before we caught it
// (the default action, or a sanitizer's report).
void onSignal(int number, siginfo_t* info, void*)
{
    restoreTerminal();
    for (CaughtSignal& s : caught) {
        if (s.number != number)
            continue;
        sigaction(number, &s.previous, nullptr);
        if (!(s.fault && info != nullptr && info->si_code > 0))
            raise(number);  // delivered as soon as this handler returns
    }
}

void installSignalHandlers()
{
    for (CaughtSignal& s : caught) {
        if (sigaction(s.number, nullptr, &s.previous) != 0 || s.previous.sa_handler == SIG_IGN)
            continue;  // a signal ignored by whoever started us stays ignored
        struct sigaction action {};
        action.sa_sigaction = onSignal;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(s.number, &action, nullptr);
    }
}

}  // namespace

void enterConsoleMode()
{
    if (consoleActive)
        return;
    consoleActive = true;
    const bool terminal = isatty(STDIN_FILENO) == 1;
    if (terminal && tcgetattr(STDIN_FILENO, &original) == 0) {
        termios keyMode = original;
        keyMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        keyMode.c_cc[VMIN] = 0;
        keyMode.c_cc[VTIME] = 0;
        if (!exitHookInstalled) {
            std::atexit(restoreTerminal);
            installSignalHandlers();
            exitHookInstalled = true;
        }
        terminalChanged = 1;
        // TCSANOW, never a flushing variant: keys typed before now must still count.
        if (tcsetattr(STDIN_FILENO, TCSANOW, &keyMode) != 0)
            terminalChanged = 0;
    }
    detail::attachInput(STDIN_FILENO, terminal);
}

void leaveConsoleMode()
{
    if (!consoleActive)
        return;
    consoleActive = false;
    detail::detachInput();
    restoreTerminal();
}

void clearConsole()
{
    if (isatty(STDOUT_FILENO) == 1)
        std::cout << "\x1b[H\x1b[2J" << std::flush;
}

}  // namespace platform
