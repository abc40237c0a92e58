#pragma once
// Helpers for the table engine tests.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "foundation/ui_services.h"
#include "support/outside_programs.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "tables/engine/dbf_file.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/locking.h"
#include "tables/engine/work_areas.h"

namespace veldrim::testing {

// A clean engine before and after each test, and a scratch folder that
// goes with the test (removed after the engine has closed its files).
class TableTest : public ::testing::Test {
protected:
    void SetUp() override { ResetAllProgramState(); }
    void TearDown() override { ResetAllProgramState(); }
    std::string Path(const std::string& name) const { return tmp / name; }
    static void UseIn(int area, const std::string& clause) {
        Select(area);
        USE(clause);
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        const std::string s = Slurp(path);
        return {s.begin(), s.end()};
    }
    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
        Spit(path, std::string(b.begin(), b.end()));
    }
    std::string Make(const std::string& name, const std::vector<TFieldEntry>& fields) {
        CreateDbf(Path(name), fields);
        return Path(name);
    }

    TempDir tmp{"veldrim_tables"};
    const std::string dir = tmp.path();
    ScriptedUi ui;
    ScopedUi scoped{ui};
};

// The message of the engine error that `call` raises.
template <class Call>
std::string Raised(Call call) {
    try {
        call();
    } catch (const EDurazError& e) {
        return e.what();
    }
    return "<nothing raised>";
}
inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline TFieldEntry F(const std::string& name, char type, int len = 0, int dec = 0) {
    return TFieldEntry{name, type, static_cast<uint8_t>(len), static_cast<uint8_t>(dec)};
}

// Runs an outside program and returns its standard output; *rc is its exit
// status.
inline std::string RunCapture(const std::vector<std::string>& argv, int* rc = nullptr) {
    return RunOutside(argv, rc);
}

// Open descriptors of this process (to find leaked handles).
inline int OpenDescriptorCount() {
    using It = std::filesystem::directory_iterator;
    return static_cast<int>(std::distance(It("/proc/self/fd"), It()));
}

// Little-endian helpers for hand-built table files.
inline void Put16(std::vector<uint8_t>& b, std::size_t at, unsigned v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
inline void Put32(std::vector<uint8_t>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

struct RawField {
    std::string name;
    char type;
    int length;
    int decimals;
};

// A dBase III style table (32-byte descriptors) or level 7 (48-byte
// descriptors after a 36-byte block) with the given records.
inline std::vector<uint8_t> BuildDbf(uint8_t version, const std::vector<RawField>& fields,
                                     const std::vector<std::string>& records, bool level7 = false) {
    const int desc = level7 ? 48 : 32;
    const int headerLength = 32 + (level7 ? 36 : 0) + desc * static_cast<int>(fields.size()) + 1;
    int recLen = 1;
    for (const auto& f : fields) recLen += f.length;
    std::vector<uint8_t> b(headerLength, 0);
    b[0] = version;
    b[1] = 126;
    b[2] = 12;
    b[3] = 6;
    Put32(b, 4, static_cast<uint32_t>(records.size()));
    Put16(b, 8, headerLength);
    Put16(b, 10, recLen);
    std::size_t at = 32 + (level7 ? 36 : 0);
    for (const auto& f : fields) {
        for (std::size_t i = 0; i < f.name.size(); ++i) b[at + i] = f.name[i];
        b[at + (level7 ? 32 : 11)] = static_cast<uint8_t>(f.type);
        b[at + (level7 ? 33 : 16)] = static_cast<uint8_t>(f.length);
        b[at + (level7 ? 34 : 17)] = static_cast<uint8_t>(f.decimals);
        at += desc;
    }
    b[headerLength - 1] = 0x0D;
    for (const auto& r : records) {
        std::string rec = r;
        rec.resize(recLen, ' ');
        b.insert(b.end(), rec.begin(), rec.end());
    }
    b.push_back(0x1A);
    return b;
}

// Another program on the same tables: a child process that runs `work` and
// talks with the test through two pipes, one character at a time (a test
// waits for what the other side says, never for a time).
class Peer {
public:
    explicit Peer(const std::function<int(Peer&)>& work) {
        if (::pipe(down_) != 0 || ::pipe(up_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(down_[1]);
            ::close(up_[0]);
            int rc = 3;
            try {
                rc = work(*this);
            } catch (...) {
            }
            ::_exit(rc);
        }
        ::close(down_[0]);
        ::close(up_[1]);
    }
    ~Peer() {
        if (pid_ > 0) Finish();
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool Started() const { return pid_ > 0; }
    // In the child: says `c` to the test; waits for the test's next word
    // (0 when the test has gone).
    void Tell(char c) { (void)!::write(up_[1], &c, 1); }
    char Await() {
        char c = 0;
        return ::read(down_[0], &c, 1) == 1 ? c : 0;
    }
    // In the test: says `c` to the child; waits for the child's next word (0
    // when the child has ended).
    void Send(char c) { (void)!::write(down_[1], &c, 1); }
    char Receive() {
        char c = 0;
        return ::read(up_[0], &c, 1) == 1 ? c : 0;
    }
    // Says `c` and waits for the child's answer.
    char Ask(char c) {
        Send(c);
        return Receive();
    }
    // Ends the talk and waits for the child: its exit status, -1 when it did
    // not exit normally.
    int Finish() {
        if (pid_ <= 0) return -1;
        ::close(down_[1]);
        ::close(up_[0]);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    int down_[2] = {-1, -1};
    int up_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// Another program that opens the table at `path` in a work area of its own
// and holds its file lock until the test says a word or ends the talk. It
// says 'y' once it holds the lock, 'n' when the lock was refused.
inline Peer FileLockHolder(const std::string& path) {
    return Peer([path](Peer& p) {
        Select(20);
        USE(path + " ALIAS OTHER");
        p.Tell(FLock() ? 'y' : 'n');
        p.Await();
        return 0;
    });
}

// The files of a folder (not its subfolders) with their bytes.
inline std::map<std::string, std::string> FolderFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file()) files[e.path().filename().string()] = Slurp(e.path().string());
    return files;
}

// Each file of `after` has the name and the bytes it had in `before`.
inline void ExpectSameFiles(const std::map<std::string, std::string>& before,
                            const std::map<std::string, std::string>& after,
                            const std::string& label) {
    std::vector<std::string> namesBefore, namesAfter;
    for (const auto& [name, bytes] : before) namesBefore.push_back(name);
    for (const auto& [name, bytes] : after) namesAfter.push_back(name);
    EXPECT_EQ(namesAfter, namesBefore) << label;
    for (const auto& [name, bytes] : before) {
        const auto it = after.find(name);
        if (it == after.end()) continue;
        EXPECT_EQ(it->second.size(), bytes.size()) << label << ": " << name;
        EXPECT_TRUE(it->second == bytes) << label << ": the bytes of " << name << " changed";
    }
}

}  // namespace veldrim::testing
