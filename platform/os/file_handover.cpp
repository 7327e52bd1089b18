#include "platform/os/file_handover.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr size_t kMaxPath = 4096;  // PATH_MAX: a longer one is not a path the program can open

bool addressOf(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string handoverSocketPath(const std::string& lockPath)
{
    const std::string suffix = ".lock";
    if (lockPath.size() > suffix.size() && lockPath.compare(lockPath.size() - suffix.size(), suffix.size(), suffix) == 0)
        return lockPath.substr(0, lockPath.size() - suffix.size()) + ".sock";
    return lockPath + ".sock";
}

bool handFileOver(const std::string& socketPath, const std::string& filePath)
{
    sockaddr_un address;
    if (!addressOf(socketPath, address) || filePath.empty() || filePath.size() > kMaxPath)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const ssize_t sent = ::sendto(fd, filePath.data(), filePath.size(), MSG_DONTWAIT,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
    return sent == static_cast<ssize_t>(filePath.size());
}

bool FileHandoverReceiver::listen()
{
    sockaddr_un address;
    if (fd_ >= 0 || !addressOf(path_, address))
        return fd_ >= 0;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Each datagram then carries its sender's credentials, checked in receive().
    const int on = 1;
    ::unlink(path_.c_str());  // left by a copy that crashed; the lock says none runs now
    if (::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    ::chmod(path_.c_str(), 0600);  // the runtime directory is private already; /tmp is not
    fd_ = fd;
    return true;
}

void FileHandoverReceiver::close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    ::unlink(path_.c_str());
    fd_ = -1;
}

std::optional<std::string> FileHandoverReceiver::receive()
{
    while (fd_ >= 0) {
        char buffer[kMaxPath + 1];
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        iovec part{buffer, sizeof buffer};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(fd_, &message, MSG_DONTWAIT);
        if (size < 0)
            return std::nullopt;  // none waits (EAGAIN), or the socket failed
        const cmsghdr* header = CMSG_FIRSTHDR(&message);
        ucred sender{};
        const bool credentials = header && header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_CREDENTIALS;
        if (credentials)
            std::memcpy(&sender, CMSG_DATA(header), sizeof sender);
        if (!credentials || sender.uid != ::getuid() || (message.msg_flags & MSG_TRUNC) || size == 0)
            continue;  // another user's, cut short or empty: not a file for us
        return std::string(buffer, static_cast<size_t>(size));
    }
    return std::nullopt;
}
