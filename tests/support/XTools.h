// The X tools the end-to-end tests drive a real window with: xdotool for keys and window
// queries, ImageMagick for screenshots. All of them talk to the display in DISPLAY.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace xtools {

// Runs a shell command and returns its standard output without the trailing newline.
inline std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return output;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r'))
        output.pop_back();
    return output;
}

inline void pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The id of the first window whose whole name is title, waiting up to timeoutMs for it.
inline std::string waitForWindow(const std::string& title, int timeoutMs = 15000)
{
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        std::string ids = run("xdotool search --onlyvisible --name '^" + title + "$'");
        if (!ids.empty())
            return ids.substr(0, ids.find('\n'));
        pause(100);
    }
    return {};
}

// True once no window of that name is left, waiting up to timeoutMs.
inline bool waitForNoWindow(const std::string& title, int timeoutMs = 15000)
{
    for (int waited = 0; waited <= timeoutMs; waited += 100) {
        if (run("xdotool search --name '^" + title + "$'").empty())
            return true;
        pause(100);
    }
    return false;
}

// Without a window manager the keyboard follows the pointer, so keys go to the window under it.
inline void pointAt(const std::string& window)
{
    run("xdotool mousemove --window " + window + " 200 200");
}

inline void key(const std::string& name) { run("xdotool key " + name); }
inline void keyDown(const std::string& name) { run("xdotool keydown " + name); }
inline void keyUp(const std::string& name) { run("xdotool keyup " + name); }

// "WIDTHxHEIGHT" of the window, and of the whole screen.
inline std::string windowSize(const std::string& window)
{
    return run("xdotool getwindowgeometry --shell " + window +
               " | awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} END{print w \"x\" h}'");
}

inline std::string screenSize()
{
    return run("xdotool getdisplaygeometry | tr ' ' x");
}

// Saves the whole screen as a PNG; false if the file was not written.
inline bool screenshot(const std::string& file)
{
    run("/usr/bin/import -window root '" + file + "'");
    return !run("test -s '" + file + "' && echo ok").empty();
}

// Standard deviation of the image's brightness, 0 to 1: near 0 for a blank frame.
inline double brightnessSpread(const std::string& file)
{
    std::string value = run("/usr/bin/convert '" + file +
                            "' -colorspace Gray -format '%[fx:standard_deviation]' info:");
    return value.empty() ? -1.0 : std::stod(value);
}

}  // namespace xtools
