// A JACK dummy server of a test's own (jackd -n <private name> -d dummy), found by the clients of
// this process through JACK_DEFAULT_SERVER, so parallel runs and a user's server are left alone.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "harness/child_process.h"
#include "platform/sound/midi_jack_probe.h"

class PrivateJackServer {
public:
    explicit PrivateJackServer(const std::string& directory, const std::string& tag)
        : directory_(directory), name_("pulselattice-" + tag + "-" + std::to_string(getpid()))
    {
        setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    }
    ~PrivateJackServer()
    {
        stop();
        unsetenv("JACK_DEFAULT_SERVER");
    }

    static bool installed() { return programExists("/usr/bin/jackd"); }
    const std::string& name() const { return name_; }

    // True once the server answers (within 10 s). 512-frame periods (10.7 ms at 48 kHz), as many
    // users run: on a virtual machine whose host takes its CPUs away for a few ms at a time, the
    // dummy driver misses 256-frame (5.3 ms) cycles many times a second, and each such xrun
    // restarts the server's frame clock, which no client can place events across.
    bool start()
    {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"jackd", "-n", name_, "-d", "dummy", "-r", "48000", "-p", "512"},
            directory_ + "/jackd.log");
        return waitFor([] { return jackServerAnswers(); }, std::chrono::seconds(10));
    }
    // `signal` SIGKILL: the server goes away as a crash takes it. What it leaves in /dev/shm goes.
    void stop(int signal = SIGTERM)
    {
        if (!server_)
            return;
        server_->stop(signal);
        server_.reset();
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored))
            if (entry.path().filename().string().find(name_) != std::string::npos)
                std::filesystem::remove(entry.path(), ignored);
    }
    std::string log() const { return server_ ? server_->log() : std::string(); }

private:
    std::string directory_;
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
};
