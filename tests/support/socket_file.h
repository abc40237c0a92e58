#pragma once
// A socket bound at a name by a test: one more thing that may stand where a
// file is expected, beside a folder, a pipe and a link to a device.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace veldrim::testing {

// A socket bound at path (left there when its descriptor closes). False when
// the name is too long for a socket or nothing could be bound there.
inline bool MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return bound;
}

}  // namespace veldrim::testing
