// Between the terminal and its input reader on POSIX systems.
#pragma once

namespace platform::detail {

// Reads fd from now on (never blocking the poller); echo is for readWord, on terminals.
void attachInput(int fd, bool echo);
void detachInput();

// Takes the key mode again if a stop gave the terminal back to the shell.
void reclaimTerminal();

}  // namespace platform::detail
