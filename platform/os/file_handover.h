// Hands a file from a second start to the copy that runs: one datagram holding its path, sent to
// a Unix socket beside the single-instance lock ($XDG_RUNTIME_DIR/pulseLattice.sock). Only
// datagrams from the same user are taken.
#pragma once

#include <optional>
#include <string>

// The socket that belongs to the lock file `lockPath` (".lock" replaced by ".sock").
std::string handoverSocketPath(const std::string& lockPath);

// The second start's side: sends `filePath` to the socket without waiting. False when no copy
// listens there (none runs, or it is an older one) or the path is too long for one datagram.
bool handFileOver(const std::string& socketPath, const std::string& filePath);

// The running copy's side: binds the socket (replacing one a crashed copy left) and removes it
// again when destroyed. Only the holder of the single-instance lock may listen. UI thread only.
class FileHandoverReceiver {
public:
    explicit FileHandoverReceiver(std::string socketPath) : path_(std::move(socketPath)) {}
    ~FileHandoverReceiver() { close(); }
    FileHandoverReceiver(const FileHandoverReceiver&) = delete;
    FileHandoverReceiver& operator=(const FileHandoverReceiver&) = delete;

    bool listen();          // false when the socket cannot be made (the copy then just takes none)
    void close();
    int fd() const { return fd_; }  // readable when a datagram waits (non-blocking)
    const std::string& path() const { return path_; }
    // The next path waiting, skipping datagrams of other users; nothing when none waits.
    std::optional<std::string> receive();

private:
    std::string path_;
    int fd_ = -1;
};
