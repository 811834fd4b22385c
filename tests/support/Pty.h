// Runs a program in a pseudo-terminal for end-to-end tests: type bytes, wait for text, read the
// whole output, collect the exit status, and read the terminal settings the program left.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
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
        winsize size{24, 80, 0, 0};
        int inputPipe[2] = {-1, -1};
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0 ||
            (options.stdinPipe && pipe2(inputPipe, O_CLOEXEC) != 0))
            throw std::runtime_error("cannot open the terminal or the input pipe");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
        tcgetattr(slave_, &initial_);

        std::vector<char*> argv{const_cast<char*>(program.c_str())};  // before fork: after it, system calls only
        for (const std::string& arg : options.args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        if ((pid_ = fork()) < 0)
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
        close(inputPipe[0]);  // when there is one
        input_ = options.stdinPipe ? inputPipe[1] : master_;
    }

    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    ~Process()
    {
        if (pid_ > 0 && !reaped_ && ::kill(pid_, SIGKILL) == 0)
            waitpid(pid_, nullptr, 0);
        closeInput();
        close(master_);
        close(slave_);
    }

    void send(const std::string& bytes)  // as typed at the terminal, or written into the input pipe
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(input_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("cannot write to the program's input");
            done += static_cast<std::size_t>(n);
        }
    }

    void closeInput()  // end of input on the pipe
    {
        if (input_ >= 0 && input_ != master_)
            close(input_);
        input_ = -1;
    }

    bool waitFor(const std::string& text, int timeoutMs = 10000)  // after the previous match; false on time-out
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::size_t at;
        while ((at = output_.find(text, searchFrom_)) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            readOutput(10);
        }
        searchFrom_ = at + text.size();
        return true;
    }

    int waitExit(int timeoutMs = 10000)  // the program's wait status; -1 on time-out
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!reaped_ && !(reaped_ = waitpid(pid_, &status_, WNOHANG) == pid_)) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            readOutput(10);  // a full terminal buffer would stall the program
        }
        return output(), status_;
    }

    const std::string& output()  // everything the program wrote so far
    {
        while (readOutput(0)) {
        }
        return output_;
    }

    void kill(int signal) { ::kill(pid_, signal); }
    pid_t pid() const { return pid_; }

    termios settings() const  // now; initialSettings() as they were before the program started
    {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    const termios& initialSettings() const { return initial_; }

private:
    bool readOutput(int timeoutMs)
    {
        pollfd p{master_, POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        if (poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) && (n = read(master_, buffer, sizeof buffer)) > 0)
            output_.append(buffer, static_cast<std::size_t>(n));
        return n > 0;
    }

    int master_ = -1, slave_ = -1, input_ = -1, status_ = 0;  // the slave stays open for settings()
    pid_t pid_ = -1;
    bool reaped_ = false;
    termios initial_{};
    std::string output_;
    std::size_t searchFrom_ = 0;
};

}  // namespace pty
