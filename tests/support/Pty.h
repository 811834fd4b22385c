// A program run in a pseudo-terminal for end-to-end tests: bytes typed, text awaited, exit status,
// settings left.
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
        // Built before fork: after it, system calls only.
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : options.args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        winsize size{24, 80, 0, 0};
        int inputPipe[2] = {-1, -1};
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0 ||
            tcgetattr(slave_, &initial_) != 0 || fcntl(master_, F_SETFD, FD_CLOEXEC) != 0 ||
            fcntl(slave_, F_SETFD, FD_CLOEXEC) != 0 ||
            (options.stdinPipe && pipe2(inputPipe, O_CLOEXEC) != 0))
            throw std::runtime_error("cannot open the terminal or the input pipe");
        pid_ = fork();
        if (pid_ < 0)
            throw std::runtime_error("cannot fork");
        if (pid_ == 0) {
            login_tty(slave_);  // a session of its own, with the terminal as its controlling one
            if (options.stdinPipe)
                dup2(inputPipe[0], STDIN_FILENO);
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
        for (int fd : {input_ != master_ ? input_ : -1, master_, slave_})
            close(fd);
    }

    void send(const std::string& bytes)  // as typed at the terminal, or written into the input pipe
    {
        if (write(input_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("cannot write all of the program's input at once");
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
            if (!reaped_)
                reaped_ = waitpid(pid_, &status_, WNOHANG) == pid_;
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
    const termios& initialSettings() const { return initial_; }  // before the program started
    termios settings() const  // now
    {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }

private:
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

    int master_ = -1, slave_ = -1, input_ = -1, status_ = 0;  // the slave stays open for settings()
    pid_t pid_ = -1;
    bool reaped_ = false;
    termios initial_{};
    std::string output_;
    std::size_t searchFrom_ = 0;
};

}  // namespace pty
