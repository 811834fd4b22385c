// The X side of the end-to-end tests: a private Xvfb, so that no other window gets in the way,
// and xdotool for windows and keys.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <string>

namespace xtools {

inline void pause(int ms) { usleep(static_cast<useconds_t>(ms) * 1000); }

// The standard output of a shell command, read on through reads that a signal interrupts.
inline std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fileno(pipe), buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    pclose(pipe);
    return output;
}

// An Xvfb of its own at 1920 x 1080; name() is "" if it did not start. Its shell says its pid,
// then Xvfb writes its display number into the pipe and closes it once it accepts connections.
class Server {
public:
    Server()
    {
        const std::string out = run("sh -c 'echo $$; exec Xvfb -displayfd 3 -screen 0 1920x1080x24 "
                                    "-nolisten tcp 3>&1 >/dev/null 2>&1' &");
        int number = -1;
        if (std::sscanf(out.c_str(), "%d %d", &pid_, &number) == 2)
            name_ = ":" + std::to_string(number);
    }
    ~Server() { if (pid_ > 0) kill(pid_, SIGTERM); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    const std::string& name() const { return name_; }

private:
    int pid_ = 0;
    std::string name_;
};

// Commands against one display. Without a window manager keys go to the window under the pointer.
class Display {
public:
    explicit Display(const std::string& name) : name_(name) {}
    std::string run(const std::string& command) const
    {
        return xtools::run("DISPLAY=" + name_ + " " + command);
    }
    // The first visible window whose whole name is title; "" if none shows within 15 s.
    std::string waitForWindow(const std::string& title) const
    {
        const std::string ids =
            run("timeout 15 xdotool search --sync --onlyvisible --name '^" + title + "$'");
        return ids.substr(0, ids.find('\n'));
    }
    void pointAt(const std::string& window) const
    {
        run("xdotool mousemove --window " + window + " 9 9");
    }
    void key(const std::string& name) const { run("xdotool key " + name); }
    // True once the screen's grey levels vary within 15 s: a mission's main loop draws, and its
    // keys count.
    bool awaitDrawing() const
    {
        for (int tries = 0; tries < 60; ++tries) {
            const std::string deviation = run("import -window root png:- | convert - -colorspace "
                                              "Gray -format '%[fx:standard_deviation]' info:");
            if (std::atof(deviation.c_str()) >= 0.02)
                return true;
            pause(250);
        }
        return false;
    }

private:
    std::string name_;
};

}  // namespace xtools
