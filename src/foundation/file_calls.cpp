#include "foundation/file_calls.h"

#include <cerrno>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace veldrim {

namespace {

int SysOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int SysOpenAt(int dirFd, const char* path, int flags, mode_t mode) {
    return ::openat(dirFd, path, flags, mode);
}
int SysLock(int fd, int command, struct flock* region) { return ::fcntl(fd, command, region); }

constexpr FileCallTable kSystem{
    .open = SysOpen,
    .openat = SysOpenAt,
    .mkostemp = ::mkostemp,
    .close = ::close,
    .read = ::read,
    .write = ::write,
    .pread = ::pread,
    .pwrite = ::pwrite,
    .fsync = ::fsync,
    .ftruncate = ::ftruncate,
    .rename = ::rename,
    .unlink = ::unlink,
    .link = ::link,
    .fchmod = ::fchmod,
    .fstat = ::fstat,
    .lock = SysLock,
};

}  // namespace

FileCallTable FileCalls = kSystem;

const FileCallTable& SystemFileCalls() { return kSystem; }

void ResetFileCalls() { FileCalls = kSystem; }

bool WriteAllAt(int fd, const void* buf, std::size_t n, off_t offset) {
    std::size_t done = 0;
    const auto* b = static_cast<const unsigned char*>(buf);
    while (done < n) {
        const ssize_t r =
            FileCalls.pwrite(fd, b + done, n - done, offset + static_cast<off_t>(done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace veldrim
