// The layout read from a package: by the launcher at start-up and by
// `dpftool layout`.
#include <quenlar/core/engine.h>
#include <quenlar/dpf/stuffdpf.h>
#include "setup/launcher.h"
#include "setup/layout.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

std::string CompleteLayout() {
    return ReadFile(std::string(QUENLAR_TEST_DATA) + "/layout/complete.xml");
}

std::string WithoutLine(const std::string &doc, const std::string &needle) {
    size_t at = doc.find(needle);
    size_t start = doc.rfind('\n', at) + 1, end = doc.find('\n', at) + 1;
    return doc.substr(0, start) + doc.substr(end);
}

bool AddBlock(int dpf, const char *type, const std::string &name, const std::string &bytes) {
    DPFBlock b;
    memset(&b, 0, sizeof b);
    snprintf(b.name, sizeof b.name, "%s", name.c_str());
    snprintf(b.type, sizeof b.type, "%s", type);
    std::vector<char> data(bytes.begin(), bytes.end());
    data.push_back(0);
    b.data = data.data();
    b.size = static_cast<unsigned int>(bytes.size());
    return IStuffDPF->AddData(dpf, &b) > 0;
}

class LayoutPackageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Quenlar.Init(0)); }
    void TearDown() override { Quenlar.Quit(); }

    // A package holding `layout` as layout.xml and one block of each of
    // `blocks` (type, name) with a few bytes of content.
    void MakePackage(const std::string &path, const std::string &layout,
                     const std::vector<std::pair<const char *, std::string>> &blocks = {}) {
        int dpf = IStuffDPF->Create(path.c_str());
        ASSERT_LT(0, dpf);
        ASSERT_TRUE(AddBlock(dpf, "FILE", "layout.xml", layout));
        for (const auto &block : blocks)
            ASSERT_TRUE(AddBlock(dpf, block.first, block.second, "data"));
        IStuffDPF->Close(dpf);
    }

    // Every resource the complete layout names, less `skip`.
    std::vector<std::pair<const char *, std::string>> AllResources(const std::string &skip = "") {
        SetupState state;
        int h = Quenlar.XMLOpen(std::string(QUENLAR_TEST_DATA "/layout/complete.xml").c_str());
        EXPECT_EQ(0, ParseLayoutDocument(h, state));
        Quenlar.XMLClose(h);
        std::vector<std::pair<const char *, std::string>> blocks;
        for (const LayoutResource &r : LayoutResources(state))
            if (r.firstUse && r.name != skip) blocks.push_back({r.type, r.name});
        return blocks;
    }

    TempDir dir;
    LogCapture log;
};

// ---------------------------------------------------------------------------
// The launcher's start-up
// ---------------------------------------------------------------------------
const char kParseError[] = " \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: ";

TEST_F(LayoutPackageTest, LauncherWithoutAPackageStops) {
    RunResult run = testing_support::Run({Program("setup")}, dir.path());
    EXPECT_EQ(1, run.status);
    std::string text = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos, text.find("[IStuffDPF->Open('setup.dpf')]")) << text;
    EXPECT_NE(std::string::npos, text.find(std::string(kParseError) + "1\n")) << text;
}

TEST_F(LayoutPackageTest, LauncherReportsTheFirstMissingPiece) {
    MakePackage("setup.dpf", WithoutLine(CompleteLayout(), "<vidrenderer_x11 "));
    RunResult run = testing_support::Run({Program("setup")}, dir.path());
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, ReadFile("Setup.log").find(std::string(kParseError) + "2004\n"));
}

TEST_F(LayoutPackageTest, LauncherGoesOnWithACompleteLayout) {
    MakePackage("setup.dpf", CompleteLayout(), AllResources());
    testing_support::Run({Program("setup")}, dir.path());
    std::string text = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos, text.find("Quenlar successfully initiated")) << text;
    EXPECT_EQ(std::string::npos, text.find("parse layout.xml")) << text;
}

TEST_F(LayoutPackageTest, ParseLayoutReadsSetupDpfHere) {
    MakePackage("setup.dpf", CompleteLayout());
    MakePackage("other.dpf", WithoutLine(CompleteLayout(), "<butmulti "));
    SetupState state;
    EXPECT_EQ(0, ParseLayout(state));
    EXPECT_STREQ("Demo Game - Setup", state.title);
    EXPECT_EQ(3032, ParseLayoutFrom("other.dpf", state));
    EXPECT_EQ(1, ParseLayoutFrom("absent.dpf", state));
    // A package without the block.
    int dpf = IStuffDPF->Create("empty.dpf");
    IStuffDPF->Close(dpf);
    EXPECT_EQ(1, ParseLayoutFrom("empty.dpf", state));
}

// ---------------------------------------------------------------------------
// dpftool layout
// ---------------------------------------------------------------------------
TEST_F(LayoutPackageTest, ToolAcceptsACompletePackage) {
    MakePackage("setup.dpf", CompleteLayout(), AllResources());
    RunResult run = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"}, dir.path());
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ(0u, run.out.find("ok\n")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("demo_tabgeneral")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("logo_win")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("missing")) << run.out;
}

TEST_F(LayoutPackageTest, ToolMarksMissingResources) {
    MakePackage("setup.dpf", CompleteLayout(), AllResources("demo_manual"));
    RunResult run = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"}, dir.path());
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("ok\n")) << run.out;
    size_t line = run.out.find("demo_manual");
    ASSERT_NE(std::string::npos, line) << run.out;
    EXPECT_NE(std::string::npos,
              run.out.substr(line, run.out.find('\n', line) - line).find("missing"));

    // The icon may be absent: the launcher starts without it.
    MakePackage("setup.dpf", CompleteLayout(), AllResources("demo_icon"));
    run = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"}, dir.path());
    EXPECT_EQ(0, run.status) << run.out;
}

TEST_F(LayoutPackageTest, ToolExplainsLayoutErrors) {
    MakePackage("setup.dpf", WithoutLine(CompleteLayout(), "<vidrenderer_x11 "), AllResources());
    RunResult run = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"}, dir.path());
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("2004: layout/video/vidrenderer_x11")) << run.out;

    run = testing_support::Run({Program("dpftool"), "layout", "absent.dpf"}, dir.path());
    EXPECT_NE(0, run.status);
    EXPECT_EQ(0u, run.out.find("1: ")) << run.out;
}

} // namespace
