#include "engine/atomicfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quv {

namespace {

namespace fs = std::filesystem;

// Distinguishes the temporary files of one process.
std::atomic<unsigned> TemporaryCounter{0};

std::string SystemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

bool MakeParentFolders(const std::string& path, std::string& error)
{
    const fs::path parent = fs::path(path).parent_path();
    if (parent.empty())
        return true;
    std::error_code ec;
    fs::create_directories(parent, ec);
    if (ec) {
        error = "cannot make the folder " + parent.string() + ": " + ec.message();
        return false;
    }
    return true;
}

// The folder's entry for the renamed file must reach the disk too, or a crash can lose it.
void SyncFolderOf(const std::string& path)
{
    const fs::path parent = fs::path(path).parent_path();
    const int dir = open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

} // namespace

bool WriteAll(int fd, const void* data, size_t size, std::string& error)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = std::string("write failed: ") + std::strerror(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string TemporaryNameBeside(const std::string& path, std::string& error)
{
    if (!MakeParentFolders(path, error))
        return {};
    const fs::path target(path);
    const std::string name = "." + target.filename().string() + "." + std::to_string(getpid()) +
                             "-" + std::to_string(++TemporaryCounter) + ".part" +
                             target.extension().string();
    return (target.parent_path() / name).string();
}

bool CommitTemporaryFile(const std::string& temporary, const std::string& path, std::string& error)
{
    const int fd = open(temporary.c_str(), O_RDONLY);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    if (!synced)
        error = SystemError("cannot flush", temporary);
    if (fd >= 0)
        close(fd);
    if (synced && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemError("cannot write", path);
    } else if (synced) {
        SyncFolderOf(path);
        return true;
    }
    std::remove(temporary.c_str());
    return false;
}

bool WriteFileAtomic(const std::string& path, const FileFiller& fill, std::string& error)
{
    const std::string temporary = TemporaryNameBeside(path, error);
    if (temporary.empty())
        return false;
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = SystemError("cannot write", path);
        return false;
    }
    std::string why;
    bool ok = fill(fd, why);
    if (!ok)
        error = "cannot write " + path + ": " + why;
    if (ok && fsync(fd) != 0) {
        error = SystemError("cannot flush", path);
        ok = false;
    }
    if (close(fd) != 0 && ok) {
        error = SystemError("cannot write", path);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = SystemError("cannot write", path);
        ok = false;
    }
    if (!ok) {
        std::remove(temporary.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string& error)
{
    return WriteFileAtomic(
        path, [&](int fd, std::string& why) { return WriteAll(fd, data, size, why); }, error);
}

} // namespace quv
