#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace {

std::string directoryOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A name in the same directory that no other writer (thread or process) picks at the same time.
std::string temporaryNameFor(const std::string& path, unsigned attempt, const std::string& suffix = "")
{
    static std::atomic<unsigned> counter{0};
    const std::string dir = directoryOf(path);
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    return (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".tmp-" + std::to_string(getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + "-" + std::to_string(attempt) + suffix;
}

// Makes the rename itself durable; a directory that cannot be synced is not a failed write.
void syncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// A replaced file keeps its permission bits; a new one keeps 0666 less the umask.
void keepPermissions(int fd, const std::string& path)
{
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
}

}  // namespace

bool writeAll(int fd, std::span<const uint8_t> bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;  // ENOSPC, EFBIG, EIO ... or no progress at all
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string temporaryPathFor(const std::string& path, const std::string& suffix)
{
    for (unsigned attempt = 0;; ++attempt) {
        std::string name = temporaryNameFor(path, attempt, suffix);
        struct stat info {};
        if (attempt >= 16 || ::lstat(name.c_str(), &info) != 0)
            return name;
    }
}

bool commitTemporaryFile(const std::string& temporary, const std::string& path)
{
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = fd >= 0;
    if (ok) {
        keepPermissions(fd, path);
        ok = ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
    }
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncDirectory(directoryOf(path));
    return true;
}

bool writeFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    if (path.empty() || path.back() == '/')
        return false;

    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = temporaryNameFor(path, attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = writeAll(fd, bytes);
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    return commitTemporaryFile(temporary, path);  // permissions, fsync, rename
}

bool StagedFile::open()
{
    for (unsigned attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temporary_ = temporaryNameFor(target_, attempt);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        temporary_.clear();
    return fd_ >= 0;
}

bool StagedFile::append(std::span<const uint8_t> bytes)
{
    if (fd_ < 0 || !writeAll(fd_, bytes))
        return false;
    // Wait for the previous piece to reach the disk and start this one's write: the dirty pages
    // stay about two pieces, so neither a cancel nor the commit's fsync waits on a large backlog.
    if (lastPieceStart_ < written_)
        ::sync_file_range(fd_, lastPieceStart_, written_ - lastPieceStart_,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    lastPieceStart_ = written_;
    written_ += static_cast<int64_t>(bytes.size());
    ::sync_file_range(fd_, lastPieceStart_, written_ - lastPieceStart_, SYNC_FILE_RANGE_WRITE);
    return true;
}

bool StagedFile::commit()
{
    if (fd_ < 0)
        return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!closed) {
        abandon();
        return false;
    }
    const bool ok = commitTemporaryFile(temporary_, target_);  // removes the temporary file on failure
    temporary_.clear();
    return ok;
}

void StagedFile::abandon()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

int64_t readFilePrefix(const std::string& path, std::span<uint8_t> buffer)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return static_cast<int64_t>(done);
}
