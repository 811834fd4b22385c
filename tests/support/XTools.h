// The X side of the end-to-end tests: a private Xvfb, so that no other window on the
// developer's display gets in the way, xdotool for keys and window queries, and ImageMagick
// for screenshots.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
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

// An Xvfb of its own at 1920 x 1080, on a display number it picks itself; "" when Xvfb
// cannot be started.
class Server {
public:
    Server()
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // Xvfb writes its display number and a line end once it accepts connections.
        std::string number;
        char c;
        while (pid_ > 0) {
            ssize_t n = read(ready[0], &c, 1);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || c == '\n')
                break;
            number.push_back(c);
        }
        close(ready[0]);
        if (!number.empty())
            name_ = ":" + number;
    }

    ~Server()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// A command run against one display.
class Display {
public:
    explicit Display(std::string name) : name_(std::move(name)) {}

    std::string run(const std::string& command) const
    {
        return xtools::run("DISPLAY=" + name_ + " " + command);
    }

    // The first window whose whole name is title, waiting up to timeoutMs for it.
    std::string waitForWindow(const std::string& title, int timeoutMs = 15000) const
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
    bool waitForNoWindow(const std::string& title, int timeoutMs = 15000) const
    {
        for (int waited = 0; waited <= timeoutMs; waited += 100) {
            if (run("xdotool search --name '^" + title + "$'").empty())
                return true;
            pause(100);
        }
        return false;
    }

    // Without a window manager the keyboard follows the pointer: keys go to the window under it.
    void pointAt(const std::string& window) const
    {
        run("xdotool mousemove --window " + window + " 200 200");
    }

    void key(const std::string& name) const { run("xdotool key " + name); }
    void keyDown(const std::string& name) const { run("xdotool keydown " + name); }
    void keyUp(const std::string& name) const { run("xdotool keyup " + name); }

    // "WIDTHxHEIGHT" of the window, and of the whole screen.
    std::string windowSize(const std::string& window) const
    {
        return run("xdotool getwindowgeometry --shell " + window +
                   " | awk -F= '/WIDTH/{w=$2} /HEIGHT/{h=$2} END{print w \"x\" h}'");
    }

    std::string screenSize() const { return run("xdotool getdisplaygeometry | tr ' ' x"); }

    // Saves the whole screen as a PNG; false if the file was not written.
    bool screenshot(const std::string& file) const
    {
        run("/usr/bin/import -window root '" + file + "'");
        return !xtools::run("test -s '" + file + "' && echo ok").empty();
    }

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

// Standard deviation of the image's brightness, 0 to 1: near 0 for a blank frame.
inline double brightnessSpread(const std::string& file)
{
    std::string value = run("/usr/bin/convert '" + file +
                            "' -colorspace Gray -format '%[fx:standard_deviation]' info:");
    return value.empty() ? -1.0 : std::stod(value);
}

}  // namespace xtools
