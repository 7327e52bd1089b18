// The single-instance lock: an exclusive flock on a lock file named after the program in the
// user's runtime directory. The kernel drops it when the process ends, even after a crash.
#pragma once

#include <string>

class SingleInstanceLock {
public:
    explicit SingleInstanceLock(std::string path) : path_(std::move(path)) {}
    ~SingleInstanceLock() { release(); }
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this process now holds the lock; false when another holds it or the file cannot
    // be opened.
    bool acquire();
    void release();
    bool held() const { return fd_ >= 0; }

    // $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock without a runtime directory.
    static std::string defaultPath(const std::string& name);

private:
    std::string path_;
    int fd_ = -1;
};
