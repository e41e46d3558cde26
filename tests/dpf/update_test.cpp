// The update of version 3.0 packages: both marker forms, deleted blocks,
// the log lines, the backup name and every failure path.
#include "dpf_fixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <ucl/ucl.h>
#include <unistd.h>

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {
const char kDots[] = ".BlockData.";
const char kB7[] = "\xB7"
                   "BlockData\xB7";

std::string V3Head(const std::string &creator = "Old Maker",
                   const std::string &date = "Mon Jan  5 10:20:30 2004") {
    std::string head(256, '\0');
    head.replace(0, 8, std::string("DPFv3.0\0", 8));
    head.replace(8, creator.size(), creator);
    head.replace(37, date.size(), date);
    return head;
}

std::string Le32(uint32_t v) {
    unsigned char b[4];
    qnl::dpf::PutLE32(b, v);
    return std::string(reinterpret_cast<char *>(b), 4);
}

std::string V3Block(const char *marker, const std::string &name, const std::string &type,
                    unsigned char mode, uint32_t size, const std::string &payload) {
    std::string block(marker, 11);
    block += name + std::string(32 - name.size(), '\0');
    block += type + std::string(5 - type.size(), '\0');
    block += (char)mode;
    return block + Le32(size) + Le32((uint32_t)payload.size()) + payload;
}

std::string Compress(const std::string &data) {
    std::string out(data.size() + data.size() / 8 + 256, '\0');
    ucl_uint length = (ucl_uint)out.size();
    ucl_nrv2b_99_compress(reinterpret_cast<const unsigned char *>(data.data()),
                          (ucl_uint)data.size(), reinterpret_cast<unsigned char *>(&out[0]),
                          &length, nullptr, 6, nullptr, nullptr);
    out.resize(length);
    return out;
}

std::string Scrambled(std::string s) {
    for (char &c : s)
        c ^= 0x5C;
    return s;
}
} // namespace

TEST_F(DpfTest, UpdateConvertsBothMarkerFormsAndKeepsABackup) {
    const std::string text(5000, 't'), raw = std::string(2000, 'r');
    const std::string v3 = V3Head() + V3Block(kDots, "text", "FILE", 0, 5000, Compress(text)) +
                           V3Block(kB7, "gone", "DELE", 1, 3, "old") +
                           V3Block(kB7, "raw", "IMG", 1, 2000, raw) +
                           V3Block(kDots, "secret", "SND", 2, 6, Scrambled("hidden"));
    mkdir("data", 0777);
    WriteFile("data/pack.dpf", v3);

    int h = IStuffDPF->Open("data/pack.dpf");
    ASSERT_GT(h, 0);
    EXPECT_EQ(v3, ReadFile("data/pack_v3.dpf"));
    EXPECT_FALSE(FileExists("tmp.dpf"));
    EXPECT_EQ(text, Load(h, "FILE", "text"));
    EXPECT_EQ(raw, Load(h, "IMG", "raw"));
    EXPECT_EQ("hidden", Load(h, "SND", "secret"));
    EXPECT_EQ("<none>", Load(h, "DELE", "gone"));
    IStuffDPF->Close(h);

    const std::string p = "[IStuffDPF->Update3to4('data/pack.dpf')] Info: ";
    const std::string expected = "\n . " + p +
                                 "creating new DPF v4.0...\n"
                                 " . " +
                                 p +
                                 "imported block 1 - Name 'text' - Type 'FILE' - Size 0 Kb\n"
                                 " . " +
                                 p +
                                 "imported block 2 - Name 'raw' - Type 'IMG' - Size 1 Kb\n"
                                 " . " +
                                 p +
                                 "imported block 3 - Name 'secret' - Type 'SND' - Size 0 Kb\n"
                                 " . " +
                                 p +
                                 "total blocks imported: 3\n"
                                 "   - Original DPF v3.0 was renamed to data/pack_v3.dpf\n\n"
                                 " . [IStuffDPF->Open('data/pack.dpf')] Info: the given DPF was "
                                 "updated from v3.0 to v4.0.\n";
    EXPECT_EQ(expected, Log().substr(0, expected.size()));

    const std::string file = ReadFile("data/pack.dpf");
    EXPECT_EQ(std::string("DPFv4.0\0", 8), file.substr(0, 8));
    const std::string info = InfoOf(file);
    EXPECT_STREQ("Old Maker", info.c_str());
    EXPECT_STREQ("Mon Jan  5 10:20:30 2004", info.c_str() + 29);
    EXPECT_EQ(Quenlar.CRC32(file.data() + 520, (int)file.size() - 520), StoredCrc(file));
}

TEST_F(DpfTest, UpdateOfOnlyDeletedBlocksGivesAnEmptyPackage) {
    WriteFile("pack", V3Head() + V3Block(kDots, "a", "DELE", 1, 1, "a"));
    int h = IStuffDPF->Open("pack");
    ASSERT_GT(h, 0);
    IStuffDPF->Close(h);
    const std::string file = ReadFile("pack");
    EXPECT_EQ(520u, file.size());
    EXPECT_EQ(0u, StoredCrc(file));
    EXPECT_NE(std::string::npos, Log().find("Info: total blocks imported: 0\n"));
    // Without a '.' in the path the backup name is the suffix alone.
    EXPECT_TRUE(FileExists("_v3.dpf"));
}

TEST_F(DpfTest, FailedUpdateLeavesTheOldFile) {
    const std::string good = V3Head() + V3Block(kDots, "a", "T", 1, 4, "aaaa");
    struct Case {
        std::string file;
        std::string message;
    } cases[] = {
        {good + V3Block(kDots, "b", "T", 1, 10, "bbbbbbbbbb").substr(0, 60),
         "Error: data block is corrupted.\n"},
        {good + std::string(".BlockData") + "x", "Error: header block does not match.\n"},
        {good + ".Bloc", ""}, // a marker cut short
        {good + std::string(kDots, 11) + "abc",
         "Error: data block is corrupted.\n"}, // header cut short
        {good + V3Block(kDots, "big", "T", 1, 5, "").substr(0, 53) + Le32(0xFFFFFFF0u) + "xy",
         "Error: data block is corrupted.\n"}, // absurd stored size
        {V3Head().substr(0, 100), "Error: it is not a DPF v3.0.\n"},
    };
    for (const Case &c : cases) {
        WriteFile("old.dpf", c.file);
        log.Mark();
        EXPECT_EQ(0, IStuffDPF->Open("old.dpf"));
        const std::string text = Log();
        if (!c.message.empty()) {
            EXPECT_NE(std::string::npos,
                      text.find("[IStuffDPF->Update3to4('old.dpf')] " + c.message))
                << text;
        }
        EXPECT_NE(std::string::npos,
                  text.find(" . [IStuffDPF->Open('old.dpf')] Error: it was not possible to update "
                            "the given DPF from v3.0 to v4.0.\n"));
        EXPECT_EQ(c.file, ReadFile("old.dpf"));
        EXPECT_FALSE(FileExists("old_v3.dpf"));
        EXPECT_FALSE(FileExists("tmp.dpf"));
    }
}

TEST_F(DpfTest, UpdateNeverLeavesThePathEmpty) {
    const std::string v3 = V3Head() + V3Block(kDots, "a", "T", 1, 4, "aaaa");

    // The backup name is taken by a directory: the first rename fails.
    WriteFile("one.dpf", v3);
    mkdir("one_v3.dpf", 0777);
    WriteFile("one_v3.dpf/keep", "x");
    EXPECT_EQ(0, IStuffDPF->Update3to4("one.dpf"));
    EXPECT_EQ(v3, ReadFile("one.dpf"));
    EXPECT_FALSE(FileExists("tmp.dpf"));

    // The working file is the file to convert, or a link: it is not
    // touched, and neither is what the link points to.
    WriteFile("tmp.dpf", v3);
    log.Mark();
    EXPECT_EQ(0, IStuffDPF->Update3to4("tmp.dpf"));
    EXPECT_EQ(v3, ReadFile("tmp.dpf"));
    EXPECT_NE(std::string::npos, Log().find("Error: the working file 'tmp.dpf' exists already; "
                                            "remove it if no other update is running.\n"));
    ASSERT_EQ(0, rename("tmp.dpf", "target"));
    ASSERT_EQ(0, symlink("target", "tmp.dpf"));
    WriteFile("three.dpf", v3);
    EXPECT_EQ(0, IStuffDPF->Update3to4("three.dpf"));
    EXPECT_EQ(v3, ReadFile("target"));
    EXPECT_EQ(v3, ReadFile("three.dpf"));
    unlink("tmp.dpf");

    // A path of more than 250 characters is refused.
    EXPECT_EQ(0, IStuffDPF->Update3to4(std::string(251, 'p').c_str()));
}

TEST_F(DpfTest, UpdateAcrossFileSystemsCopiesBesideThePackage) {
    // The working directory is on another file system than the package:
    // tmp.dpf cannot be renamed into place, so a copy beside the package is.
    char other[] = "/dev/shm/quenlar-update-XXXXXX";
    struct stat here, shm;
    if (stat(".", &here) != 0 || stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev ||
        !mkdtemp(other))
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string v3 = V3Head() + V3Block(kDots, "a", "T", 1, 4, "aaaa");
    const std::string path = dir / "two.dpf";
    WriteFile(path, v3);
    ASSERT_EQ(0, chdir(other));
    int fd = IStuffDPF->Update3to4(path.c_str());
    EXPECT_FALSE(FileExists("tmp.dpf"));
    ASSERT_EQ(0, chdir(dir.path().c_str()));
    rmdir(other);
    ASSERT_GT(fd, 0);
    close(fd);
    EXPECT_EQ(v3, ReadFile("two_v3.dpf"));
    int h = IStuffDPF->Open("two.dpf");
    EXPECT_EQ("aaaa", Load(h, "T", "a"));
    IStuffDPF->Close(h);
    EXPECT_EQ((std::vector<std::string>{"two.dpf", "two_v3.dpf"}), Entries());
}

TEST_F(DpfTest, UpdateThatCannotWriteFails) {
    std::string v3 = V3Head();
    for (int i = 0; i < 4; ++i)
        v3 += V3Block(kB7, "b" + std::to_string(i), "T", 1, 3000, std::string(3000, 'x'));
    WriteFile("w.dpf", v3);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit old, small;
    getrlimit(RLIMIT_FSIZE, &old);
    small = {5000, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    log.Mark();
    int h = IStuffDPF->Open("w.dpf");
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(0, h);
    EXPECT_NE(std::string::npos, Log().find("Error: new data block is corrupted.\n"));
    EXPECT_EQ(v3, ReadFile("w.dpf"));
    EXPECT_FALSE(FileExists("tmp.dpf"));
}
