// Runs an interactive terminal program (LinkHut) on a pseudo-terminal: keys in, screen text out.
// The destructor ends it (SIGTERM, then SIGKILL) and reaps it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class PtyProgram {
public:
    explicit PtyProgram(const std::vector<std::string>& argv)
    {
        pid_ = forkpty(&fd_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            std::vector<char*> args;
            for (const std::string& arg : argv)
                args.push_back(const_cast<char*>(arg.c_str()));
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
        if (fd_ >= 0)
            fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyProgram()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            close(fd_);
    }
    PtyProgram(const PtyProgram&) = delete;
    PtyProgram& operator=(const PtyProgram&) = delete;

    bool started() const { return pid_ > 0 && fd_ >= 0; }
    void type(const std::string& keys) { (void)!write(fd_, keys.data(), keys.size()); }

    // Everything it has written so far, carriage returns as line ends.
    const std::string& screen()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t i = 0; i < got; ++i)
                text_ += buffer[i] == '\r' ? '\n' : buffer[i];
        }
        return text_;
    }

    // The last complete line that contains `part`, or "".
    std::string lastLineWith(const std::string& part)
    {
        const std::string& all = screen();
        size_t end = all.rfind('\n');
        while (end != std::string::npos && end > 0) {
            const size_t start = all.rfind('\n', end - 1);
            const std::string line = all.substr(start == std::string::npos ? 0 : start + 1,
                                                end - (start == std::string::npos ? 0 : start + 1));
            if (line.find(part) != std::string::npos)
                return line;
            if (start == std::string::npos)
                break;
            end = start;
        }
        return "";
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string text_;
};
