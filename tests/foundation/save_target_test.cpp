// Whole-file saves through links, temporary files of killed saves, private
// scratch files, and the reading limits of the shared text file.
#include "foundation/save_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "foundation_file_fixture.h"

namespace veldrim::testing {
namespace {

namespace fs = std::filesystem;

class SaveTargetTest : public FileFixture {
protected:
    // The id of a process that has ended.
    static pid_t EndedProcess() {
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(0);
        ::waitpid(pid, nullptr, 0);
        return pid;
    }
};

TEST_F(SaveTargetTest, ASaveThroughALinkKeepsTheLinkAndReplacesItsTarget) {
    fs::create_directory(Path("real"));
    Spit(Path("real/gear.qb3"), "old\r\n");
    fs::create_symlink("real/gear.qb3", Path("gear.qb3"));     // relative link
    fs::create_symlink(Path("gear.qb3"), Path("second.qb3"));  // a chain of two
    ASSERT_EQ(Save(Path("second.qb3"), "new"), kIoOk);
    EXPECT_TRUE(fs::is_symlink(Path("second.qb3")));
    EXPECT_TRUE(fs::is_symlink(Path("gear.qb3")));
    EXPECT_EQ(Slurp(Path("real/gear.qb3")), "new\r\n");
    // The temporary file was made beside the target, and is gone.
    EXPECT_EQ(Entries(), (std::vector<std::string>{"gear.qb3", "real", "second.qb3"}));
    EXPECT_EQ(fs::directory_iterator(Path("real"))->path().filename(), "gear.qb3");
}

TEST_F(SaveTargetTest, ALinkToAMissingFileCreatesTheFileItNames) {
    fs::create_directory(Path("real"));
    fs::create_symlink("real/new.qb3", Path("new.qb3"));
    ASSERT_EQ(Save(Path("new.qb3"), "made"), kIoOk);
    EXPECT_TRUE(fs::is_symlink(Path("new.qb3")));
    EXPECT_EQ(Slurp(Path("real/new.qb3")), "made\r\n");
}

// The kernel's protected-symlinks rule: in a folder that is sticky and open
// to everyone (such as /tmp), a link is followed only when it belongs to the
// user or to the folder's owner. A save through any other link is refused
// and the file it points to stays as it was.
TEST_F(SaveTargetTest, ALinkPlantedByAnotherUserInASharedStickyFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link another owner needs root";
    const uid_t me = ::geteuid();
    const uid_t other = 65534, third = 65533;
    struct Case {
        const char* label;
        unsigned folderMode;
        uid_t folderOwner;
        uid_t linkOwner;
        bool followed;
    };
    const Case cases[] = {
        {"another user's link, shared sticky folder", 01777, me, other, false},
        {"another user's link, folder of a third user", 01777, other, third, false},
        {"own link, shared sticky folder", 01777, me, me, true},
        {"the folder owner's link", 01777, other, other, true},
        {"another user's link, folder not sticky", 0777, me, other, true},
        {"another user's link, sticky folder closed to others", 01775, me, other, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = Path("shared" + std::to_string(++n));
        const std::string target = Path("target" + std::to_string(n) + ".txt");
        fs::create_directory(folder);
        ASSERT_EQ(::chown(folder.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        Spit(target, "old\r\n");
        const std::string link = folder + "/job.txt";
        fs::create_symlink(target, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        const int result = Save(link, "new");
        if (c.followed) {
            EXPECT_EQ(result, kIoOk) << c.label;
            EXPECT_EQ(Slurp(target), "new\r\n") << c.label;
        } else {
            EXPECT_EQ(result, kIoAccessDenied) << c.label;
            EXPECT_EQ(sharedTextFile.FailureReason(), "Permission denied") << c.label;
            EXPECT_EQ(Slurp(target), "old\r\n") << c.label;
        }
        EXPECT_TRUE(fs::is_symlink(link)) << c.label;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
            << c.label << ": no temporary file stays in the folder";
    }
    // A chain is checked link by link: the user's own link that leads to a
    // planted one ends there.
    const std::string own = Path("own.txt");
    fs::create_symlink(Path("shared1/job.txt"), own);
    EXPECT_EQ(Save(own, "new"), kIoAccessDenied);
    EXPECT_EQ(Slurp(Path("target1.txt")), "old\r\n");
}

TEST_F(SaveTargetTest, TemporaryFilesOfKilledSavesAreRemovedByTheNextSave) {
    const std::string dead = std::to_string(EndedProcess());
    const std::string alive = std::to_string(::getpid());
    Spit(Path("gear.qb3"), "old\r\n");
    struct Case {
        std::string name;
        bool removed;
    };
    const Case cases[] = {
        {".gear.qb3.unfinished-save." + dead + ".Ab12Cd", true},    // its process ended
        {".gear.qb3.unfinished-save." + alive + ".Ef34Gh", false},  // a save still running
        {".other.qb3.unfinished-save." + dead + ".Ij56Kl", false},  // another target's
        {".gear.qb3.unfinished-save." + dead + ".short", false},    // not a name we make
        {"gear.qb3.unfinished-save." + dead + ".Mn78Op", false},    // not hidden
    };
    for (const Case& c : cases) Spit(Path(c.name), "partial");
    // A temporary file whose process is gone but that another open file
    // still locks is kept as well.
    const std::string held = ".gear.qb3.unfinished-save." + dead + ".Qr90St";
    Spit(Path(held), "partial");
    const int fd = ::open(Path(held).c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);

    ASSERT_EQ(Save(Path("gear.qb3"), "new"), kIoOk);
    for (const Case& c : cases) EXPECT_EQ(!fs::exists(Path(c.name)), c.removed) << c.name;
    EXPECT_TRUE(fs::exists(Path(held)));
    ::close(fd);
    EXPECT_EQ(Slurp(Path("gear.qb3")), "new\r\n");
}

TEST_F(SaveTargetTest, TheTemporaryFileOfASaveSaysWhatItIs) {
    sharedTextFile.Assign(Path("gear.qb3"));
    ASSERT_EQ(sharedTextFile.Rewrite(), kIoOk);
    const std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 1u);
    const std::string prefix = ".gear.qb3.unfinished-save." + std::to_string(::getpid()) + ".";
    EXPECT_EQ(entries[0].substr(0, prefix.size()), prefix);
    EXPECT_EQ(entries[0].size(), prefix.size() + 6);
    sharedTextFile.Discard();
    EXPECT_TRUE(Entries().empty());
}

TEST_F(SaveTargetTest, ExclusiveCreationRefusesAPlantedLinkAndLeavesItsTargetAlone) {
    Spit(Path("victim"), "precious");
    fs::create_symlink(Path("victim"), Path("$BLOCK.dx$"));
    errno = 0;
    EXPECT_EQ(CreateExclusive(Path("$BLOCK.dx$")), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Slurp(Path("victim")), "precious");
    const int fd = CreateExclusive(Path("fresh"));
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(fs::status(Path("fresh")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SaveTargetTest, ThePrivateScratchFolderIsTheUsersOwnAndClosedToOthers) {
    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_CACHE_HOME", dir.c_str(), 1);
    userDirectory.clear();
    const std::string folder = PrivateScratchFolder();
    EXPECT_EQ(folder, Path("veldrim"));
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    // A folder that others may enter is closed again.
    fs::permissions(folder, fs::perms::all);
    EXPECT_EQ(PrivateScratchFolder(), folder);
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    // A link planted at the name is not a private folder.
    fs::remove(folder);
    fs::create_symlink("/tmp", folder);
    EXPECT_EQ(PrivateScratchFolder(), "");
    // A user directory that is set is the folder.
    userDirectory = Path("mine");
    EXPECT_EQ(PrivateScratchFolder(), Path("mine"));
    if (before)
        ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}

TEST_F(SaveTargetTest, SystemReasonsDoNotDependOnTheLocale) {
    EXPECT_EQ(SystemReason(ENOSPC), "No space left on device");
    EXPECT_EQ(SystemReason(EACCES), "Permission denied");
    EXPECT_EQ(SystemReason(EISDIR), "Is a directory");
}

// ---- reading limits ----------------------------------------------------------

TEST_F(SaveTargetTest, ALineBeyondTheLimitFailsWithItsLineNumberAndEndsTheRead) {
    const std::string limitLine(kValueLineLimit, 'x');
    Spit(Path("long.txt"), "a\r\nb\r\n" + limitLine + "\r\n" + limitLine + "y\r\nlast\r\n");
    sharedTextFile.Assign(Path("long.txt"));
    ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    sharedTextFile.SetLineLimit(kValueLineLimit);
    std::string line;
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoOk);
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoOk);
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoOk) << "a line of exactly the limit reads";
    EXPECT_EQ(line.size(), kValueLineLimit);
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoLineTooLong);
    EXPECT_EQ(sharedTextFile.LinesRead(), 4);
    EXPECT_TRUE(line.empty());
    EXPECT_TRUE(sharedTextFile.Eof());
    EXPECT_EQ(sharedTextFile.ReadLine(line), kIoLineTooLong);
}

TEST_F(SaveTargetTest, LongLinesWithoutALimitReadWholeAndInLinearTime) {
    // 16 MB in one line, then a short one: a reader that searched the whole
    // buffer again after each read would take minutes here.
    const std::string big(16 << 20, 'z');
    Spit(Path("big.txt"), big + "\nend\n");
    sharedTextFile.Assign(Path("big.txt"));
    ASSERT_EQ(sharedTextFile.Reset(), kIoOk);
    std::string line;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(sharedTextFile.ReadLine(line), kIoOk);
    EXPECT_EQ(line.size(), big.size());
    ASSERT_EQ(sharedTextFile.ReadLine(line), kIoOk);
    EXPECT_EQ(line, "end");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(SaveTargetTest, RealsOutsideTheRangeOfADoubleDoNotConvert) {
    struct Case {
        const char* text;
        bool converts;
    };
    const Case cases[] = {{"1e4000", false}, {"-1e4000", false}, {"1.8e308", false},
                          {"1.7e308", true}, {"-1.7e308", true}, {"nan", false},
                          {"inf", false},    {"-INF", false},    {"4.9e-324", true},
                          {"1e-4000", true}, {"80,5", true}};
    for (const Case& c : cases) {
        Real x = 42;
        EXPECT_EQ(ParseRealLine(c.text, x), c.converts) << c.text;
        if (!c.converts) {
            EXPECT_EQ(x, 42) << c.text << ": the value stays";
        }
    }
}

TEST_F(SaveTargetTest, ADeviceOrAFolderIsNotReadAsAFile) {
    for (const std::string& path : {std::string("/dev/zero"), dir}) {
        sharedTextFile.Assign(path);
        EXPECT_NE(sharedTextFile.Reset(), kIoOk) << path;
        EXPECT_FALSE(sharedTextFile.FailureReason().empty()) << path;
    }
}

}  // namespace
}  // namespace veldrim::testing
