// The console's terminal: key mode (no line buffering, no echo) for the whole run, restored on
// every way out, and clearing the screen.
#include "platform/posix/Console.h"
#include "platform/Platform.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>

namespace platform {
namespace {

termios original;
termios keyMode;
// Read by the signal handlers: set only after the two settings above are complete.
volatile std::sig_atomic_t terminalChanged = 0;
volatile std::sig_atomic_t keyModeWanted = 0;
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

void applyKeyMode()
{
    terminalChanged = 1;  // first, so that a signal in between still restores
    // TCSANOW, never a flushing variant: keys typed before now must still count.
    if (tcsetattr(STDIN_FILENO, TCSANOW, &keyMode) != 0)
        terminalChanged = 0;
}

// Ctrl-Z: the shell gets its own terminal settings back while we are stopped.
void onStop(int)
{
    const int savedErrno = errno;
    restoreTerminal();
    struct sigaction ours {};
    sigaction(SIGTSTP, nullptr, &ours);
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    raise(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);  // stops here until continued
    sigaction(SIGTSTP, &ours, nullptr);
    errno = savedErrno;
}

// After a stop: the key mode again, once we have the terminal. In the background it is not
// ours to change.
void reclaimKeyMode()
{
    if (keyModeWanted && !terminalChanged && tcgetpgrp(STDIN_FILENO) == getpgrp())
        applyKeyMode();
}

// Continued by fg. (A job that bg already continued gets no signal from fg: the key poll
// reclaims the terminal then.)
void onContinue(int)
{
    const int savedErrno = errno;
    reclaimKeyMode();
    errno = savedErrno;
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
    struct sigaction previous {};
    sigaction(SIGTSTP, nullptr, &previous);
    if (previous.sa_handler != SIG_IGN)
        signal(SIGTSTP, onStop);
    signal(SIGCONT, onContinue);
}

}  // namespace

void enterConsoleMode()
{
    if (consoleActive)
        return;
    consoleActive = true;
    const bool terminal = isatty(STDIN_FILENO) == 1;
    if (terminal && tcgetattr(STDIN_FILENO, &original) == 0) {
        keyMode = original;
        keyMode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        keyMode.c_cc[VMIN] = 0;
        keyMode.c_cc[VTIME] = 0;
        if (!exitHookInstalled) {
            std::atexit(restoreTerminal);
            installSignalHandlers();
            exitHookInstalled = true;
        }
        keyModeWanted = 1;
        applyKeyMode();
    }
    detail::attachInput(STDIN_FILENO, terminal);
}

void leaveConsoleMode()
{
    if (!consoleActive)
        return;
    consoleActive = false;
    detail::detachInput();
    keyModeWanted = 0;
    restoreTerminal();
}

namespace detail {

void reclaimTerminal()
{
    reclaimKeyMode();
}

}  // namespace detail

void clearConsole()
{
    if (isatty(STDOUT_FILENO) == 1)
        std::cout << "\x1b[H\x1b[2J" << std::flush;
}

}  // namespace platform
