// XML documents kept as "FILE" blocks of packages.
#include <quenlar/core/engine_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>

using namespace testing_support;

namespace {

// How many live blocks of that name and type the package holds.
int CountBlocks(const char *package, const char *type, const char *name) {
    int dpf = IStuffDPF->Open(package);
    if (dpf < 1) return -1;
    int count = 0;
    DPFBlock b;
    for (int found = IStuffDPF->FindFirst(dpf, &b); found == 1;
         found = IStuffDPF->FindNext(dpf, &b))
        if (!strcmp(b.type, type) && !strcmp(b.name, name)) ++count;
    IStuffDPF->Close(dpf);
    return count;
}

// The bytes of a block.
std::string BlockBytes(const char *package, const char *type, const char *name) {
    int dpf = IStuffDPF->Open(package);
    if (dpf < 1) return "";
    DPFBlock b;
    memset(&b, 0, sizeof b);
    std::string bytes;
    if (IStuffDPF->LoadBlock(dpf, type, name, &b) > 0) bytes.assign(b.data, b.size);
    delete[] b.data;
    IStuffDPF->Close(dpf);
    return bytes;
}

class XmlPackageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Quenlar.Init(0)); }
    void TearDown() override {
        for (int h = 1; h <= qnl::kXmlSlots; ++h)
            Quenlar.XMLClose(h);
        Quenlar.Quit();
    }
    // A small document with texts that the printer escapes.
    int Sample() {
        int h = Quenlar.XMLCreate("setup");
        Quenlar.XMLCommentSet(h, "comment");
        Quenlar.XMLNodeCreate(h, "video");
        Quenlar.XMLAttributeSet(h, "renderer", 4);
        Quenlar.XMLTextSet(h, "line one\nline <two> & \"three\"\n");
        return h;
    }
    TempDir dir;
    LogCapture log;
};

TEST_F(XmlPackageTest, BlockAndPlainFileHoldTheSameBytes) {
    int h = Sample();
    ASSERT_EQ(1, Quenlar.XMLSave(h, "plain.xml"));
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", "config.xml")); // a new package
    EXPECT_EQ(ReadFile("plain.xml"), BlockBytes("game.dpf", "FILE", "config.xml"));
    EXPECT_FALSE(FileExists("_qnltmp05"));

    int r = Quenlar.XMLOpen("game.dpf", "config.xml");
    ASSERT_NE(0, r);
    int value = 0;
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(r, 2, "setup", "video"));
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(r, "renderer", &value));
    EXPECT_EQ(4, value);
}

TEST_F(XmlPackageTest, SavingAgainReplacesTheBlock) {
    int h = Sample();
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", "config.xml"));
    Quenlar.XMLAttributeSet(h, "renderer", 64);
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", "config.xml"));

    // Through an open package handle as well.
    int dpf = IStuffDPF->Open("game.dpf");
    ASSERT_LT(0, dpf);
    ASSERT_EQ(1, Quenlar.XMLSave(h, dpf, "config.xml"));
    ASSERT_EQ(1, Quenlar.XMLSave(h, dpf, "other.xml"));
    int r = Quenlar.XMLOpen(dpf, "config.xml");
    IStuffDPF->Close(dpf);

    EXPECT_EQ(1, CountBlocks("game.dpf", "FILE", "config.xml"));
    EXPECT_EQ(1, CountBlocks("game.dpf", "FILE", "other.xml"));

    // A name longer than a block name can be is refused, not cut to one that
    // may belong to another block.
    const std::string longName = std::string(31, 'c');
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", longName.c_str()));
    EXPECT_EQ(0, Quenlar.XMLSave(h, "game.dpf", (longName + ".xml").c_str()));
    EXPECT_EQ(1, CountBlocks("game.dpf", "FILE", longName.c_str()));
    int value = 0;
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(r, 2, "setup", "video"));
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(r, "renderer", &value));
    EXPECT_EQ(64, value);
}

TEST_F(XmlPackageTest, MissingAndBrokenBlocks) {
    int h = Sample();
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", "config.xml"));
    int dpf = IStuffDPF->Open("game.dpf");
    DPFBlock b;
    memset(&b, 0, sizeof b);
    strcpy(b.name, "broken.xml");
    strcpy(b.type, "FILE");
    char text[] = "<setup><video></setup>";
    b.data = text;
    b.size = sizeof text - 1;
    ASSERT_LT(0, IStuffDPF->AddData(dpf, &b));
    strcpy(b.name, "empty.xml");
    b.size = 0;
    b.mode = 1;
    ASSERT_EQ(0, IStuffDPF->AddData(dpf, &b)); // 0 stored bytes

    log.Mark();
    // An empty block is there, and the log says what is wrong with it.
    EXPECT_EQ(0, Quenlar.XMLOpen(dpf, "empty.xml"));
    EXPECT_EQ(qnl::ErrorCode::kEmpty, qnl::LastError().code);
    EXPECT_EQ(0, Quenlar.XMLOpen(dpf, "absent.xml"));
    // The package's reason, passed up under the XML layer's own message.
    EXPECT_EQ(qnl::ErrorCode::kNotFound, qnl::LastError().code);
    EXPECT_STREQ("datablock was not found in the given DPF.", qnl::LastError().reason);
    EXPECT_EQ(0, Quenlar.XMLOpen(dpf, "broken.xml"));
    EXPECT_EQ(qnl::ErrorCode::kParse, qnl::LastError().code);
    EXPECT_EQ(0, Quenlar.XMLOpen(0, "config.xml"));
    EXPECT_EQ(0, Quenlar.XMLOpen(dpf, nullptr));
    std::string body = log.Body();
    EXPECT_NE(
        std::string::npos,
        body.find(" . [Quenlar.XMLOpen('game.dpf','absent.xml')] Error: block not found in the "
                  "given DPF.\n"));
    EXPECT_NE(std::string::npos,
              body.find(" . [Quenlar.XMLOpen('game.dpf','broken.xml')] Error: "));
    EXPECT_NE(std::string::npos,
              body.find(" . [Quenlar.XMLOpen('game.dpf','empty.xml')] Error: the block is "
                        "empty.\n"));
    IStuffDPF->Close(dpf);

    // The failures left every other slot free.
    for (int i = 2; i <= qnl::kXmlSlots; ++i)
        EXPECT_EQ(i, Quenlar.XMLCreate("r"));
    log.Mark();
    EXPECT_EQ(0, Quenlar.XMLOpen(1, "config.xml"));
    EXPECT_EQ(
        " . [Quenlar.XMLOpen('','config.xml')] Error: reached maximum limit of XML opened(10)\n",
        log.Body());
}

TEST_F(XmlPackageTest, ASaveThatCannotBeWrittenKeepsTheOlderBlock) {
    int h = Sample();
    ASSERT_EQ(1, Quenlar.XMLSave(h, "game.dpf", "config.xml"));
    const std::string before = ReadFile("game.dpf");
    for (int i = 0; i < 200; ++i)
        Quenlar.XMLTextSet(h, "a longer text that no longer fits in the file size limit\n");
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit old, small = {before.size() + 64, before.size() + 64};
    getrlimit(RLIMIT_FSIZE, &old);
    small.rlim_max = old.rlim_max;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(0, Quenlar.XMLSave(h, "game.dpf", "config.xml"));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(qnl::ErrorCode::kIo, qnl::LastError().code);
    // The blocks as they were (closing wrote a new date into the head).
    EXPECT_EQ(before.substr(520), ReadFile("game.dpf").substr(520));
    EXPECT_EQ(1, CountBlocks("game.dpf", "FILE", "config.xml"));
}

TEST_F(XmlPackageTest, AFileThatIsNoPackageIsNeverOverwritten) {
    WriteFile("notes.dpf", "just some text");
    int h = Sample();
    EXPECT_EQ(0, Quenlar.XMLSave(h, "notes.dpf", "config.xml"));
    EXPECT_EQ("just some text", ReadFile("notes.dpf"));
    EXPECT_EQ(0, Quenlar.XMLOpen("absent.dpf", "config.xml"));
    EXPECT_FALSE(FileExists("absent.dpf"));
}

TEST_F(XmlPackageTest, PackagesNeedTheEngine) {
    int h = Quenlar.XMLOpen(std::string(QUENLAR_TEST_DATA "/layout/complete.xml").c_str());
    ASSERT_EQ(1, h);
    Quenlar.Quit();
    log.Mark();
    EXPECT_EQ(0, Quenlar.XMLOpen("game.dpf", "config.xml"));
    EXPECT_EQ(0, Quenlar.XMLOpen(3, "config.xml"));
    EXPECT_EQ(0, Quenlar.XMLSave(h, "game.dpf", "config.xml"));
    EXPECT_EQ(0, Quenlar.XMLSave(h, 3, "config.xml"));
    EXPECT_EQ(
        " . [Quenlar.XMLOpen('game.dpf','config.xml')] Error: Quenlar was not initialized. "
        "Aborting the XML load.\n"
        " . [Quenlar.XMLOpen('','config.xml')] Error: Quenlar was not initialized. Aborting "
        "the XML load.\n"
        " . [Quenlar.XMLSave(1,'game.dpf','config.xml')] Error: Quenlar was not initialized. "
        "Aborting the XML save.\n"
        " . [Quenlar.XMLSave(1,'','config.xml')] Error: Quenlar was not initialized. Aborting "
        "the XML save.\n",
        log.Body());
    EXPECT_FALSE(FileExists("game.dpf"));
}

} // namespace
