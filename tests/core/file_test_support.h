// Scratch directories, tmpfs mounts and raw byte helpers for the file tests.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Little-endian stores at a byte offset, independent of the code under test.
inline void putI32(Bytes& b, size_t at, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
}
inline void putF64(Bytes& b, size_t at, double v)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<uint8_t>(bits >> (8 * i));
}

// A fresh directory, removed with its contents (and unmounted, if mounted) at the end.
struct ScratchDir {
    std::string path;
    bool mounted = false;
    ScratchDir()
    {
        char name[] = "/tmp/pulselattice-test-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~ScratchDir()
    {
        if (mounted)
            ::umount2(path.c_str(), MNT_DETACH);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
    // A tmpfs of `bytes` over this directory; false where mounting is not allowed.
    bool mountTmpfs(size_t bytes)
    {
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
        return mounted;
    }
    bool remountReadOnly()
    {
        return ::mount("tmpfs", path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    size_t entryCount() const
    {
        return std::distance(std::filesystem::directory_iterator(path), std::filesystem::directory_iterator());
    }
};
