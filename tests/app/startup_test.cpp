// The whole program run: memory that runs out ends the run with the status
// of the step it happened in, never with an abort.
#include "app/startup.h"

#include <sys/resource.h>

#include <csignal>
#include <new>
#include <vector>

#include "app_test_support.h"

namespace veldrim::testing {
namespace {

// A window whose first message finds no memory left: the allocation that
// fails is the one the message needs.
class OutOfMemoryUi : public ScriptedUi {
public:
    void ShowMessage(const std::string&, const std::string&, MessageKind) override {
        throw std::bad_alloc();
    }
};

class Startup : public AppFileTest {
protected:
    int Run(std::vector<const char*> args) {
        args.insert(args.begin(), "veldrim");
        return RunProgram(static_cast<int>(args.size()), args.data());
    }
    OutOfMemoryUi oom;
};

TEST_F(Startup, RunningOutOfMemoryWhileReadingEndsWithTheReadStatus) {
    ScopedUi scoped(oom);
    const std::string bad = dir + "/bad.qb3";
    Spit(bad, "only one line\r\n");  // its read error message needs memory
    EXPECT_EQ(Run({bad.c_str(), "/I", "/NOGUI"}), kExitUnreadable);
}

TEST_F(Startup, RunningOutOfMemoryWhileWritingEndsWithTheWriteStatus) {
    ScopedUi scoped(oom);
    const std::string edi = dir + "/gear.edi";
    Spit(edi, Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi"));
    // The exchange file cannot be written beyond 100 bytes: the message of
    // the failed write finds no memory.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{100, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const int status = Run({edi.c_str(), "/E", "/NOGUI"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, kExitOutputFailed);
    EXPECT_EQ(Slurp(edi), Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi")) << "the old file stays";
}

}  // namespace
}  // namespace veldrim::testing
