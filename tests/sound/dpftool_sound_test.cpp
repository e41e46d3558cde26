// dpftool add-sound and add-music, run as a user runs them.
#include <quenlar/quenlar.h>
#include "audio_files.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace testing_support;

namespace {
RunResult Tool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {Program("dpftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

// A block's data read straight from the package, or "<none>".
std::string Block(const char *package, const char *type, const char *name) {
    QStuffDPF dpf;
    std::string out = "<none>";
    int h = dpf.Open(package);
    if (h <= 0) return out;
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    int size = dpf.LoadBlock(h, type, name, &b);
    if (size > 0) out.assign(b.data, (size_t)size);
    delete[] b.data;
    dpf.Close(h);
    return out;
}
} // namespace

class DpftoolSound : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(DpftoolSound, StoresWhatTheMixerReads) {
    const std::string wave = audio_files::Wave(2000), ogg = audio_files::OggVorbis(2000);
    ASSERT_FALSE(ogg.empty()) << "oggenc is missing: run scripts/install-deps.sh";
    WriteFile("click.wav", wave);
    WriteFile("theme.ogg", ogg);

    RunResult r = Tool({"add-sound", "skin.dpf", "click", "click.wav"});
    ASSERT_EQ(0, r.status) << r.err;
    r = Tool({"add-music", "skin.dpf", "theme", "theme.ogg", "--mode", "stored"});
    ASSERT_EQ(0, r.status) << r.err;
    r = Tool({"add-music", "skin.dpf", "loop", "click.wav"}); // a music the mixer streams
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ(wave, Block("skin.dpf", "SND", "click"));
    EXPECT_EQ(ogg, Block("skin.dpf", "MUS", "theme"));
    EXPECT_EQ(wave, Block("skin.dpf", "MUS", "loop"));

    r = Tool({"add-sound", "skin.dpf", "click", "click.wav"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0, Tool({"add-sound", "skin.dpf", "click", "click.wav", "--replace"}).status);
    EXPECT_EQ(2, Tool({"add-music", "skin.dpf", "theme"}).status);
}

TEST_F(DpftoolSound, RefusesWhatTheMixerCannotRead) {
    WriteFile("noise.bin", audio_files::Garbage());
    WriteFile("fake.ogg", "OggS" + audio_files::Garbage());
    WriteFile("empty.wav", "");
    WriteFile("click.wav", audio_files::Wave(100));

    // No package is made for a refused file, and an existing one is left as it was.
    RunResult r = Tool({"add-sound", "skin.dpf", "noise", "noise.bin"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("noise.bin: not a sound the mixer can play: "))
        << r.err;
    EXPECT_FALSE(FileExists("skin.dpf"));

    ASSERT_EQ(0, Tool({"add-sound", "skin.dpf", "click", "click.wav"}).status);
    const std::string before = ReadFile("skin.dpf");
    for (const char *command : {"add-sound", "add-music"}) {
        for (const char *file : {"noise.bin", "fake.ogg", "empty.wav", "absent.wav"}) {
            r = Tool({command, "skin.dpf", "bad", file});
            EXPECT_EQ(1, r.status) << command << " " << file;
            EXPECT_NE(std::string::npos, r.err.find(file)) << r.err;
        }
    }
    EXPECT_EQ(before, ReadFile("skin.dpf"));
}
