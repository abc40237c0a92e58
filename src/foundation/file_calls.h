#pragma once
// The one call table through which the table engine, the memo and index
// files and the whole-file saves reach the operating system's file calls
// (opening, reading, writing, syncing, renaming, truncating, removing and the
// open-file-description locks). A test replaces the table to fail or drop
// the Nth call and so checks what a full disk or a killed program leaves.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace veldrim {

struct FileCallTable {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*openat)(int dirFd, const char* path, int flags, mode_t mode);
    // Creates a unique file from a name ending in "XXXXXX" (mkostemp).
    int (*mkostemp)(char* nameTemplate, int flags);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buf, std::size_t n);
    ssize_t (*write)(int fd, const void* buf, std::size_t n);
    ssize_t (*pread)(int fd, void* buf, std::size_t n, off_t offset);
    ssize_t (*pwrite)(int fd, const void* buf, std::size_t n, off_t offset);
    int (*fsync)(int fd);
    int (*ftruncate)(int fd, off_t length);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*link)(const char* from, const char* to);
    int (*fchmod)(int fd, mode_t mode);
    int (*fstat)(int fd, struct stat* st);
    // fcntl with F_OFD_SETLK, F_OFD_SETLKW or F_OFD_GETLK.
    int (*lock)(int fd, int command, struct flock* region);
};

// The table in use; it starts as the operating system's calls.
extern FileCallTable FileCalls;

// The operating system's calls.
const FileCallTable& SystemFileCalls();

// FileCalls back to the operating system's calls.
void ResetFileCalls();

// Writes all `n` bytes at `offset` through the call table, again after an
// interrupted call; a write that takes nothing fails as a full disk (errno
// ENOSPC). False with errno set when a call fails.
bool WriteAllAt(int fd, const void* buf, std::size_t n, off_t offset);

}  // namespace veldrim
