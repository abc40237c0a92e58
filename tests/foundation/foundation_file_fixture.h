#pragma once
// Test support of the foundation tests: the whole program state at its
// start-up values, a scripted UI and a temporary folder removed afterwards.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim::testing {

// The texts of the message list, in order.
inline std::vector<std::string> MessageListTexts() {
    std::vector<std::string> out;
    for (int i = 1; i <= messageList.count; ++i) out.push_back(messageList.slot[i]);
    return out;
}

// A fixed moment of the clock.
inline std::tm Moment(int year, int month, int day, int hour = 0, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour,
    t.tm_min = minute;
    return t;
}

// The whole program state at its start-up values before and after each test.
class StateFixture : public ::testing::Test {
protected:
    void SetUp() override { ResetAllProgramState(); }
    void TearDown() override { ResetAllProgramState(); }
};

// A clean state, a scripted UI and a temporary folder removed afterwards.
class FileFixture : public StateFixture {
protected:
    std::string Path(const std::string& leaf) const { return dir + "/" + leaf; }
    static std::string Slurp(const std::string& path) { return testing::Slurp(path); }
    static void Spit(const std::string& path, const std::string& bytes) {
        testing::Spit(path, bytes);
    }
    // The texts of the calls of one kind that the scripted UI received.
    std::vector<std::string> Shown(const std::string& kind = "message") const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf(kind)) out.push_back(c.text);
        return out;
    }
    // "title|text" of every call (of one kind) the scripted UI received.
    std::vector<std::string> Calls(const std::string& kind = "") const {
        std::vector<std::string> out;
        for (const auto& c : kind.empty() ? ui.calls : ui.CallsOf(kind))
            out.push_back(c.title + "|" + c.text);
        return out;
    }
    // Saves one line through the shared text file; the result of the close.
    static int Save(const std::string& path, const std::string& line) {
        sharedTextFile.Assign(path);
        if (int r = sharedTextFile.Rewrite(); r != kIoOk) return r;
        WriteTextLine(line);
        return sharedTextFile.Close();
    }
    // The names in the folder, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(dir), {}));
    }

    TempDir tmp{"veldrim-test"};
    const std::string dir = tmp.path();
    ScriptedUi ui;
    ScopedUi scope{ui};
};

// The user the rights tests run as when the tests run as root, who writes
// anywhere: "nobody".
inline constexpr uid_t kOrdinaryUser = 65534;

// Gives a file or folder to that user when the tests run as root, so that it
// keeps its permissions for him. False when that failed.
inline bool HandToOrdinaryUser(const std::string& path) {
    return ::geteuid() != 0 || ::chown(path.c_str(), kOrdinaryUser, kOrdinaryUser) == 0;
}

// Runs `body` in a child process as an ordinary user (kOrdinaryUser when the
// tests run as root) and returns the text it returned; a child that could
// not run it or write its text back adds a note of how it ended.
inline std::string AsOrdinaryUser(const std::function<std::string()>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return "<no pipe>";
    const pid_t child = ::fork();
    if (child < 0) return "<no child process>";
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::geteuid() == 0 && (::setgid(kOrdinaryUser) != 0 || ::setuid(kOrdinaryUser) != 0))
            ::_exit(2);
        const std::string out = body();
        const bool written =
            ::write(pipeFds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(pipeFds[1]);
    std::string got;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    ::close(pipeFds[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        got += "<child ended with status " + std::to_string(status) + ">";
    return got;
}

}  // namespace veldrim::testing
