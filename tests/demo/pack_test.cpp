// dpftool pack: a manifest of importer commands made into a package.
#include "support/support.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

using testing_support::FileExists;
using testing_support::Program;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::WriteFile;

namespace {

const char kDejaVu[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class PackTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;

    void SetUp() override {
        mkdir("skin", 0777);
        mkdir("skin/art", 0777);
        WriteFile("skin/layout.xml", "<layout/>\n");
        WriteFile("skin/art/picture.png", ReadFile(QUENLAR_TEST_DATA "/gfx/rgb_3x2.png"));
    }
    RunResult Tool(std::vector<std::string> args) {
        args.insert(args.begin(), Program("dpftool"));
        return testing_support::Run(args, dir.path());
    }
    // Packs skin/manifest.xml, holding `entries`, into out.dpf.
    RunResult Pack(const std::string &entries) {
        WriteFile("skin/manifest.xml",
                  "<?xml version=\"1.0\"?>\n<manifest>\n" + entries + "</manifest>\n");
        return Tool({"pack", "skin/manifest.xml", "out.dpf"});
    }
    static std::vector<std::string> Entries(const std::string &path) {
        std::vector<std::string> names;
        if (DIR *d = opendir(path.c_str())) {
            while (dirent *e = readdir(d))
                if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(PackTest, AManifestBecomesAPackageInOneStep) {
    WriteFile("out.dpf", "an older file that the package replaces");
    RunResult r = Pack("  <add name=\"layout.xml\" source=\"FILE layout.xml\" mode=\"stored\"/>\n"
                       "  <add-image name=\"picture\" source=\"art/picture.png\" bpp=\"16\"/>\n"
                       "  <!-- a comment is no entry -->\n"
                       "  <add-font name=\"font\" ttf=\"" +
                       std::string(kDejaVu) + "\" size=\"12\" color=\"200,210,220\"/>\n");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("out.dpf: 3 entries packed from skin/manifest.xml\n", r.out);

    // In the manifest's order, relative to its folder, with their options.
    const std::string list = Tool({"list", "out.dpf"}).out;
    const size_t layout = list.find("layout.xml                      FILE    stored");
    const size_t picture = list.find("picture                         IMG");
    const size_t font = list.find("font                            FONT2");
    EXPECT_NE(std::string::npos, layout) << list;
    EXPECT_LT(layout, picture) << list;
    EXPECT_LT(picture, font) << list;
    EXPECT_EQ("<layout/>\n", Tool({"extract", "out.dpf", "layout.xml", "FILE"}).out);
    EXPECT_EQ(0, Tool({"verify", "out.dpf"}).status);
    // Nothing but the package is left beside it.
    EXPECT_EQ((std::vector<std::string>{"out.dpf", "skin"}), Entries(dir.path()));
    struct stat st;
    ASSERT_EQ(0, stat("out.dpf", &st));
    EXPECT_NE(0u, st.st_mode & S_IRGRP) << "a package is as readable as any new file";
}

TEST_F(PackTest, AFailingEntryNamesItselfAndWritesNothing) {
    // No package, and an existing one untouched.
    for (bool existing : {false, true}) {
        if (existing) WriteFile("out.dpf", "the package of an earlier run");
        RunResult r = Pack("  <add name=\"layout.xml\" source=\"FILE layout.xml\"/>\n"
                           "  <add-image name=\"missing\" source=\"art/missing.png\"/>\n"
                           "  <add name=\"never\" source=\"FILE layout.xml\"/>\n");
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos,
                  r.err.find("skin/manifest.xml:4: add-image 'missing' failed; out.dpf was not "
                             "written"))
            << r.err;
        if (existing)
            EXPECT_EQ("the package of an earlier run", ReadFile("out.dpf"));
        else
            EXPECT_FALSE(FileExists("out.dpf"));
        EXPECT_EQ(existing ? 2u : 1u, Entries(dir.path()).size()) << "a scratch file was left";
    }

    // A usage error of the importer counts as its failure.
    RunResult r = Pack("  <add-image name=\"picture\" source=\"art/picture.png\" bpp=\"12\"/>\n");
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("manifest.xml:3: add-image 'picture' failed")) << r.err;
}

TEST_F(PackTest, ManifestsThatCannotBeRunAreRefusedBeforeAnything) {
    const struct {
        const char *entries, *error;
    } cases[] = {
        {"<add-nothing name=\"x\"/>", "skin/manifest.xml:4: unknown command 'add-nothing'"},
        {"<delete name=\"x\" source=\"FILE\"/>", ":4: 'delete' is not an importer"},
        {"<pack name=\"x\" source=\"other.xml\"/>", ":4: 'pack' is not an importer"},
        {"<add source=\"FILE layout.xml\"/>", ":4: add has no name"},
        {"<add name=\"x\" source=\"FILE &quot;layout.xml\"/>", ":4: unbalanced quote in source"},
        {"<add name=\"x\"", "skin/manifest.xml:"},
    };
    for (const auto &c : cases) {
        // A good entry first: it must not even run.
        RunResult r = Pack("  <add name=\"good\" source=\"FILE layout.xml\"/>\n  " +
                           std::string(c.entries) + "\n");
        EXPECT_EQ(1, r.status) << c.entries;
        EXPECT_NE(std::string::npos, r.err.find(c.error)) << c.entries << "\n" << r.err;
        EXPECT_FALSE(FileExists("out.dpf")) << c.entries;
    }
    WriteFile("skin/other.xml", "<package><add name=\"x\" source=\"FILE layout.xml\"/></package>");
    RunResult r = Tool({"pack", "skin/other.xml", "out.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("the root element must be <manifest>")) << r.err;
    EXPECT_EQ(1, Tool({"pack", "skin/absent.xml", "out.dpf"}).status);
    EXPECT_EQ(2, Tool({"pack", "skin/other.xml"}).status);
}
