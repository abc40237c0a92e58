#pragma once
// A named pipe made by a test in its own folder, and a watch over it.
//
// A command that opens the pipe for writing waits there until someone reads
// it, one that opens it for reading until someone writes. So that such a
// fault fails a test instead of hanging it, the watch waits a grace time;
// when the command has not returned by then, it opens the pipe for reading
// (which lets a waiting writer go on) and opens and closes it for writing
// (which lets a waiting reader go on to the end of the file), reads whatever
// comes and records that it had to. Freed() then names the fault.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace veldrim::testing {

class FifoWatch {
public:
    explicit FifoWatch(std::string path,
                       std::chrono::milliseconds grace = std::chrono::milliseconds(5000))
        : path_(std::move(path)) {
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (made_) thread_ = std::thread([this, grace] { Watch(grace); });
    }
    ~FifoWatch() { Stop(); }
    FifoWatch(const FifoWatch&) = delete;
    FifoWatch& operator=(const FifoWatch&) = delete;

    // True when the pipe could be made.
    bool Made() const { return made_; }
    // The command returned: the watch ends. True when it never had to read
    // the pipe to let a writer go on.
    bool Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
        return !freed_;
    }
    // True when a writer waited on the pipe for longer than the grace time.
    bool Freed() const { return freed_; }
    // True when the name still is the pipe the test made.
    bool StillAPipe() const {
        struct stat st {};
        return ::lstat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    }

private:
    void Watch(std::chrono::milliseconds grace) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, grace, [this] { return stopped_; })) return;
        lock.unlock();
        const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return;
        freed_ = true;
        if (const int writer = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            writer >= 0)
            ::close(writer);
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) continue;
            lock.lock();
            const bool stop =
                wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return stopped_; });
            lock.unlock();
            if (stop) break;
        }
        ::close(fd);
    }

    std::string path_;
    bool made_ = false;
    std::atomic<bool> freed_{false};
    bool stopped_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace veldrim::testing
