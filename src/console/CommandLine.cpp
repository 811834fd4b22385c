// Command-line options: --help, --version, the window mode and the replay files. Arguments
// that do not start with "--" are left to the windowing library (-display, -geometry, ...).
#include "console/CommandLine.h"

#include <iostream>

namespace {

const char* const seeHelp = " (see oncoraider --help)";

// A whole number from 1 to 16384, digits only.
bool parseSide(const std::string& text, int& side)
{
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::stoi(text);
    return side >= 1 && side <= 16384;
}

// "1024x768" into its two numbers.
bool parseSize(const std::string& text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    return x != std::string::npos && parseSide(text.substr(0, x), width) &&
           parseSide(text.substr(x + 1), height);
}

// "--record FILE" or "--record=FILE": the file, or an error when none is given.
std::string takeFile(const std::string& option, const std::string& arg, int& i, int argc,
                     char* argv[], std::string& file)
{
    if (arg.size() > option.size()) {
        file = arg.substr(option.size() + 1);
    } else if (i + 1 < argc) {
        file = argv[++i];
    }
    if (file.empty())
        return "oncoraider: " + option + " needs a file name" + seeHelp;
    return {};
}

bool isOption(const std::string& arg, const std::string& option)
{
    return arg == option || arg.rfind(option + "=", 0) == 0;
}

}  // namespace

std::string parseCommandLine(int argc, char* argv[], CommandLine& options)
{
    options.passOn.assign(argv, argv + (argc > 0 ? 1 : 0));
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string problem;
        if (arg.rfind("--", 0) != 0) {
            options.passOn.push_back(arg);
        } else if (arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--window") {
            options.fullScreen = false;
        } else if (arg.rfind("--window=", 0) == 0) {
            options.fullScreen = false;
            if (!parseSize(arg.substr(9), options.windowWidth, options.windowHeight))
                problem = "oncoraider: --window= wants WIDTHxHEIGHT, such as --window=1024x768";
        } else if (isOption(arg, "--record")) {
            problem = takeFile("--record", arg, i, argc, argv, options.recordFile);
        } else if (isOption(arg, "--replay")) {
            problem = takeFile("--replay", arg, i, argc, argv, options.replayFile);
        } else if (isOption(arg, "--verify")) {
            problem = takeFile("--verify", arg, i, argc, argv, options.verifyFile);
        } else {
            problem = "oncoraider: unknown option " + arg + seeHelp;
        }
        if (!problem.empty())
            return problem;
    }
    const int replayModes = !options.recordFile.empty() + !options.replayFile.empty() +
                            !options.verifyFile.empty();
    if (replayModes > 1)
        return std::string("oncoraider: --record, --replay and --verify go one at a time") +
               seeHelp;
    return {};
}

void printUsage()
{
    std::cout <<
        R"(Usage: oncoraider [OPTION]... [WINDOWING OPTION]...
Vantreal - Oncoraider: fly through the airways of a lung and destroy the tumor.

Options:
  --window           play every mission in an 800 x 600 window instead of full screen
  --window=WxH       play in a window of W x H pixels, such as --window=1024x768
  --record FILE      record every mission of the run: the first to FILE, later ones to
                     FILE with -2, -3, ... before its extension
  --replay FILE      play a recorded mission back in the mission window (only ESC is read)
  --verify FILE      recompute a recorded mission and print its review; exit status 0 for
                     a complete, consistent recording, 2 otherwise
  --help             print this help and exit
  --version          print the version and exit
Other arguments go to the windowing library at every mission (-display NAME, -geometry WxH+X+Y).

Main menu keys:
  M  start a mission      H  show the high scores      C  show the controls
  ESC  back to the menu; in the menu, quit
Mission keys:
  UP / DOWN     forward / backward impulse     R / F   up / down impulse
  LEFT / RIGHT  left / right side impulse      A / D   yaw left / right
  S / W         pitch up / down                Q / E   roll left / right
  SPACE         fire a missile                 F11     full screen / window
  ESC           end the mission
After a mission: type your name (one word), ENTER, then ENTER again for the menu.

Files, in the folder the game runs in:
  ./Bronchi.gra     the airway map, read at start
  highscores.vxr    the ten best scores, read and written after each mission
Started as an installed game or by ./play, that folder is
${XDG_DATA_HOME:-$HOME/.local/share}/oncoraider/.
)";
}

void printVersion()
{
    std::cout << "oncoraider " << ONCORAIDER_VERSION << std::endl;
}
