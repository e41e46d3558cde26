// The setup configuration file kept inside a package.
#include <quenlar/core/engine.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

using namespace testing_support;

namespace {

class ConfigPackageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Quenlar.Init(0)); }
    void TearDown() override { Quenlar.Quit(); }
    TempDir dir;
    LogCapture log;
};

TEST_F(ConfigPackageTest, WritingCreatesThePackageAndKeepsOneBlock) {
    QuenlarConfig c;
    c.renderer = 2;
    c.format = 16;
    c.frequency = 22050;
    c.mode = 2;
    ASSERT_EQ(1, Quenlar.WriteConfig("data/game.dpf", "setup.xml", &c));
    c.frequency = 44100;
    ASSERT_EQ(1, Quenlar.WriteConfig("data/game.dpf", "setup.xml", &c));

    int dpf = IStuffDPF->Open("data/game.dpf");
    ASSERT_LT(0, dpf);
    int blocks = 0, named = 0;
    DPFBlock b;
    for (int found = IStuffDPF->FindFirst(dpf, &b); found == 1;
         found = IStuffDPF->FindNext(dpf, &b)) {
        if (!strcmp(b.type, "DELETED")) continue;
        ++blocks;
        if (!strcmp(b.type, "FILE") && !strcmp(b.name, "setup.xml")) ++named;
    }
    IStuffDPF->Close(dpf);
    EXPECT_EQ(1, blocks);
    EXPECT_EQ(1, named);

    QuenlarConfig read;
    read.format = 8; // bare sample sizes, as the launcher keeps them
    ASSERT_EQ(1, Quenlar.ReadConfig("data/game.dpf", "setup.xml", &read));
    EXPECT_EQ(16, read.format);
    EXPECT_EQ(44100, read.frequency);
    EXPECT_EQ(2, read.mode);

    // The same record as a plain file holds the same bytes.
    ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "plain.xml", &c));
    int h = Quenlar.XMLOpen("data/game.dpf", "setup.xml");
    ASSERT_NE(0, h);
    ASSERT_EQ(1, Quenlar.XMLSave(h, "copy.xml"));
    Quenlar.XMLClose(h);
    EXPECT_EQ(ReadFile("plain.xml"), ReadFile("copy.xml"));
}

TEST_F(ConfigPackageTest, AMissingBlockOrPackageReadsNothing) {
    QuenlarConfig c;
    c.renderer = 99;
    EXPECT_EQ(0, Quenlar.ReadConfig("absent.dpf", "setup.xml", &c));
    ASSERT_EQ(1, Quenlar.WriteConfig("game.dpf", "setup.xml"));
    EXPECT_EQ(0, Quenlar.ReadConfig("game.dpf", "other.xml", &c));
    EXPECT_EQ(99, c.renderer);
}

TEST_F(ConfigPackageTest, ABlockNameThatCannotBeSavedLeavesNoPackage) {
    const std::string name(32, 'n'); // block names hold 31 characters
    log.Mark();
    EXPECT_EQ(0, Quenlar.WriteConfig("game.dpf", name.c_str()));
    EXPECT_FALSE(FileExists("game.dpf"));
    EXPECT_EQ(" . [Quenlar.XMLSave(1,'game.dpf','" + name +
                  "')] Error: the block name is longer than 31 characters.\n",
              log.Body());
}

TEST_F(ConfigPackageTest, BackslashesSeparateFolders) {
    QuenlarConfig c;
    c.frequency = 22050;
    ASSERT_EQ(1, Quenlar.WriteConfig(nullptr, "conf\\sub\\game.xml", &c));
    EXPECT_TRUE(FileExists("conf/sub/game.xml"));
    ASSERT_EQ(1, Quenlar.WriteConfig("conf\\game.dpf", "game.xml", &c));
    EXPECT_TRUE(FileExists("conf/game.dpf"));
    QuenlarConfig read;
    ASSERT_EQ(1, Quenlar.ReadConfig(nullptr, "conf\\sub\\game.xml", &read));
    EXPECT_EQ(22050, read.frequency);
    read.frequency = 0;
    ASSERT_EQ(1, Quenlar.ReadConfig("conf\\game.dpf", "game.xml", &read));
    EXPECT_EQ(22050, read.frequency);
}

} // namespace
