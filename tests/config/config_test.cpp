// The setup configuration file as a plain file: exact output, the reading
// rules, partial documents.
#include <quenlar/core/engine_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

using namespace testing_support;

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, Quenlar.Init(0));
        log.Mark();
    }
    void TearDown() override { Quenlar.Quit(); }

    // Every attribute present; `replace` swaps in one attribute's text
    // ("name=\"value\"") or removes it (an empty replacement).
    static std::string Document(const std::string &attribute = "",
                                const std::string &replace = "") {
        std::string doc = "<?xml version=\"1.0\" ?>\n<setup>\n"
                          " <general mtfriendly=\"3\" />\n"
                          " <video renderer=\"4\" resolutionx=\"800\" resolutiony=\"600\" "
                          "colordepth=\"16\" window=\"0\" accel=\"2\" />\n"
                          " <audio enable=\"1\" format=\"16\" frequency=\"22050\" mode=\"2\" "
                          "musicvol=\"10\" soundvol=\"20\" buffer=\"2048\" />\n"
                          "</setup>\n";
        if (attribute.empty()) return doc;
        size_t at = doc.find(" " + attribute + "=\"");
        size_t end = doc.find('"', doc.find('"', at) + 1) + 1;
        return doc.substr(0, at) + (replace.empty() ? "" : " " + replace) + doc.substr(end);
    }

    TempDir dir;
    LogCapture log;
};

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------
TEST_F(ConfigTest, DefaultsAreWrittenByteForByte) {
    QuenlarConfig defaults;
    ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "setup.xml", &defaults));
    EXPECT_EQ(ReadFile(std::string(QUENLAR_TEST_DATA) + "/config/defaults.xml"),
              ReadFile("setup.xml"));
    // The engine's own record when none is given; an empty package name
    // means a plain file too.
    ASSERT_EQ(1, Quenlar.WriteConfig("", "own.xml"));
    EXPECT_EQ(ReadFile("setup.xml"), ReadFile("own.xml"));
    EXPECT_EQ("", log.Body());
}

TEST_F(ConfigTest, WrittenRecordsReadBackUnchanged) {
    QuenlarConfig written;
    written.mtfriendly = 7;
    written.renderer = 64;
    written.accel = 3;
    written.window = 2;
    written.colordepth = 16;
    written.resolutionx = 1024;
    written.resolutiony = 768;
    written.enable = 1;
    written.format = 16;
    written.frequency = 22050;
    written.mode = 2;
    written.buffer = 8192;
    written.musicvol = 0;
    written.soundvol = 255;
    ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "dir/sub/game.xml", &written));

    QuenlarConfig read;
    read.format = 8; // a record of bare sample sizes, as `written`
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "dir/sub/game.xml", &read));
    EXPECT_EQ(written.mtfriendly, read.mtfriendly);
    EXPECT_EQ(written.renderer, read.renderer);
    EXPECT_EQ(written.accel, read.accel);
    EXPECT_EQ(written.window, read.window);
    EXPECT_EQ(written.colordepth, read.colordepth);
    EXPECT_EQ(written.resolutionx, read.resolutionx);
    EXPECT_EQ(written.resolutiony, read.resolutiony);
    EXPECT_EQ(written.enable, read.enable);
    EXPECT_EQ(written.format, read.format);
    EXPECT_EQ(written.frequency, read.frequency);
    EXPECT_EQ(written.mode, read.mode);
    EXPECT_EQ(written.buffer, read.buffer);
    EXPECT_EQ(written.musicvol, read.musicvol);
    EXPECT_EQ(written.soundvol, read.soundvol);
}

TEST_F(ConfigTest, FailedWritesLeaveNoDocumentOpen) {
    EXPECT_EQ(0, Quenlar.WriteConfig(nullptr, nullptr));
    EXPECT_EQ(0, Quenlar.WriteConfig(nullptr, ""));
    WriteFile("afile", "x");
    EXPECT_EQ(0, Quenlar.WriteConfig(nullptr, "afile/setup.xml"));
    for (int i = 1; i <= qnl::kXmlSlots; ++i)
        EXPECT_EQ(i, Quenlar.XMLCreate("r"));
    for (int i = 1; i <= qnl::kXmlSlots; ++i)
        Quenlar.XMLClose(i);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------
TEST_F(ConfigTest, ValuesAreCorrectedOnReading) {
    struct Row {
        const char *attribute;
        int value;
        int expected;
    };
    const Row rows[] = {
        {"mtfriendly", -4, 0},
        {"mtfriendly", 127, 127},
        {"mtfriendly", 300, 127},
        {"renderer", 1, 2},
        {"renderer", 4, 4},
        {"renderer", 8, 2},
        {"renderer", 16, 2},
        {"renderer", 64, 64},
        {"renderer", 128, 2},
        {"renderer", 999, 2},
        {"resolutionx", 1920, 1920},
        {"resolutiony", 1080, 1080},
        {"colordepth", 24, 0},
        {"colordepth", 8, 8},
        {"colordepth", 32, 32},
        {"colordepth", -8, 0},
        {"colordepth", 64, 0},
        {"window", -1, 0},
        {"window", 1, 1},
        {"window", 5, 2},
        {"accel", 0, 1},
        {"accel", 2, 2},
        {"accel", 9, 3},
        {"enable", -1, 0},
        {"enable", 7, 1},
        {"format", 4, 8},
        {"format", 12, 8},
        {"format", 16, 16},
        {"format", 32784, 16},
        {"format", 32776, 8}, // the sample size of an SDL code
        {"frequency", 8000, 11025},
        {"frequency", 30000, 11025},
        {"frequency", 44100, 44100},
        {"frequency", 96000, 44100},
        {"mode", 0, 1},
        {"mode", 3, 1},
        {"mode", 4, 4},
        {"mode", 6, 4},
        {"musicvol", 300, 255},
        {"musicvol", -2, 0},
        {"soundvol", 300, 255},
        {"buffer", 100, 1024},
        {"buffer", 4096, 4096},
        {"buffer", 1 << 20, 16384},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.attribute) + "=" + std::to_string(row.value));
        WriteFile("setup.xml", Document(row.attribute, std::string(row.attribute) + "=\"" +
                                                           std::to_string(row.value) + "\""));
        QuenlarConfig c;
        c.format = 8; // a bare sample size, as the launcher keeps it
        ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &c));
        int got = 0;
        const std::string a = row.attribute;
        if (a == "mtfriendly") got = c.mtfriendly;
        if (a == "renderer") got = c.renderer;
        if (a == "resolutionx") got = c.resolutionx;
        if (a == "resolutiony") got = c.resolutiony;
        if (a == "colordepth") got = c.colordepth;
        if (a == "window") got = c.window;
        if (a == "accel") got = c.accel;
        if (a == "enable") got = c.enable;
        if (a == "format") got = c.format;
        if (a == "frequency") got = c.frequency;
        if (a == "mode") got = c.mode;
        if (a == "musicvol") got = c.musicvol;
        if (a == "soundvol") got = c.soundvol;
        if (a == "buffer") got = c.buffer;
        EXPECT_EQ(row.expected, got);
    }
}

TEST_F(ConfigTest, SampleFormatsAreStoredAsSampleSizesAndReadBackAsTheRecordHadThem) {
    // The engine keeps SDL's audio format codes, the launcher bare sizes
    // (8 and 16, SDL's codes of the unsigned formats); files hold sizes.
    const std::pair<Sint32, const char *> rows[] = {
        {0x8008, "format=\"8\""}, {0x8010, "format=\"16\""}, {0x9010, "format=\"16\""},
        {0x0008, "format=\"8\""}, {0x0010, "format=\"16\""},
    };
    for (const auto &[code, stored] : rows) {
        SCOPED_TRACE(code);
        QuenlarConfig written;
        written.format = code;
        ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "format.xml", &written));
        EXPECT_NE(std::string::npos, ReadFile("format.xml").find(stored));
        QuenlarConfig read;
        read.format = code;
        ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "format.xml", &read));
        EXPECT_EQ(code, read.format);
    }
    // Another size keeps the kind of code the record holds.
    WriteFile("setup.xml", Document("format", "format=\"16\""));
    QuenlarConfig engine; // signed 8-bit by default
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &engine));
    EXPECT_EQ(QUENLAR_AUDIO_S16, engine.format);
    WriteFile("setup.xml", Document("format", "format=\"8\""));
    QuenlarConfig bigEndian;
    bigEndian.format = 0x9010;
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &bigEndian));
    EXPECT_EQ(QUENLAR_AUDIO_S8, bigEndian.format);
}

TEST_F(ConfigTest, APartlyReadDocumentLeavesAPartlyUpdatedRecord) {
    // Without buffer, the last attribute read: everything else is filled.
    WriteFile("setup.xml", Document("buffer"));
    QuenlarConfig c;
    c.buffer = 1234;
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "setup.xml", &c));
    EXPECT_STREQ("the element audio has no attribute buffer.", qnl::LastError().reason);
    EXPECT_EQ(3, c.mtfriendly);
    EXPECT_EQ(4, c.renderer);
    EXPECT_EQ(800, c.resolutionx);
    EXPECT_EQ(2, c.accel);
    EXPECT_EQ(20, c.soundvol);
    EXPECT_EQ(1234, c.buffer);

    // Without colordepth: the video values before it are in, the rest not.
    WriteFile("setup.xml", Document("colordepth"));
    QuenlarConfig d;
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "setup.xml", &d));
    EXPECT_EQ(4, d.renderer);
    EXPECT_EQ(600, d.resolutiony);
    EXPECT_EQ(0, d.colordepth);
    EXPECT_EQ(1, d.window);
    EXPECT_EQ(0, d.enable);

    // A missing section stops the reading the same way.
    WriteFile("setup.xml", "<setup><general mtfriendly=\"9\"/></setup>");
    QuenlarConfig e;
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "setup.xml", &e));
    EXPECT_STREQ("the document has no element setup/video.", qnl::LastError().reason);
    EXPECT_EQ(9, e.mtfriendly);
    EXPECT_EQ(1, e.renderer);

    // A value that is not a number counts as missing.
    WriteFile("setup.xml", Document("window", "window=\"full\""));
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "setup.xml", &e));
    EXPECT_EQ(qnl::ErrorCode::kParse, qnl::LastError().code);
}

TEST_F(ConfigTest, UnreadableDocumentsChangeNothing) {
    QuenlarConfig c;
    c.renderer = 99;
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, nullptr, &c));
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "", &c));
    EXPECT_EQ("", log.Body()); // reading logs nothing of its own
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "absent.xml", &c));
    WriteFile("setup.xml", "<setup><general");
    EXPECT_EQ(0, Quenlar.ReadConfig(nullptr, "setup.xml", &c));
    EXPECT_EQ(99, c.renderer);
    // Only the XML layer's open errors were logged, and every slot is free.
    std::string body = log.Body();
    EXPECT_EQ(0u, body.find(" . [Quenlar.XMLOpen('absent.xml')] Error: "));
    EXPECT_NE(std::string::npos, body.find(" . [Quenlar.XMLOpen('setup.xml')] Error: "));
    EXPECT_EQ(1, Quenlar.XMLCreate("r"));
    Quenlar.XMLClose(1);
}

TEST_F(ConfigTest, OptionalCodePathIsAppliedNotStored) {
    WriteFile("setup.xml", Document("mtfriendly", "mtfriendly=\"2\" optcore=\"4\""));
    QuenlarConfig c;
    EXPECT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &c));
    EXPECT_EQ(" . Selected 'SSE-2' optimized code path.\n", log.Body());
    EXPECT_EQ(2, c.mtfriendly);

    log.Mark();
    WriteFile("setup.xml", Document("mtfriendly", "mtfriendly=\"2\" optcore=\"fast\""));
    EXPECT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml", &c));
    EXPECT_EQ("", log.Body());
}

TEST_F(ConfigTest, TheEngineRecordIsTheDefaultTarget) {
    WriteFile("setup.xml", Document());
    QuenlarConfig saved = Quenlar; // the engine's own fields, to restore
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "setup.xml"));
    EXPECT_EQ(800, Quenlar.resolutionx);
    EXPECT_EQ(22050, Quenlar.frequency);
    static_cast<QuenlarConfig &>(Quenlar) = saved;
}

} // namespace
