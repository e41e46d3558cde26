// XML documents by handle: slots, moves, attributes, texts, saving to files.
#include <quenlar/core/engine_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include "support/support.h"

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;

namespace {

const char kSample[] =
    "<?xml version=\"1.0\" ?>\n"
    "<layout appname=\"Game\" x=\"12\" neg=\"-7\" word=\"abc\" big=\"99999999999\">\n"
    "    <main>\n"
    "        <logotype name=\"logo\" />\n"
    "        <butexit x=\"1\" />\n"
    "    </main>\n"
    "    <general state=\"1\" />\n"
    "</layout>\n";

class XmlTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile("sample.xml", kSample);
        ASSERT_EQ(1, Quenlar.Init(0));
        log.Mark();
    }
    void TearDown() override {
        for (int h = 1; h <= qnl::kXmlSlots; ++h)
            Quenlar.XMLClose(h);
        Quenlar.Quit();
    }
    TempDir dir;
    LogCapture log;
};

// ---------------------------------------------------------------------------
// Slots and opening
// ---------------------------------------------------------------------------
TEST_F(XmlTest, TenSlotsThenTheLimitThenReuse) {
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(i, Quenlar.XMLOpen("sample.xml"));
    EXPECT_EQ(0, Quenlar.XMLOpen("sample.xml"));
    EXPECT_EQ(0, Quenlar.XMLCreate("root"));
    EXPECT_EQ(" . [Quenlar.XMLOpen('sample.xml')] Error: reached maximum limit of XML opened(10)\n"
              " . [Quenlar.XMLCreate()] Error: reached maximum limit of XML opened(10)\n",
              log.Body());
    Quenlar.XMLClose(4);
    EXPECT_EQ(4, Quenlar.XMLOpen("sample.xml"));
    // The last slot works like the others.
    int value = 0;
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(10, 2, "layout", "general"));
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(10, "state", &value));
    EXPECT_EQ(1, value);
    EXPECT_STREQ("general", Quenlar.XMLNodeGetName(10));
    Quenlar.XMLClose(10);
    EXPECT_EQ(10, Quenlar.XMLCreate("root"));
}

TEST_F(XmlTest, FailedOpensLeaveNoDocumentBehind) {
    WriteFile("broken.xml", "<layout><main></layout>");
    EXPECT_EQ(0, Quenlar.XMLOpen("broken.xml"));
    EXPECT_EQ(0, Quenlar.XMLOpen("missing.xml"));
    EXPECT_EQ(0, Quenlar.XMLOpen(static_cast<const char *>(nullptr)));
    EXPECT_EQ(0, Quenlar.XMLOpen(dir.path().c_str())); // a directory
    ASSERT_EQ(0, mkfifo("fifo.xml", 0666));
    EXPECT_EQ(0, Quenlar.XMLOpen("fifo.xml")); // refused, not waited on
    EXPECT_STREQ("Failed to open file: not a regular file", qnl::LastError().reason);
    WriteFile("huge.xml", "");
    ASSERT_EQ(0, truncate("huge.xml", 17 << 20)); // sparse: nothing is written
    EXPECT_EQ(0, Quenlar.XMLOpen("huge.xml"));
    std::string body = log.Body();
    EXPECT_NE(
        std::string::npos,
        body.find(" . [Quenlar.XMLOpen('huge.xml')] Error: file too large for an XML document\n"));
    EXPECT_NE(std::string::npos, body.find(" . [Quenlar.XMLOpen('broken.xml')] Error: "));
    EXPECT_NE(std::string::npos, body.find(" . [Quenlar.XMLOpen('missing.xml')] Error: "));
    // The slots were freed again: the next open takes the first one.
    EXPECT_EQ(1, Quenlar.XMLOpen("sample.xml"));
}

TEST_F(XmlTest, LineEndsAndByteOrderMarksAreRead) {
    WriteFile("crlf.xml",
              "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<r a=\"1\">\r\n<b>x\r\ny\rz</b>\r\n</r>\r\n");
    int h = Quenlar.XMLOpen("crlf.xml");
    ASSERT_EQ(1, h);
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(h, 2, "r", "b"));
    ASSERT_EQ(1, Quenlar.XMLSave(h, "out.xml"));
    EXPECT_NE(std::string::npos, ReadFile("out.xml").find("<b>x y z</b>")); // TinyXML condenses
}

TEST_F(XmlTest, DeeplyNestedDocumentsAreRefused) {
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<a>";
    for (int i = 0; i < 5000; ++i)
        deep += "</a>";
    WriteFile("deep.xml", deep);
    EXPECT_EQ(0, Quenlar.XMLOpen("deep.xml"));
    EXPECT_EQ(" . [Quenlar.XMLOpen('deep.xml')] Error: elements are nested too deeply\n",
              log.Body());

    // Markup inside comments, CDATA and attribute values does not count, nor
    // do empty elements.
    std::string flat = "<r>";
    for (int i = 0; i < 1000; ++i)
        flat += "<!-- <a> --><![CDATA[<a>]]><e v=\"<a>\"/><e></e>";
    flat += "</r>";
    WriteFile("flat.xml", flat);
    EXPECT_EQ(1, Quenlar.XMLOpen("flat.xml"));
}

TEST_F(XmlTest, InvalidHandlesFailSilently) {
    int h = Quenlar.XMLOpen("sample.xml");
    Quenlar.XMLClose(h);
    int value = 5;
    const char *text = "x";
    for (int bad : {0, -1, 11, h}) {
        EXPECT_EQ(0, Quenlar.XMLNodePointTo(bad, 1, "layout"));
        EXPECT_EQ(0, Quenlar.XMLNodeChild(bad));
        EXPECT_EQ(0, Quenlar.XMLNodeNext(bad));
        EXPECT_EQ(0, Quenlar.XMLNodeParent(bad));
        EXPECT_EQ(0, Quenlar.XMLNodeCreate(bad, "a"));
        EXPECT_EQ(nullptr, Quenlar.XMLNodeGetName(bad));
        EXPECT_EQ(0, Quenlar.XMLAttributeSet(bad, "a", 1));
        EXPECT_EQ(0, Quenlar.XMLAttributeGet(bad, "a", &text));
        EXPECT_EQ(0, Quenlar.XMLAttributeGet(bad, "a", &value));
        EXPECT_EQ(0, Quenlar.XMLTextSet(bad, "t"));
        EXPECT_EQ(0, Quenlar.XMLCommentSet(bad, "c"));
        EXPECT_EQ(0, Quenlar.XMLSave(bad, "out.xml"));
        Quenlar.XMLClose(bad);
    }
    EXPECT_EQ(5, value);
    EXPECT_EQ("", log.Body());
    EXPECT_FALSE(FileExists("out.xml"));
}

TEST_F(XmlTest, OperationsNeedAPointedElement) {
    int h = Quenlar.XMLOpen("sample.xml");
    int value = 0;
    const char *text = nullptr;
    EXPECT_EQ(0, Quenlar.XMLNodeNext(h));
    EXPECT_EQ(0, Quenlar.XMLNodeParent(h));
    EXPECT_EQ(0, Quenlar.XMLNodeChild(h));
    EXPECT_EQ(0, Quenlar.XMLNodeCreate(h, "a"));
    EXPECT_EQ(nullptr, Quenlar.XMLNodeGetName(h));
    EXPECT_EQ(0, Quenlar.XMLAttributeSet(h, "a", 1));
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, "a", &value));
    EXPECT_EQ(0, Quenlar.XMLTextSet(h, "t"));
    EXPECT_EQ(0, Quenlar.XMLCommentSet(h, "c"));
    std::string expected;
    for (const char *op :
         {"XMLNodeNext", "XMLNodeParent", "XMLNodeChild", "XMLNodeCreate", "XMLNodeGetName",
          "XMLAttributeSet", "XMLAttributeGet", "XMLTextSet", "XMLCommentSet"})
        expected +=
            std::string(" . [Quenlar.") + op + "(1)] Error: there is not an element pointed.\n";
    EXPECT_EQ(expected, log.Body());
    (void)text;
}

// ---------------------------------------------------------------------------
// Moving the current element
// ---------------------------------------------------------------------------
TEST_F(XmlTest, PointToFollowsNamesFromTheRoot) {
    int h = Quenlar.XMLOpen("sample.xml");
    EXPECT_EQ(1, Quenlar.XMLNodePointTo(h, 3, "layout", "main", "butexit"));
    EXPECT_STREQ("butexit", Quenlar.XMLNodeGetName(h));

    // Failed moves keep the current element.
    EXPECT_EQ(0, Quenlar.XMLNodePointTo(h, 1, "main")); // not the root's name
    EXPECT_EQ(0, Quenlar.XMLNodePointTo(h, 3, "layout", "main", "nothing"));
    EXPECT_EQ(0, Quenlar.XMLNodePointTo(h, 2, "layout", static_cast<const char *>(nullptr)));
    EXPECT_EQ(0, Quenlar.XMLNodePointTo(h, 0));
    EXPECT_STREQ("butexit", Quenlar.XMLNodeGetName(h));

    EXPECT_EQ(1, Quenlar.XMLNodePointTo(h, 1, "layout"));
    EXPECT_STREQ("layout", Quenlar.XMLNodeGetName(h));
}

TEST_F(XmlTest, ChildNextAndParentWalkElementsOnly) {
    WriteFile("walk.xml", "<r>text<!-- c --><a/>more<b><c/></b></r>");
    int h = Quenlar.XMLOpen("walk.xml");
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(h, 1, "r"));
    EXPECT_EQ(0, Quenlar.XMLNodeParent(h)); // the root's parent is the document
    EXPECT_STREQ("r", Quenlar.XMLNodeGetName(h));

    EXPECT_EQ(1, Quenlar.XMLNodeChild(h));
    EXPECT_STREQ("a", Quenlar.XMLNodeGetName(h));
    EXPECT_EQ(0, Quenlar.XMLNodeChild(h));
    EXPECT_EQ(1, Quenlar.XMLNodeNext(h));
    EXPECT_STREQ("b", Quenlar.XMLNodeGetName(h));
    EXPECT_EQ(0, Quenlar.XMLNodeNext(h));
    EXPECT_STREQ("b", Quenlar.XMLNodeGetName(h));
    EXPECT_EQ(1, Quenlar.XMLNodeChild(h));
    EXPECT_EQ(1, Quenlar.XMLNodeParent(h));
    EXPECT_EQ(1, Quenlar.XMLNodeParent(h));
    EXPECT_STREQ("r", Quenlar.XMLNodeGetName(h));
}

// ---------------------------------------------------------------------------
// Attributes
// ---------------------------------------------------------------------------
TEST_F(XmlTest, AttributesAsTextAndInteger) {
    int h = Quenlar.XMLOpen("sample.xml");
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(h, 1, "layout"));

    const char *text = "untouched";
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(h, "appname", &text));
    EXPECT_STREQ("Game", text);
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, "absent", &text));
    EXPECT_EQ(nullptr, text);

    int value = 42;
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(h, "x", &value));
    EXPECT_EQ(12, value);
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(h, "neg", &value));
    EXPECT_EQ(-7, value);
    value = 42;
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, "word", &value)); // not a number
    EXPECT_STREQ("the attribute word of layout is not an integer: 'abc'.", qnl::LastError().reason);
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, "big", &value)); // beyond an int
    EXPECT_STREQ("the attribute big of layout is out of range: '99999999999'.",
                 qnl::LastError().reason);
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, "absent", &value));
    EXPECT_EQ(42, value);
    EXPECT_EQ(0, Quenlar.XMLAttributeGet(h, nullptr, &value));
}

TEST_F(XmlTest, AttributeSetReplacesInPlaceOrAppends) {
    int h = Quenlar.XMLCreate("r");
    EXPECT_EQ(1, Quenlar.XMLAttributeSet(h, "a", 1));
    EXPECT_EQ(1, Quenlar.XMLAttributeSet(h, "b", -2));
    EXPECT_EQ(1, Quenlar.XMLAttributeSet(h, "a", 3));
    EXPECT_EQ(0, Quenlar.XMLAttributeSet(h, nullptr, 3));
    ASSERT_EQ(1, Quenlar.XMLSave(h, "out.xml"));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<r a=\"3\" b=\"-2\" />\n",
              ReadFile("out.xml"));
}

// ---------------------------------------------------------------------------
// Building documents
// ---------------------------------------------------------------------------
TEST_F(XmlTest, CreateNeedsTheEngine) {
    Quenlar.Quit();
    log.Mark();
    EXPECT_EQ(0, Quenlar.XMLCreate("setup"));
    EXPECT_EQ(" . [Quenlar.XMLCreate()] Error: Quenlar was not initialized. Aborting the XML "
              "load.\n",
              log.Body());
}

TEST_F(XmlTest, TextsGrowOneNodeAndCommentsGoFirst) {
    int h = Quenlar.XMLCreate("r");
    EXPECT_EQ(1, Quenlar.XMLCommentSet(h, "only child"));
    EXPECT_EQ(1, Quenlar.XMLNodeCreate(h, "a"));
    EXPECT_EQ(1, Quenlar.XMLTextSet(h, "one "));
    EXPECT_EQ(1, Quenlar.XMLTextSet(h, "two\n"));
    EXPECT_EQ(0, Quenlar.XMLTextSet(h, nullptr));
    EXPECT_EQ(1, Quenlar.XMLNodeParent(h));
    EXPECT_EQ(1, Quenlar.XMLNodeCreate(h, "b"));
    EXPECT_EQ(1, Quenlar.XMLNodeCreate(h, "c"));
    EXPECT_EQ(1, Quenlar.XMLNodeParent(h));
    EXPECT_EQ(1, Quenlar.XMLTextSet(h, "after c")); // no text yet: appended last
    EXPECT_EQ(1, Quenlar.XMLCommentSet(h, "before c"));
    EXPECT_EQ(0, Quenlar.XMLNodeCreate(h, ""));
    ASSERT_EQ(1, Quenlar.XMLSave(h, "out.xml"));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<r>\n"
              "    <!--only child-->\n"
              "    <a>one two&#x0A;</a>\n"
              "    <b>\n"
              "        <!--before c-->\n"
              "        <c />\n"
              "        after c\n"
              "    </b>\n"
              "</r>\n",
              ReadFile("out.xml"));
}

TEST_F(XmlTest, SaveMakesMissingDirectoriesAndReadsBack) {
    int h = Quenlar.XMLCreate("setup");
    Quenlar.XMLNodeCreate(h, "video");
    Quenlar.XMLAttributeSet(h, "renderer", 64);
    ASSERT_EQ(1, Quenlar.XMLSave(h, "games/demo/cfg/setup.xml"));
    EXPECT_EQ(0, Quenlar.XMLSave(h, static_cast<const char *>(nullptr)));
    Quenlar.XMLClose(h);

    int r = Quenlar.XMLOpen("games/demo/cfg/setup.xml");
    ASSERT_EQ(1, r);
    int value = 0;
    ASSERT_EQ(1, Quenlar.XMLNodePointTo(r, 2, "setup", "video"));
    EXPECT_EQ(1, Quenlar.XMLAttributeGet(r, "renderer", &value));
    EXPECT_EQ(64, value);

    // A path that cannot be written is a failure, not a crash.
    WriteFile("plainfile", "x");
    EXPECT_EQ(0, Quenlar.XMLSave(r, "plainfile/sub/out.xml"));

    // Backslashes separate folders as slashes do.
    ASSERT_EQ(1, Quenlar.XMLSave(r, "games\\demo\\win.xml"));
    EXPECT_EQ(ReadFile("games/demo/cfg/setup.xml"), ReadFile("games/demo/win.xml"));
    Quenlar.XMLClose(r);
    EXPECT_EQ(1, Quenlar.XMLOpen("games\\demo\\win.xml"));
}

TEST_F(XmlTest, ASaveThatFailsKeepsTheOldFile) {
    int h = Quenlar.XMLCreate("setup");
    ASSERT_EQ(1, Quenlar.XMLSave(h, "setup.xml"));
    const std::string good = ReadFile("setup.xml");
    for (int i = 0; i < 100; ++i)
        Quenlar.XMLTextSet(h, "a text too long for the file size limit\n");
    // A full disk, as a file-size limit: the write fails half way.
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit old, small;
    getrlimit(RLIMIT_FSIZE, &old);
    small = {1024, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(0, Quenlar.XMLSave(h, "setup.xml"));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(qnl::ErrorCode::kIo, qnl::LastError().code);
    EXPECT_EQ(good, ReadFile("setup.xml"));
    // Nothing is left beside it.
    std::vector<std::string> names;
    if (DIR *d = opendir(".")) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"capture.log", "sample.xml", "setup.xml"}), names);
    // A link keeps pointing at the saved file, which keeps its permissions.
    ASSERT_EQ(0, chmod("setup.xml", 0640));
    ASSERT_EQ(0, symlink("setup.xml", "link.xml"));
    ASSERT_EQ(1, Quenlar.XMLSave(h, "link.xml"));
    struct stat st;
    ASSERT_EQ(0, lstat("link.xml", &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(good, ReadFile("setup.xml"));
    ASSERT_EQ(0, stat("setup.xml", &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
}

TEST(XmlEngine, DestroyingTheEngineClosesItsDocuments) {
    TempDir dir;
    WriteFile("a.xml", "<a><b/></a>");
    // A second engine object of its own; LeakSanitizer would report any
    // document its destructor forgot.
    QuenlarEngine engine;
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(i, engine.XMLOpen("a.xml"));
}

} // namespace
