// ISoundFX on SDL's dummy audio driver, and on its disk driver to hear what
// reaches the output.
#include <quenlar/quenlar.h>
#include "audio_files.h"
#include "support/support.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace testing_support;
using audio_files::Wave;

namespace {
const int kClickFrames = 4410; // 0.1 s

// Adds a block as it is stored (an empty one too).
void AddBlock(int dpf, const char *name, const char *type, const std::string &bytes) {
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    std::strcpy(b.name, name);
    std::strcpy(b.type, type);
    b.mode = 1;
    b.size = (unsigned)bytes.size();
    b.data = const_cast<char *>(bytes.data());
    IStuffDPF->AddData(dpf, &b);
}
} // namespace

class SoundTest : public ::testing::Test {
protected:
    void TearDown() override { Quenlar.Quit(); }

    // The engine with audio on the driver of the environment, and a
    // package "sounds.dpf" open under `dpf`.
    void Start(bool openAudio = true) {
        ASSERT_EQ(1, Quenlar.Init(SDL_INIT_TIMER | (openAudio ? SDL_INIT_AUDIO : 0)));
        if (openAudio) {
            ASSERT_TRUE(ISoundFX->Init(44100, AUDIO_S16LSB, 2, 512));
        }
        dpf = IStuffDPF->Create("sounds.dpf");
        ASSERT_GT(dpf, 0);
        AddBlock(dpf, "click", "SND", Wave(kClickFrames));
        log.Mark();
    }
    bool Logged(const std::string &text) const {
        return log.Body().find(text) != std::string::npos;
    }

    TempDir dir;
    LogCapture log{5};
    int dpf = 0;
};

TEST_F(SoundTest, LoadsByHandleAndPathAndPlays) {
    Start();
    const std::string ogg = audio_files::OggVorbis(kClickFrames);
    ASSERT_FALSE(ogg.empty()) << "oggenc is missing: run scripts/install-deps.sh";
    AddBlock(dpf, "theme", "MUS", ogg);
    AddBlock(dpf, "tune", "MUS", Wave(kClickFrames)); // not Ogg: decoded when played
    IStuffDPF->Close(dpf);

    dpf = IStuffDPF->Open("sounds.dpf");
    EXPECT_EQ(0, ISoundFX->SoundLoad(dpf, "click"));
    EXPECT_EQ(1, ISoundFX->SoundLoad("sounds.dpf", "click"));
    EXPECT_EQ(0, ISoundFX->MusicLoad(dpf, "theme"));
    EXPECT_EQ(1, ISoundFX->MusicLoad("sounds.dpf", "tune"));
    IStuffDPF->Close(dpf);

    ISoundFX->SoundPlay(1, 1, 0);
    EXPECT_EQ(1, ISoundFX->IsPlaying(1));
    EXPECT_EQ(0, ISoundFX->IsPlaying(2));
    EXPECT_EQ(0, ISoundFX->MusicPlay(0, 0));
    EXPECT_EQ(0, ISoundFX->MusicPlay(1, -1));
    EXPECT_EQ(0, ISoundFX->MusicPlay(0, 1));

    // A freed id is the next one taken; the others stay.
    ISoundFX->SoundFree(0);
    ISoundFX->MusicFree(0);
    EXPECT_EQ(0, ISoundFX->SoundLoad("sounds.dpf", "click"));
    EXPECT_EQ(0, ISoundFX->MusicLoad("sounds.dpf", "theme"));
    EXPECT_EQ(0, ISoundFX->MusicPlay(1, 0));
    EXPECT_EQ(std::string::npos, log.Body().find("Error"));

    // A package that cannot be opened is a failure, not id 0.
    EXPECT_EQ(-1, ISoundFX->SoundLoad("missing.dpf", "click"));
    EXPECT_EQ(-1, ISoundFX->MusicLoad("missing.dpf", "theme"));
    EXPECT_TRUE(Logged(" . [IStuffDPF->Open('missing.dpf')] Error: "));
}

TEST_F(SoundTest, DeferredMusicsAreDecodedOneAtATime) {
    Start();
    AddBlock(dpf, "a", "MUS", Wave(kClickFrames));
    AddBlock(dpf, "b", "MUS", Wave(kClickFrames * 2));
    AddBlock(dpf, "broken", "MUS", audio_files::Garbage());
    const int a = ISoundFX->MusicLoad(dpf, "a"), b = ISoundFX->MusicLoad(dpf, "b");
    ASSERT_EQ(0, a);
    ASSERT_EQ(1, b);
    // Playing b frees a's decoded form; a is decoded again from its bytes.
    EXPECT_EQ(0, ISoundFX->MusicPlay(a, 0));
    EXPECT_EQ(0, ISoundFX->MusicPlay(b, 0));
    EXPECT_EQ(0, ISoundFX->MusicPlay(a, -1));
    EXPECT_EQ(1, Mix_PlayingMusic());
    ISoundFX->MusicFree(b);
    EXPECT_EQ(0, ISoundFX->MusicPlay(a, 0));

    // Bytes no decoder takes are accepted, and fail when played.
    const int broken = ISoundFX->MusicLoad(dpf, "broken");
    EXPECT_EQ(1, broken);
    EXPECT_EQ(-1, ISoundFX->MusicPlay(broken, 0));
    EXPECT_EQ(0, ISoundFX->MusicPlay(a, 0));
}

TEST_F(SoundTest, BadBlocksFailWithTheirMessages) {
    Start();
    AddBlock(dpf, "empty", "SND", "");
    AddBlock(dpf, "noise", "SND", audio_files::Garbage());
    AddBlock(dpf, "empty", "MUS", "");
    AddBlock(dpf, "fakeogg", "MUS", "OggS" + audio_files::Garbage());
    log.Mark();
    const std::string at = "[ISoundFX->SoundLoad('sounds.dpf','";
    const std::string mat = "[ISoundFX->MusicLoad('sounds.dpf','";

    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "absent"));
    EXPECT_TRUE(Logged(" . " + at + "absent')] Error: sound not found.\n"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "empty"));
    EXPECT_TRUE(Logged(" . " + at + "empty')] Error: sound not found.\n"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "noise"));
    EXPECT_TRUE(Logged(" . " + at + "noise')] Error: sound format unknown.\n"));
    EXPECT_EQ(-1, ISoundFX->MusicLoad(dpf, "click"));
    EXPECT_TRUE(Logged(" . " + mat + "click')] Error: music not found.\n"));
    EXPECT_EQ(-1, ISoundFX->MusicLoad(dpf, "empty"));
    EXPECT_TRUE(Logged(" . " + mat + "empty')] Error: music not found.\n"));
    EXPECT_EQ(-1, ISoundFX->MusicLoad(dpf, "fakeogg"));
    EXPECT_TRUE(Logged(" . " + mat + "fakeogg')] Error: music format unknown ('"));

    // Unknown handles and ids change nothing.
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf + 1000, "click"));
    EXPECT_TRUE(Logged(" . [ISoundFX->SoundLoad('','click')] Error: sound not found.\n"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(0, "click"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, nullptr));
    for (int id : {-1, 3, 255, 256, 100000}) {
        ISoundFX->SoundPlay(-1, id, 0);
        ISoundFX->SoundFree(id);
        EXPECT_EQ(-1, ISoundFX->MusicPlay(id, 0));
        ISoundFX->MusicFree(id);
    }
    EXPECT_EQ(0, ISoundFX->IsPlaying(-1));
    const int click = ISoundFX->SoundLoad(dpf, "click");
    EXPECT_EQ(0, click);
    ISoundFX->SoundPlay(12345, click, 0); // no such channel
    EXPECT_EQ(0, ISoundFX->IsPlaying(12345));
}

TEST_F(SoundTest, FullTablesWarnWithTheirLimits) {
    Start();
    AddBlock(dpf, "tune", "MUS", Wave(64));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(i, ISoundFX->SoundLoad(dpf, "click"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "click"));
    EXPECT_TRUE(
        Logged(" . [ISoundFX] Warning: reached maximum limit of sound objects opened(256)\n"));
    ISoundFX->SoundFree(7);
    EXPECT_EQ(7, ISoundFX->SoundLoad(dpf, "click"));

    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(i, ISoundFX->MusicLoad(dpf, "tune"));
    log.Mark();
    EXPECT_EQ(-1, ISoundFX->MusicLoad(dpf, "tune"));
    const std::string body = log.Body();
    const size_t warning =
        body.find(" . [ISoundFX] Warning: reached maximum limit of music objects opened(32)\n");
    const size_t error =
        body.find(" . [ISoundFX->MusicLoad('sounds.dpf','tune')] Error: music format unknown ('");
    EXPECT_NE(std::string::npos, warning);
    EXPECT_NE(std::string::npos, error);
    EXPECT_LT(warning, error);
}

TEST_F(SoundTest, WithoutAudioNothingLoadsOrPlays) {
    // A machine without a usable device: Init fails, the caller disables sound.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Start(false);
    EXPECT_FALSE(ISoundFX->Init(44100, AUDIO_S16LSB, 2, 4096));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ISoundFX->Disable();
    EXPECT_FALSE(ISoundFX->IsInit());
    AddBlock(dpf, "tune", "MUS", Wave(64));
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "click"));
    EXPECT_EQ(-1, ISoundFX->SoundLoad("sounds.dpf", "click"));
    EXPECT_EQ(-1, ISoundFX->MusicLoad(dpf, "tune"));
    EXPECT_EQ(-1, ISoundFX->MusicPlay(0, 0));
    ISoundFX->SoundPlay(1, 0, 0);
    EXPECT_EQ(0, ISoundFX->IsPlaying(1)); // a wait for the click ends at once
}

TEST_F(SoundTest, DisabledAfterAStartIsOffAndTheDeviceStillClosesAtShutdown) {
    Start();
    EXPECT_EQ(0, ISoundFX->SoundLoad(dpf, "click"));
    ISoundFX->Disable();
    EXPECT_EQ(-1, ISoundFX->SoundLoad(dpf, "click"));
    IStuffDPF->Close(dpf);
    Quenlar.Quit();
    EXPECT_EQ(0, Mix_QuerySpec(nullptr, nullptr, nullptr));
}

TEST_F(SoundTest, AudioStartsAgainAfterAShutdownInTheSameProcess) {
    for (int run = 0; run < 2; ++run) {
        Start();
        const int click = ISoundFX->SoundLoad(dpf, "click");
        EXPECT_EQ(0, click) << run;
        ISoundFX->SoundFree(click);
        IStuffDPF->Close(dpf);
        Quenlar.Quit();
    }
}

TEST_F(SoundTest, ShutdownFreesAndReportsWhatWasLeft) {
    Start();
    AddBlock(dpf, "tune", "MUS", Wave(64));
    ASSERT_EQ(0, ISoundFX->SoundLoad(dpf, "click"));
    ASSERT_EQ(1, ISoundFX->SoundLoad(dpf, "click"));
    ASSERT_EQ(0, ISoundFX->MusicLoad(dpf, "tune"));
    ISoundFX->SoundPlay(1, 0, -1);
    EXPECT_EQ(0, ISoundFX->MusicPlay(0, -1));
    IStuffDPF->Close(dpf);
    log.Mark();
    Quenlar.Quit();
    EXPECT_TRUE(Logged(" . [ISoundFX] Warning! your application has left 2 sounds without "
                       "deleting. . [ISoundFX] Warning! your application has left 1 music "
                       "without deleting. . [ISoundFX] Interfaz deleted.\n"));
    EXPECT_EQ(0, Mix_QuerySpec(nullptr, nullptr, nullptr));
}

// ---------------------------------------------------------------------------
// The disk driver writes what the mixer plays to a file, in the device's
// format: here 16-bit stereo at 44100 Hz.
// ---------------------------------------------------------------------------
namespace {
// What the mixer has handed the device so far, counted on the audio thread
// (read under SDL_LockAudio, which the mixing holds).
long g_mixed = 0;      // frames
long g_audible = 0;    // frames not silent
long g_audibleEnd = 0; // the frame after the last one not silent
void CountFrames(void *, Uint8 *stream, int bytes) {
    const Sint16 *samples = reinterpret_cast<const Sint16 *>(stream);
    for (int f = 0; f < bytes / 4; ++f, ++g_mixed) {
        if (samples[2 * f] == 0 && samples[2 * f + 1] == 0) continue;
        ++g_audible;
        g_audibleEnd = g_mixed + 1;
    }
}
} // namespace

class DiskSoundTest : public SoundTest {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir / "output.raw").c_str(), 1);
        // One 512-frame buffer every 11 ms: about as fast as a sound card.
        setenv("SDL_DISKAUDIODELAY", "11", 1);
    }
    void TearDown() override {
        SoundTest::TearDown();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }
};

TEST_F(DiskSoundTest, PlayedClickReachesTheOutputAndTheWaitLastsAsLongAsIt) {
    Quenlar.soundvol = 64; // half of the mixer's full volume
    Start();
    Mix_SetPostMix(CountFrames, nullptr);
    const int click = ISoundFX->SoundLoad(dpf, "click");
    ASSERT_EQ(0, click);
    IStuffDPF->Close(dpf);

    // The launcher's Exit: play the click on channel 1, wait while it plays.
    ISoundFX->SoundPlay(1, click, 0);
    for (int polls = 0; ISoundFX->IsPlaying(1) && polls < 500; ++polls)
        SDL_Delay(10);
    SDL_LockAudio();
    const long mixed = g_mixed, audible = g_audible, audibleEnd = g_audibleEnd;
    SDL_UnlockAudio();
    EXPECT_EQ(0, ISoundFX->IsPlaying(1));
    Mix_SetPostMix(nullptr, nullptr);
    Quenlar.Quit(); // closes the device and its file
    Quenlar.soundvol = 128;

    const std::string out = ReadFile(dir / "output.raw");
    ASSERT_GT(out.size(), (size_t)kClickFrames * 4);
    const Sint16 *samples = reinterpret_cast<const Sint16 *>(out.data());
    const long frames = (long)out.size() / 4;
    long first = -1, last = -1;
    int peak = 0;
    for (long f = 0; f < frames; ++f) {
        const int left = samples[2 * f], right = samples[2 * f + 1];
        if (left == 0 && right == 0) continue;
        if (first < 0) first = f;
        last = f;
        peak = std::max(peak, std::abs(left));
        EXPECT_EQ(left, right) << "frame " << f;
    }
    ASSERT_GE(first, 0) << "the output is silent";
    // Every frame of the click, at the engine's sound volume, and nothing else.
    EXPECT_EQ(kClickFrames, last - first + 1);
    EXPECT_NEAR(audio_files::kLevel * 64 / 128, peak, 1);
    // The wait ended once the click's last frame had gone to the device,
    // not before, and within a second of it.
    EXPECT_EQ(kClickFrames, audible);
    EXPECT_LE(mixed - audibleEnd, 44100);
}
