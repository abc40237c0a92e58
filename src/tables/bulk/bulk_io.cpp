// Raw block reads and writes of the bulk verbs.
#include "tables/bulk/bulk_io.h"

#include "foundation/file_calls.h"

#include <unistd.h>

#include <cerrno>

namespace veldrim::bulk {

bool ReadAt(int fd, uint8_t* buf, std::size_t n, off_t off, std::size_t& got) {
    got = 0;
    while (got < n) {
        const ssize_t r = FileCalls.pread(fd, buf + got, n - got, off + static_cast<off_t>(got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* buf, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = FileCalls.write(fd, buf + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

}  // namespace veldrim::bulk
