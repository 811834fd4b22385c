// Runs a program in a pseudo-terminal for end-to-end tests: type bytes, wait for text, read the
// whole output, collect the exit status, and read the terminal settings the program left.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace pty {

struct Options {
    std::string workDir = ".";
    std::vector<std::string> args;
    bool stdinPipe = false;  // standard input from a pipe; output still goes to the terminal
};

inline bool sameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

class Process {
public:
    Process(const std::string& program, const Options& options = {})
    {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 80;
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
            throw std::runtime_error("openpty failed");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        tcgetattr(slave_, &initial_);
        int inputPipe[2] = {-1, -1};
        if (options.stdinPipe && pipe2(inputPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");

        // Everything the child needs is built before fork: after it only system calls run.
        std::vector<std::string> words{program};
        words.insert(words.end(), options.args.begin(), options.args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);

        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            setsid();
            ioctl(slave_, TIOCSCTTY, 0);
            dup2(options.stdinPipe ? inputPipe[0] : slave_, STDIN_FILENO);
            dup2(slave_, STDOUT_FILENO);
            dup2(slave_, STDERR_FILENO);
            signal(SIGPIPE, SIG_DFL);
            if (chdir(options.workDir.c_str()) == 0)
                execv(argv[0], argv.data());
            _exit(127);
        }
        // The slave stays open here too, so the terminal outlives the program for inspection.
        if (options.stdinPipe) {
            close(inputPipe[0]);
            input_ = inputPipe[1];
        } else {
            input_ = master_;
        }
    }

    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    ~Process()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (input_ != master_)
            closeInput();
        close(master_);
        close(slave_);
    }

    // Bytes as typed at the terminal (or written to the input pipe).
    void send(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("cannot write to the program's input");
            done += static_cast<std::size_t>(n);
        }
    }

    // End of input on the pipe.
    void closeInput()
    {
        if (input_ >= 0 && input_ != master_)
            close(input_);
        input_ = -1;
    }

    // Waits until text appears after the previous match; false on time-out.
    bool waitFor(const std::string& text, int timeoutMs = 10000)
    {
        const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::size_t at = output_.find(text, searchFrom_);
            if (at != std::string::npos) {
                searchFrom_ = at + text.size();
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
            if (left.count() <= 0)
                return false;
            readOutput(static_cast<int>(left.count()));
        }
    }

    // Waits for the program to end and returns its wait status; -1 on time-out.
    int waitExit(int timeoutMs = 10000)
    {
        const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!reaped_) {
            if (waitpid(pid_, &status_, WNOHANG) == pid_) {
                reaped_ = true;
                break;
            }
            if (clock::now() > deadline)
                return -1;
            readOutput(10);  // a full terminal buffer would stall the program
        }
        while (readOutput(0)) {
        }
        return status_;
    }

    // Everything the program wrote so far.
    const std::string& output()
    {
        while (readOutput(0)) {
        }
        return output_;
    }

    void kill(int signal) { ::kill(pid_, signal); }
    pid_t pid() const { return pid_; }

    // The terminal's settings now, and as they were before the program started.
    termios settings() const
    {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    const termios& initialSettings() const { return initial_; }

private:
    using clock = std::chrono::steady_clock;

    bool readOutput(int timeoutMs)
    {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
            return false;
        char buffer[4096];
        ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        output_.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    int master_ = -1;
    int slave_ = -1;
    int input_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    termios initial_{};
    std::string output_;
    std::size_t searchFrom_ = 0;
};

}  // namespace pty
