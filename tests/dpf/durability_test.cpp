// Writes that nothing can half do: each is on disk with its checksum when it
// returns, one cut short leaves only a tail after what the checksum vouches
// for, a package another program replaced is not written into, and files
// are opened only when they are regular files.
#include "dpf_fixture.h"

#include <quenlar/dpf/archive_private.h>
#include <quenlar/platform/fileio_private.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {
class DurabilityTest : public DpfTest {
protected:
    // Whether the checksum in the file's info header is the one of its blocks.
    static bool ChecksumHolds(const std::string &path) {
        const std::string file = ReadFile(path);
        return StoredCrc(file) == Quenlar.CRC32(file.data() + 520, (int)file.size() - 520);
    }
};

// Runs `work` in a child process whose writes may not make a file longer
// than `limit`; the write that tries is killed in its middle (SIGXFSZ).
// The child's wait status.
int InChildUnderSizeLimit(uint64_t limit, const std::function<void()> &work) {
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_DFL);
        struct rlimit r = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Writes fail with EFBIG past `limit` bytes while this lives.
struct SizeLimit {
    struct rlimit old;
    explicit SizeLimit(uint64_t limit) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = {limit, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~SizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

} // namespace

TEST_F(DurabilityTest, EveryWriteIsOnDiskWithItsChecksumWhenItReturns) {
    MakePackage("p.dpf", {"a", "b"});
    const std::string created = InfoOf(ReadFile("p.dpf")).substr(0, 61);
    int h = IStuffDPF->Open("p.dpf");
    ASSERT_GT(Add(h, "c", "T", 0, RandomBytes(3000)), 0);
    EXPECT_TRUE(ChecksumHolds("p.dpf")) << "after an add";
    DPFBlock a = Block("a", "T", 1);
    ASSERT_EQ(1, IStuffDPF->Delete(h, &a));
    EXPECT_TRUE(ChecksumHolds("p.dpf")) << "after a delete";
    DPFBlock b = Block("b", "T", 2, "replaced");
    ASSERT_EQ(1, IStuffDPF->Replace(h, &b));
    EXPECT_TRUE(ChecksumHolds("p.dpf")) << "after a replace";
    // Closing has nothing left to write; creator and creation date stay.
    const std::string before = ReadFile("p.dpf");
    IStuffDPF->Close(h);
    EXPECT_EQ(before, ReadFile("p.dpf"));
    EXPECT_EQ(created, InfoOf(before).substr(0, 61));
    Restart();
    h = IStuffDPF->Open("p.dpf");
    EXPECT_EQ("replaced", Load(h, "T", "b"));
    IStuffDPF->Close(h);
}

TEST_F(DurabilityTest, AWriteCutShortLeavesOnlyATailAfterTheCommittedBlocks) {
    MakePackage("p.dpf", {"a"});
    const std::string before = ReadFile("p.dpf");
    const int status = InChildUnderSizeLimit(before.size() + 65536, [this] {
        int h = IStuffDPF->Open("p.dpf");
        Add(h, "big", "T", 1, RandomBytes(1 << 20));
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    const std::string after = ReadFile("p.dpf");
    ASSERT_EQ(before.size() + 65536, after.size());
    EXPECT_EQ(before, after.substr(0, before.size())); // the header is not touched yet
    Restart();
    EXPECT_EQ(0, IStuffDPF->Open("p.dpf")); // refused as damaged, as before

    // The checksum vouches for the file cut after its last committed block,
    // and a whole block whose commit never came is cut too.
    std::string uncommitted = before + RawBlock("late", "T", 1, 4, "late") + "tail";
    WriteFile("q.dpf", uncommitted);
    for (const std::string &path : {std::string("p.dpf"), std::string("q.dpf")}) {
        int fd = qnl::platform::OpenFile(path.c_str(), qnl::platform::OpenMode::ReadOnly);
        qnl::dpf::Committed committed;
        ASSERT_TRUE(qnl::dpf::CommittedLength(fd, StoredCrc(before), committed));
        qnl::platform::CloseFile(fd);
        EXPECT_TRUE(committed.found) << path;
        EXPECT_EQ(before.size(), committed.length) << path;
        EXPECT_EQ(1, committed.blocks) << path;
    }
}

TEST_F(DurabilityTest, NothingIsAppendedAfterACutLastBlock) {
    // A last block longer than the file: a block appended after it would
    // lie inside its payload and never be found.
    MakePackage("p.dpf", {"a"});
    std::string file = ReadFile("p.dpf") + RawBlock("cut", "T", 1, 100, std::string(100, 'c'));
    file.resize(file.size() - 40);
    SetInfo(file, InfoOf(file));
    WriteFile("p.dpf", file);
    Restart();
    int h = IStuffDPF->Open("p.dpf");
    ASSERT_GT(h, 0);
    EXPECT_EQ(0, Add(h, "new", "T", 1, "never found"));
    EXPECT_EQ(qnl::ErrorCode::kCorrupted, qnl::LastError().code);
    EXPECT_STREQ("the last block is cut off by the end of the file.", qnl::LastError().reason);
    DPFBlock a = Block("a", "T", 1, "again");
    EXPECT_EQ(0, IStuffDPF->Replace(h, &a));
    IStuffDPF->Close(h);
    EXPECT_EQ(file, ReadFile("p.dpf"));
}

TEST_F(DurabilityTest, APackageAnotherProgramReplacedIsNotWrittenInto) {
    MakePackage("p.dpf", {"a"});
    int h = IStuffDPF->Open("p.dpf");
    // Another program compacts it: a new file takes its name.
    WriteFile("new.dpf", ReadFile("p.dpf"));
    ASSERT_EQ(0, rename("new.dpf", "p.dpf"));
    const std::string replaced = ReadFile("p.dpf");
    EXPECT_EQ(0, Add(h, "b", "T", 1, "lost"));
    EXPECT_EQ(qnl::ErrorCode::kBusy, qnl::LastError().code);
    DPFBlock a = Block("a", "T", 1);
    EXPECT_EQ(0, IStuffDPF->Delete(h, &a));
    IStuffDPF->Close(h);
    EXPECT_EQ(replaced, ReadFile("p.dpf"));
}

TEST_F(DurabilityTest, CreateOnAFullDiskLeavesNoFileAndKeepsTheOldOne) {
    MakePackage("old.dpf", {"a"});
    const std::string old = ReadFile("old.dpf");
    {
        SizeLimit limit(100); // less than a package's head
        EXPECT_EQ(-1, IStuffDPF->Create("new.dpf"));
        EXPECT_EQ(-1, IStuffDPF->Create("old.dpf"));
        EXPECT_EQ(0, IStuffDPF->OpenOrCreate("other.dpf"));
    }
    EXPECT_EQ((std::vector<std::string>{"old.dpf"}), Entries());
    EXPECT_EQ(old, ReadFile("old.dpf"));
}

TEST_F(DurabilityTest, OnlyRegularFilesAreOpened) {
    // A FIFO would block the open until some writer came; it is refused.
    ASSERT_EQ(0, mkfifo("fifo.dpf", 0666));
    EXPECT_EQ(0, IStuffDPF->Open("fifo.dpf"));
    EXPECT_STREQ("not a regular file", qnl::LastError().reason);
    EXPECT_EQ(0, IStuffDPF->OpenOrCreate("fifo.dpf"));
    EXPECT_EQ(0, IStuffDPF->Compact("fifo.dpf"));
    EXPECT_EQ(0, IStuffDPF->Update3to4("fifo.dpf"));
    mkdir("dir.dpf", 0777);
    EXPECT_EQ(0, IStuffDPF->Open("dir.dpf"));
    EXPECT_STREQ("Is a directory", qnl::LastError().reason);
}

TEST_F(DurabilityTest, BackslashesSeparateFoldersInPaths) {
    int h = IStuffDPF->Create("data\\packs\\p.dpf");
    ASSERT_GT(h, 0);
    EXPECT_STREQ("data\\packs\\p.dpf", IStuffDPF->GetName(h)); // as given
    ASSERT_GT(Add(h, "a", "T", 1, "in a folder"), 0);
    IStuffDPF->Close(h);
    EXPECT_EQ("in a folder", ReadFile("data/packs/p.dpf").substr(600, 11));
    EXPECT_FALSE(FileExists("data\\packs\\p.dpf"));
    EXPECT_EQ(1, IStuffDPF->Compact("data\\packs\\p.dpf"));
}

TEST_F(DurabilityTest, CompactThroughALinkCompactsWhatItPointsTo) {
    mkdir("real", 0777);
    MakePackage("real/p.dpf", {"a", "b"});
    ASSERT_EQ(0, symlink("real/p.dpf", "link.dpf"));
    int h = IStuffDPF->Open("link.dpf");
    DPFBlock a = Block("a", "T", 1);
    ASSERT_EQ(1, IStuffDPF->Delete(h, &a));
    IStuffDPF->Close(h);
    const size_t before = ReadFile("real/p.dpf").size();
    ASSERT_EQ(1, IStuffDPF->Compact("link.dpf"));
    struct stat st;
    ASSERT_EQ(0, lstat("link.dpf", &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(before - 96, ReadFile("real/p.dpf").size());
    EXPECT_EQ((std::vector<std::string>{"p.dpf"}), Entries("real"));
}
