// The console front end: banner, main menu and the screens it leads to.
#pragma once

// Plays one mission; the menu hands it the program's own arguments.
using MissionRunner = void (*)(int argc, char* argv[]);

// Clears the console and prints the banner that heads every console screen.
void printBanner();

// The main menu cycle until ESC; returns the exit code. Without a mission runner, M is not
// offered to the poll.
int runMainMenu(int argc, char* argv[], MissionRunner runMission = nullptr);
