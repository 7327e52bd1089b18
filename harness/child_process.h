// Starts a helper program (a server, a recorder) for an integration test and always stops it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// The child runs in a process group of its own with stdout and stderr going to `logPath`; the
// destructor ends the group (SIGTERM, then SIGKILL after two seconds) and reaps the child.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& logPath) : logPath_(logPath)
    {
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        if (posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }

    // True while the child has not exited.
    bool running()
    {
        if (pid_ <= 0 || exited_)
            return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_)
            exited_ = true;
        return !exited_;
    }

    // Sends `signal` and waits up to two seconds for the exit, then kills the whole group.
    void stop(int signal = SIGTERM)
    {
        if (pid_ <= 0 || exited_)
            return;
        kill(-pid_, signal);
        for (int i = 0; i < 200 && running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (running()) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            exited_ = true;
        }
    }

    std::string log() const
    {
        std::ifstream file(logPath_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string logPath_;
};

// Polls `done` every 20 ms until it holds or `timeout` passes.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

inline bool programExists(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}

// A fresh directory under /tmp for one test's files.
inline std::string makeTestDirectory()
{
    char pattern[] = "/tmp/pulselattice-it-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

// Kept when PULSELATTICE_KEEP_TEST_FILES is set, to look at recordings and logs.
inline void removeTestDirectory(const std::string& directory)
{
    if (!std::getenv("PULSELATTICE_KEEP_TEST_FILES") && directory.rfind("/tmp/pulselattice-it-", 0) == 0)
        std::filesystem::remove_all(directory);
}
