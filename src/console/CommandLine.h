// The game's own command-line options; everything else is the windowing library's.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool fullScreen = true;
    int windowWidth = 800;
    int windowHeight = 600;
    std::string recordFile;
    std::string replayFile;
    std::string verifyFile;
    // The program name and every argument the game does not take, in their order.
    std::vector<std::string> passOn;
};

// Reads argv into options. Empty on success, otherwise the one line that says what is wrong.
std::string parseCommandLine(int argc, char* argv[], CommandLine& options);

// What --help and --version print.
void printUsage();
void printVersion();
