// The temporary file of a save beside targets of every length the folder
// takes, and saves onto names that lead to no plain file.
#include "foundation/save_target.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation_file_fixture.h"
#include "support/fifo_watch.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class SaveEdges : public FileFixture {
protected:
    // The temporary file a save killed at once leaves for target.
    std::string LeaveStaleTemp(const std::string& target) {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return {};
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::string temp;
            const int fd = CreateSaveTemp(target, temp);
            const std::string said = fd >= 0 ? temp : std::string();
            (void)!::write(pipeEnds[1], said.data(), said.size());
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        std::string temp;
        char buf[512];
        for (ssize_t n; (n = ::read(pipeEnds[0], buf, sizeof buf)) > 0;) temp.append(buf, n);
        ::close(pipeEnds[0]);
        ::waitpid(pid, nullptr, 0);
        return temp;
    }
};

// Whatever the length of the target's name up to the folder's limit of 255
// bytes, its temporary file fits, the save goes through, and the temporary
// file a killed save left is removed by the next one. From 226 bytes on, the
// name with its marker, the process id and the unique tail would pass 255.
TEST_F(SaveEdges, EveryNameTheFolderTakesHasATemporaryFileThatFits) {
    std::string umlauts;
    for (int i = 0; i < 127; ++i) umlauts += "\xC3\xB6";  // 254 bytes of two-byte letters
    std::vector<std::string> leaves{std::string("g.qb3"), std::string(200, 'a'),
                                    std::string(222, 'b')};
    for (std::size_t length = 226; length <= 237; ++length) leaves.emplace_back(length, 'f');
    for (const std::string& leaf :
         {std::string(238, 'c'), std::string(250, 'd'), std::string(255, 'e'), umlauts + "x"})
        leaves.push_back(leaf);
    for (const std::string& leaf : leaves) {
        SCOPED_TRACE(leaf.size());
        const std::string target = Path(leaf);
        const std::string stale = LeaveStaleTemp(target);
        ASSERT_FALSE(stale.empty()) << "no temporary file could be made";
        const std::string staleLeaf = fs::path(stale).filename().string();
        EXPECT_LE(staleLeaf.size(), 255u);
        EXPECT_NE(staleLeaf.find(".unfinished-save."), std::string::npos) << staleLeaf;
        // No letter of the name is cut in two.
        for (std::size_t i = 0; i < staleLeaf.size(); ++i) {
            if (staleLeaf[i] == '\xC3') {
                ASSERT_LT(i + 1, staleLeaf.size());
                EXPECT_EQ(staleLeaf[i + 1], '\xB6') << staleLeaf;
            }
        }
        ASSERT_EQ(Save(target, "saved"), kIoOk) << sharedTextFile.FailureReason();
        EXPECT_EQ(Slurp(target), "saved\r\n");
        EXPECT_EQ(Entries(), std::vector<std::string>{leaf});
        fs::remove(target);
    }
}

// Two long names alike in their first 240 bytes keep their temporary files
// apart: a save of one never removes the other's.
TEST_F(SaveEdges, LongNamesAlikeAtTheStartKeepTheirTemporaryFilesApart) {
    const std::string common(240, 'w');
    const std::string first = Path(common + "-eins.qb3"), second = Path(common + "-zwei.qb3");
    const std::string stale = LeaveStaleTemp(first);
    ASSERT_FALSE(stale.empty());
    ASSERT_EQ(Save(second, "zwei"), kIoOk);
    EXPECT_TRUE(fs::exists(stale));
    ASSERT_EQ(Save(first, "eins"), kIoOk);
    EXPECT_FALSE(fs::exists(stale));
}

// A pipe, a link to a pipe and a device are refused before anything opens
// them: the save returns at once and names why.
TEST_F(SaveEdges, ANameLeadingToNoPlainFileIsRefusedBeforeItIsOpened) {
    const std::string pipe = Path("pipe.cfg");
    FifoWatch watch(pipe);
    ASSERT_TRUE(watch.Made());
    fs::create_symlink(pipe, Path("link.cfg"));
    for (const std::string& name : {pipe, Path("link.cfg")}) {
        std::string target, temp;
        errno = 0;
        EXPECT_EQ(BeginSave(name, target, temp), -1) << name;
        EXPECT_EQ(errno, kNoPlainFileError) << name;
        EXPECT_EQ(temp, "") << name;
        EXPECT_EQ(SaveFailureText(name, kNoPlainFileError),
                  "Datei " + name + " ist keine gew\x94hnliche Datei und wird nicht \x81" +
                      "berschrieben !");
    }
    EXPECT_EQ(Save(Path("link.cfg"), "x"), kIoDriveNotReady);
    EXPECT_TRUE(watch.Stop()) << "a save waited on the pipe";
    EXPECT_TRUE(watch.StillAPipe());
    EXPECT_TRUE(fs::is_symlink(Path("link.cfg")));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.cfg", "pipe.cfg"}));
}

}  // namespace
}  // namespace veldrim::testing
