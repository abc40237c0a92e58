#include "foundation/file_calls.h"

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

}  // namespace veldrim
