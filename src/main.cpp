// Oncoraider's entry point: the console front end, in key mode until the player shuts it down.
#include "console/Menu.h"
#include "mission/Mission.h"
#include "platform/Platform.h"

int main(int argc, char* argv[])
{
    platform::ConsoleMode console;
    return runMainMenu(argc, argv, runMission);
}
