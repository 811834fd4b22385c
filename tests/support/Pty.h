// A program run in a pseudo-terminal for end-to-end tests: bytes typed, text awaited, exit status,
// terminal settings left.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace pty {

class Process {
public:
    Process(const std::string& program, const std::string& workDir = ".",
            const std::vector<std::string>& args = {})
    {
        // Built before fork: after it, system calls only.
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        winsize size{24, 80, 0, 0};
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0 ||
            tcgetattr(slave_, &initial_) != 0 || fcntl(master_, F_SETFD, FD_CLOEXEC) != 0 ||
            fcntl(slave_, F_SETFD, FD_CLOEXEC) != 0 || (pid_ = fork()) < 0)
            throw std::runtime_error("cannot open a terminal and start " + program);
        if (pid_ == 0) {
            login_tty(slave_);  // a session of its own, with the terminal as its controlling one
            signal(SIGPIPE, SIG_DFL);
            if (chdir(workDir.c_str()) == 0)
                execv(argv[0], argv.data());
            _exit(127);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process()
    {
        if (!reaped_ && ::kill(pid_, SIGKILL) == 0)
            waitpid(pid_, nullptr, 0);
        close(master_);
        close(slave_);
    }

    void send(const std::string& bytes)  // as typed at the terminal
    {
        if (write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("cannot type all of the program's input at once");
    }

    // Waits for text after the previous match; false on time-out.
    bool waitFor(const std::string& text, int timeoutMs = 10000)
    {
        std::size_t at = std::string::npos;
        const auto found = [&] {
            at = output_.find(text, searchFrom_);
            return at != std::string::npos;
        };
        if (!readUntil(timeoutMs, found))
            return false;
        searchFrom_ = at + text.size();
        return true;
    }

    int waitExit(int timeoutMs = 10000)  // the program's wait status; -1 on time-out
    {
        const auto exited = [&] {
            reaped_ = reaped_ || waitpid(pid_, &status_, WNOHANG) == pid_;
            return reaped_;
        };
        if (!readUntil(timeoutMs, exited))
            return -1;
        readOutput(0);
        return status_;
    }

    const std::string& output()  // everything the program wrote so far
    {
        readOutput(0);
        return output_;
    }

    void kill(int signal) { ::kill(pid_, signal); }
    pid_t pid() const { return pid_; }
    unsigned localModes() const { return settings().c_lflag; }
    // The terminal's settings are as they were before the program started.
    bool terminalAsFound() const
    {
        const termios now = settings();
        return now.c_iflag == initial_.c_iflag && now.c_oflag == initial_.c_oflag &&
               now.c_cflag == initial_.c_cflag && now.c_lflag == initial_.c_lflag &&
               std::memcmp(now.c_cc, initial_.c_cc, sizeof now.c_cc) == 0;
    }

private:
    termios settings() const
    {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }

    // Appends what the program has written, waiting up to timeoutMs for the first of it.
    void readOutput(int timeoutMs)
    {
        char buffer[4096];
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN)) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            output_.append(buffer, static_cast<std::size_t>(n));
            timeoutMs = 0;
        }
    }

    // Reads on until done() holds, as a full terminal buffer would stall the program; false on
    // time-out.
    template <class Done> bool readUntil(int timeoutMs, Done done)
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done() && std::chrono::steady_clock::now() <= deadline)
            readOutput(10);
        return done();
    }

    int master_ = -1, slave_ = -1, status_ = 0;  // the slave stays open for settings()
    pid_t pid_ = -1;
    bool reaped_ = false;
    termios initial_{};
    std::string output_;
    std::size_t searchFrom_ = 0;
};

}  // namespace pty
