// Opening, creating and closing packages: the two-entry table, handles,
// refusals and their messages, checksums and the header refresh.
#include "dpf_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

TEST_F(DpfTest, TableHoldsTwoArchivesAndReusesClosedEntries) {
    MakePackage("a.dpf", {"a"});
    MakePackage("b.dpf", {"b"});
    MakePackage("c.dpf", {"c"});
    int a = IStuffDPF->Open("a.dpf"), b = IStuffDPF->Open("b.dpf");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(a + 1, b); // handles come from one counter
    log.Mark();
    EXPECT_EQ(0, IStuffDPF->Open("c.dpf"));
    EXPECT_EQ(" . [IStuffDPF] Warning: reached maximum limit of DPF files opened(2).\n", Log());

    IStuffDPF->Close(a);
    EXPECT_EQ(nullptr, IStuffDPF->GetName(a));
    int c = IStuffDPF->Open("c.dpf");
    EXPECT_GT(c, b);
    EXPECT_STREQ("c.dpf", IStuffDPF->GetName(c));
    EXPECT_EQ("data of c", Load(c, "T", "c"));
    EXPECT_EQ("data of b", Load(b, "T", "b"));
    IStuffDPF->Close(b);
    IStuffDPF->Close(c);
}

TEST_F(DpfTest, SamePathSharesHandleAndCountsReferences) {
    MakePackage("a.dpf", {"a"});
    int first = IStuffDPF->Open("a.dpf");
    int second = IStuffDPF->Open("a.dpf");
    EXPECT_EQ(first, second);
    IStuffDPF->Close(first);
    EXPECT_STREQ("a.dpf", IStuffDPF->GetName(first)); // one reference left
    EXPECT_EQ("data of a", Load(first, "T", "a"));
    IStuffDPF->Close(first);
    EXPECT_EQ(nullptr, IStuffDPF->GetName(first));
    EXPECT_EQ(nullptr, IStuffDPF->GetName(0));
    EXPECT_EQ(nullptr, IStuffDPF->GetName(-5));
    IStuffDPF->Close(first); // closing again changes nothing

    // Another spelling of the same file is another archive.
    int plain = IStuffDPF->Open("a.dpf");
    int dotted = IStuffDPF->Open("./a.dpf");
    EXPECT_GT(dotted, 0);
    EXPECT_NE(plain, dotted);
    IStuffDPF->Close(plain);
    IStuffDPF->Close(dotted);
}

TEST_F(DpfTest, FirstHandleIsDrawnBelow333666) {
    for (int i = 0; i < 3; ++i) {
        delete IStuffDPF;
        testing_support::FakeClock clock(1000u + (Uint32)i * 7919u);
        IStuffDPF = new QStuffDPF;
        int h = IStuffDPF->Create("h.dpf");
        EXPECT_GT(h, 0);
        EXPECT_LT(h, 333666);
        IStuffDPF->Close(h);
    }
}

TEST_F(DpfTest, OpenRefusalsAndTheirMessages) {
    EXPECT_EQ(0, IStuffDPF->Open("missing.dpf"));
    EXPECT_NE(std::string::npos,
              Log().find(" . [IStuffDPF->Open('missing.dpf')] Error: No such file or directory\n"));

    const std::string notDpf = " . [IStuffDPF->Open('x.dpf')] Error: it is not a valid DPF.\n";
    for (const std::string &bytes :
         {std::string(""), std::string("DPFv4"), std::string("PK\3\4....rest"),
          std::string("DPFv4.0\0", 8) + std::string(100, 'x')}) {
        WriteFile("x.dpf", bytes);
        log.Mark();
        EXPECT_EQ(0, IStuffDPF->Open("x.dpf"));
        EXPECT_EQ(notDpf, Log()) << bytes.size();
    }

    MakePackage("v.dpf", {});
    std::string file = ReadFile("v.dpf");
    file[4] = '5';
    WriteFile("v.dpf", file);
    log.Mark();
    EXPECT_EQ(0, IStuffDPF->Open("v.dpf"));
    EXPECT_EQ(" . [IStuffDPF->Open('v.dpf')] Error: 'DPFv5.0' version is not supported.\n", Log());
    EXPECT_EQ(file, ReadFile("v.dpf"));
}

namespace {
// Permissions do not bind root: as root, the test runs as "nobody" while
// it holds this.
struct UnprivilegedScope {
    bool switched = false;
    explicit UnprivilegedScope(const std::string &dir) {
        if (geteuid() != 0) return;
        chmod(dir.c_str(), 0755);
        switched = seteuid(65534) == 0;
    }
    ~UnprivilegedScope() {
        if (switched && seteuid(0) != 0) abort();
    }
};
} // namespace

TEST_F(DpfTest, ReadOnlyFileOpensWithWarningAndRefusesWrites) {
    MakePackage("r.dpf", {"a"});
    chmod("r.dpf", 0444);
    const std::string before = ReadFile("r.dpf");
    const std::string v3 = std::string("DPFv3.0\0", 8) + std::string(248, '\0');
    WriteFile("old.dpf", v3);
    chmod("old.dpf", 0444);
    {
        UnprivilegedScope nobody(dir.path());
        if (geteuid() == 0) GTEST_SKIP() << "cannot drop root";
        log.Mark();
        int h = IStuffDPF->Open("r.dpf");
        ASSERT_GT(h, 0);
        EXPECT_EQ(" . [IStuffDPF->Open('r.dpf')] Warning: file opened in read only mode.\n", Log());
        EXPECT_EQ("data of a", Load(h, "T", "a"));
        // Writes are refused as such, not reported as missing blocks.
        log.Mark();
        EXPECT_EQ(0, Add(h, "b", "T", 1, "more"));
        DPFBlock a = Block("a", "T", 1);
        EXPECT_EQ(0, IStuffDPF->Delete(h, &a));
        EXPECT_EQ(qnl::ErrorCode::kReadOnly, qnl::LastError().code);
        const std::string H = std::to_string(h);
        EXPECT_EQ(" . [IStuffDPF->AddData(" + H +
                      ",'b')] Error: the DPF was opened in read only mode.\n"
                      " . [IStuffDPF->Delete(" +
                      H + ")] Error: the DPF was opened in read only mode.\n",
                  Log());
        IStuffDPF->Close(h);

        log.Mark();
        EXPECT_EQ(0, IStuffDPF->Open("old.dpf"));
        EXPECT_EQ(
            " . [IStuffDPF->Open('old.dpf')] Warning: file opened in read only mode.\n"
            " . [IStuffDPF->Open('old.dpf')] Error: it is not possible to update a DPF opened "
            "in read only mode.\n",
            Log());
    }
    EXPECT_EQ(before, ReadFile("r.dpf"));
    EXPECT_EQ(v3, ReadFile("old.dpf"));
}

TEST_F(DpfTest, ChangedBytesAreRefusedUnlessTheTableKnowsPathAndLength) {
    MakePackage("a.dpf", {"a", "b"});
    std::string file = ReadFile("a.dpf");
    file[file.size() - 20] ^= 0x01; // inside the payload of b
    WriteFile("a.dpf", file);
    Restart();
    EXPECT_EQ(0, IStuffDPF->Open("a.dpf"));
    EXPECT_NE(std::string::npos,
              Log().find(" . [IStuffDPF->Open('a.dpf')] Error: the given DPF is corrupted.\n"));

    // Opened and closed once under this path and length: not checked again.
    MakePackage("k.dpf", {"a"});
    int h = IStuffDPF->Open("k.dpf");
    IStuffDPF->Close(h);
    file = ReadFile("k.dpf");
    file[file.size() - 3] ^= 0x01;
    WriteFile("k.dpf", file);
    h = IStuffDPF->Open("k.dpf");
    EXPECT_GT(h, 0);
    IStuffDPF->Close(h);
    // A new length is checked again.
    WriteFile("k.dpf", file + std::string(8, '\0'));
    EXPECT_EQ(0, IStuffDPF->Open("k.dpf"));
}

TEST_F(DpfTest, ClosedEntryTakenByRotationForgetsItsArchive) {
    MakePackage("a.dpf", {"a"});
    MakePackage("b.dpf", {"b"});
    MakePackage("c.dpf", {"c"});
    Restart();
    IStuffDPF->Close(IStuffDPF->Open("a.dpf"));
    IStuffDPF->Close(IStuffDPF->Open("b.dpf"));
    // Both entries used and closed: c takes the first (rotating index 0).
    IStuffDPF->Close(IStuffDPF->Open("c.dpf"));
    for (const char *path : {"a.dpf", "b.dpf"}) {
        std::string file = ReadFile(path);
        file[file.size() - 3] ^= 0x01; // same length, other bytes
        WriteFile(path, file);
    }
    EXPECT_EQ(0, IStuffDPF->Open("a.dpf")); // forgotten: checked and refused
    int b = IStuffDPF->Open("b.dpf");       // still known: not checked
    EXPECT_GT(b, 0);
    IStuffDPF->Close(b);
}

TEST_F(DpfTest, CloseRefreshesOnlyModifiedArchives) {
    MakePackage("a.dpf", {"a"});
    const std::string before = ReadFile("a.dpf");
    int h = IStuffDPF->Open("a.dpf");
    EXPECT_EQ("data of a", Load(h, "T", "a"));
    IStuffDPF->Close(h);
    EXPECT_EQ(before, ReadFile("a.dpf"));

    h = IStuffDPF->Open("a.dpf");
    ASSERT_GT(Add(h, "b", "T", 0, "new block"), 0);
    IStuffDPF->Close(h);
    std::string after = ReadFile("a.dpf");
    EXPECT_EQ(Quenlar.CRC32(after.data() + 520, (int)after.size() - 520), StoredCrc(after));
    EXPECT_NE(StoredCrc(before), StoredCrc(after));
    // Creator and creation date stay.
    EXPECT_EQ(InfoOf(before).substr(0, 61), InfoOf(after).substr(0, 61));

    // A deletion alone also counts as a modification.
    h = IStuffDPF->Open("a.dpf");
    DPFBlock a = Block("a", "T", 1);
    ASSERT_EQ(1, IStuffDPF->Delete(h, &a));
    IStuffDPF->Close(h);
    std::string deleted = ReadFile("a.dpf");
    EXPECT_EQ(Quenlar.CRC32(deleted.data() + 520, (int)deleted.size() - 520), StoredCrc(deleted));
}

TEST_F(DpfTest, DestructionClosesWhatWasLeftOpen) {
    MakePackage("a.dpf", {"a"});
    int h = IStuffDPF->Open("a.dpf");
    IStuffDPF->Open("a.dpf");
    ASSERT_GT(Add(h, "b", "T", 1, "late"), 0);
    log.Mark();
    delete IStuffDPF;
    IStuffDPF = nullptr;
    EXPECT_EQ(
        " . [IStuffDPF] Warning: 'a.dpf' DPF file was not closed on your code. Doing it now!\n"
        " . [IStuffDPF] Interfaz deleted.\n",
        Log());
    IStuffDPF = new QStuffDPF;
    h = IStuffDPF->Open("a.dpf"); // the header was refreshed: the checksum matches
    ASSERT_GT(h, 0);
    EXPECT_EQ("late", Load(h, "T", "b"));
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, CreateMakesDirectoriesAndReportsFailure) {
    int h = IStuffDPF->Create("deep/er/pack.dpf");
    ASSERT_GT(h, 0);
    EXPECT_STREQ("deep/er/pack.dpf", IStuffDPF->GetName(h));
    IStuffDPF->Close(h);
    EXPECT_EQ(520u, ReadFile("deep/er/pack.dpf").size());

    mkdir("adir", 0777);
    EXPECT_EQ(-1, IStuffDPF->Create("adir"));
    EXPECT_EQ(-1, IStuffDPF->Create(nullptr));
}

TEST_F(DpfTest, ProtectedArchiveOpensButRefusesEveryBlockOperation) {
    MakePackage("p.dpf", {"a"});
    std::string file = ReadFile("p.dpf");
    std::string info = InfoOf(file);
    info[93] = 1;
    SetInfo(file, info);
    WriteFile("p.dpf", file);

    int h = IStuffDPF->Open("p.dpf");
    ASSERT_GT(h, 0);
    const std::string H = std::to_string(h);
    log.Mark();
    DPFBlock b;
    EXPECT_EQ(0, IStuffDPF->FindFirst(h, &b));
    EXPECT_EQ(0, IStuffDPF->FindNext(h, &b));
    EXPECT_EQ(" . [IStuffDPF->Find(" + H +
                  ")] Error: the given DPF is protected and the key was not set.\n"
                  " . [IStuffDPF->Find(" +
                  H + ")] Error: the given DPF is protected and the key was not set.\n",
              Log());
    log.Mark();
    EXPECT_EQ("<none>", Load(h, "T", "a"));
    EXPECT_EQ(" . [IStuffDPF->LoadBlock('p.dpf','T','a')] Error: the given DPF is protected and "
              "the key was not set.\n",
              Log());
    log.Mark();
    EXPECT_EQ(0, Add(h, "b", "T", 1, "x"));
    EXPECT_EQ(" . [IStuffDPF->AddData(" + H +
                  ",'b')] Error: the given DPF is protected and the key was not set.\n",
              Log());
    log.Mark();
    DPFBlock a = Block("a", "T", 1);
    EXPECT_EQ(0, IStuffDPF->Delete(h, &a));
    EXPECT_NE(std::string::npos,
              Log().find(" . [IStuffDPF->Delete(" + H +
                         ")] Warning: datablock was not found in the given DPF.\n"));
    IStuffDPF->Close(h);
    EXPECT_EQ(file, ReadFile("p.dpf"));
}

TEST_F(DpfTest, UnknownHandlesFailQuietly) {
    DPFBlock b = Block("a", "T", 1, "x");
    log.Mark();
    EXPECT_EQ(2, IStuffDPF->FindFirst(77, &b));
    EXPECT_EQ(2, IStuffDPF->FindNext(0, &b));
    EXPECT_EQ(0, IStuffDPF->LoadBlock(77, "T", "a", &b));
    EXPECT_EQ(nullptr, b.data);
    b = Block("a", "T", 1, "x");
    EXPECT_EQ(0, IStuffDPF->AddData(77, &b));
    EXPECT_EQ(0, IStuffDPF->Delete(-1, &b));
    IStuffDPF->Close(77);
    EXPECT_EQ("", Log());
}

TEST_F(DpfTest, CalculateCrcCoversTheBlocksFromItsPosition) {
    MakePackage("a.dpf", {"a", "b"});
    const std::string file = ReadFile("a.dpf");
    int fd = open("a.dpf", O_RDONLY);
    ASSERT_GE(fd, 0);
    lseek(fd, 520, SEEK_SET);
    EXPECT_EQ(Quenlar.CRC32(file.data() + 520, (int)file.size() - 520),
              IStuffDPF->CalculateCRC(fd));
    EXPECT_EQ(520, lseek(fd, 0, SEEK_CUR));
    // From elsewhere the read falls short: 0 and a message, position kept.
    lseek(fd, 600, SEEK_SET);
    log.Mark();
    EXPECT_EQ(0u, IStuffDPF->CalculateCRC(fd));
    EXPECT_NE(std::string::npos,
              Log().find(" . [IStuffDPF->CalculateCRC('" + std::to_string(fd) + "')] Error: "));
    EXPECT_EQ(600, lseek(fd, 0, SEEK_CUR));
    close(fd);
}
