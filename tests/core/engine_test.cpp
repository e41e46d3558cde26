// The engine object: start-up and shutdown, services, keyboard functions.
#include <quenlar/core/engine_private.h>
#include <quenlar/quenlar.h>
#include "support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

// ---------------------------------------------------------------------------
// Start-up and shutdown
// ---------------------------------------------------------------------------
TEST(EngineLifecycle, InitCreatesInterfacesInOrderAndQuitDeletesInReverse) {
    TempDir dir;
    LogCapture log(5);
    EXPECT_EQ(nullptr, IStuffDPF);
    ASSERT_EQ(1, Quenlar.Init(0));
    EXPECT_TRUE(Quenlar.IsInitialized());
    for (const void *p : {(const void *)IStuffDPF, (const void *)IImage, (const void *)ICursor,
                          (const void *)IPrimitives, (const void *)IButton, (const void *)IScreenFX,
                          (const void *)ITimeSystem, (const void *)INetwork, (const void *)IVideo,
                          (const void *)ISoundFX})
        EXPECT_NE(nullptr, p);
    EXPECT_EQ(0, ISoundFX->started);
    Quenlar.Quit();
    EXPECT_EQ(nullptr, IStuffDPF);
    EXPECT_EQ(nullptr, ISoundFX);
    EXPECT_FALSE(Quenlar.IsInitialized());

    // The processor line and code path come first; then the interfaces.
    std::string body = log.Body();
    size_t start = body.find(" . [IStuffDPF] Interfaz created.\n");
    ASSERT_NE(std::string::npos, start) << body;
    EXPECT_EQ(" . [IStuffDPF] Interfaz created.\n"
              " . [IImage] Interfaz created.\n"
              " . [ICursor] Interfaz created.\n"
              " . [IPrimitives] Interfaz created.\n"
              " . [IButton] Interfaz created.\n"
              " . [IScreenFX] Interfaz created.\n"
              " . [ITimeSystem] Interfaz created.\n"
              " . [IVideo] Interfaz created.\n"
              " . [ISoundFX] Interfaz created.\n"
              "\n . Quenlar successfully initiated.\n"
              " . [ISoundFX] Interfaz deleted.\n"
              " . [IVideo] Interfaz deleted.\n"
              " . [ITimeSystem] Interfaz deleted.\n"
              " . [IScreenFX] Interfaz deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 0 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 1 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 2 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 3 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 4 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 5 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 6 were deleted.\n"
              " . [IButton->Remove()] Info: 0 buttons of layer 7 were deleted.\n"
              " . [IButton] Interfaz deleted.\n"
              " . [IPrimitives] Interfaz deleted.\n"
              " . [ICursor] Interfaz deleted.\n"
              " . [IImage] Interfaz deleted.\n"
              " . [IStuffDPF] Interfaz deleted.\n"
              "\n . Quenlar successfully closed.\n\n",
              body.substr(start));
    EXPECT_NE(std::string::npos, body.find(" . Running on "));
    EXPECT_NE(std::string::npos, body.find("code path.\n"));
}

TEST(EngineLifecycle, QuitWithoutInitDoesNothing) {
    TempDir dir;
    LogCapture log(5);
    Quenlar.Quit();
    EXPECT_EQ("", log.Body());
}

TEST(EngineLifecycle, StartTicksMarkInitialisation) {
    TempDir dir;
    FakeClock clock(123456);
    EXPECT_EQ(0xFFFFFFFFu, Quenlar.startticks);
    ASSERT_EQ(1, Quenlar.Init(0));
    EXPECT_EQ(123456u, Quenlar.startticks);
    Quenlar.Quit();
}

TEST(EngineLifecycle, SdlFailureIsReported) {
    TempDir dir;
    LogCapture log(2);
    // SDL refuses a video driver that does not exist.
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    EXPECT_EQ(-1, Quenlar.Init(SDL_INIT_VIDEO));
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    EXPECT_EQ(nullptr, IStuffDPF);
    EXPECT_NE(std::string::npos,
              log.Body().find(" . [Quenlar.Init()] Error: Couldn't initialize SDL 1.2: "));
}

TEST(EngineLifecycle, InitAgainAfterQuit) {
    TempDir dir;
    ASSERT_EQ(1, Quenlar.Init(0));
    Quenlar.Quit();
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO));
    EXPECT_NE(nullptr, IStuffDPF);
    Quenlar.Quit();
}

TEST(EngineLifecycle, QuitForgetsTheScreenSdlFreed) {
    TempDir dir;
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER));
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    Quenlar.Quit();
    EXPECT_EQ(nullptr, Quenlar.screen);
    // A new run that draws before setting a mode must not touch the old one
    // (the sanitizer build sees a read of freed memory).
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER));
    Quenlar.Update();
    Quenlar.Quit();
}

TEST(EngineLifecycle, SecondInitIsRefusedAndKeepsTheInterfaces) {
    TempDir dir;
    LogCapture log(5);
    ASSERT_EQ(1, Quenlar.Init(0));
    QStuffDPF *const first = IStuffDPF;
    log.Mark();
    EXPECT_EQ(1, Quenlar.Init(0)); // the engine runs: callers may go on
    EXPECT_EQ(first, IStuffDPF);
    EXPECT_EQ(" . [Quenlar.Init()] Warning: Quenlar is already initialized; call Quenlar.Quit() "
              "first.\n",
              log.Body());
    Quenlar.Quit();
    EXPECT_EQ(nullptr, IStuffDPF); // one set of interfaces, all deleted
}

namespace {
// What the process writes to stderr while the object lives.
class StderrCapture {
public:
    StderrCapture() : saved_(dup(2)) {
        std::fflush(stderr);
        const int file = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, 2);
        close(file);
    }
    ~StderrCapture() { Release(); }
    std::string Text() {
        Release();
        return ReadFile("stderr.txt");
    }

private:
    void Release() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
    }
    int saved_;
};
} // namespace

TEST(EngineLifecycle, SoundLibraryFailuresStayOffTheTerminal) {
    TempDir dir;
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    std::string reason;
    StderrCapture captured;
    if (Quenlar.Init(SDL_INIT_AUDIO) == 1) {
        SDL_AudioSpec want = {};
        want.freq = 44100;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        want.samples = 4096;
        if (SDL_OpenAudio(&want, nullptr) < 0)
            reason = SDL_GetError();
        else
            SDL_CloseAudio();
        Quenlar.Quit();
    }
    const std::string text = captured.Text();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(std::string::npos, text.find("ALSA lib")) << text;
    // Where there is no sound card the reason is still SDL's to give.
    if (access("/dev/snd", F_OK) != 0) {
        EXPECT_NE("", reason);
    }
}

TEST(EngineLifecycle, LeftoverResourcesAreReportedInOrder) {
    TempDir dir;
    LogCapture log(2);
    ASSERT_EQ(1, Quenlar.Init(0));
    log.Mark();
    Quenlar.fontcount = 1;
    Quenlar.tilecount = 3;
    Quenlar.spritecount = 0;
    Quenlar.Quit();
    EXPECT_EQ("\n . [CTiles] Warning! your application have left 3 tiles without deleting."
              "\n . [CFonts] Warning! your application have left 1 fonts without deleting."
              "\n . Quenlar successfully closed.\n\n",
              log.Body());
    Quenlar.fontcount = Quenlar.tilecount = 0;
}

TEST(EngineLifecycle, QuitFreesTheIcon) {
    TempDir dir;
    ASSERT_EQ(1, Quenlar.Init(0));
    Quenlar.icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0, 0, 0, 0);
    Quenlar.Quit(); // the leak checker of the sanitizer build sees a missed free
    EXPECT_EQ(nullptr, Quenlar.icon);
}

TEST(EngineDefaults, ConfigurationAndTexts) {
    EXPECT_STREQ("Quenlar SDK Application", Quenlar.title);
    EXPECT_EQ(1, Quenlar.renderer);
    EXPECT_EQ(640, Quenlar.resolutionx);
    EXPECT_EQ(480, Quenlar.resolutiony);
    EXPECT_EQ(0x8008, Quenlar.format);
    EXPECT_EQ(11025, Quenlar.frequency);
    EXPECT_EQ(4096, Quenlar.buffer);
    EXPECT_EQ(128, Quenlar.musicvol);
    EXPECT_STREQ("Quenlar SDK Win32 v5.20 (build 3278)", Quenlar.GetVersion());
    EXPECT_LT(strlen(Quenlar.GetCredits()), 32u);
    // The launcher's copy and the engine share one record type.
    QuenlarConfig &config = Quenlar;
    config.renderer = 64;
    EXPECT_EQ(64, Quenlar.renderer);
    config.renderer = 1;
}

// ---------------------------------------------------------------------------
// Services
// ---------------------------------------------------------------------------
TEST(EngineServices, Crc32) {
    EXPECT_EQ(0xCBF43926u, Quenlar.CRC32("123456789", 9));
    EXPECT_EQ(0u, Quenlar.CRC32("123456789", 0));
    EXPECT_EQ(0u, Quenlar.CRC32("123456789", -5));
    EXPECT_EQ(0u, Quenlar.CRC32(nullptr, 9));
    EXPECT_EQ(0xE8B7BE43u, Quenlar.CRC32("a", 1));
}

TEST(EngineServices, RefreshRequestRules) {
    SDL_Surface *single = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0, 0, 0, 0);
    SDL_Surface *doubled = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0, 0, 0, 0);
    doubled->flags |= SDL_DOUBLEBUF;
    int &refresh = EngineStateOf(Quenlar).refresh;

    refresh = 1;
    Quenlar.screen = nullptr;
    Quenlar.Refresh(0); // no screen: nothing to clear
    EXPECT_EQ(1, refresh);
    Quenlar.screen = single;
    Quenlar.Refresh(-4);
    EXPECT_EQ(0, refresh);
    EXPECT_EQ(0, Quenlar.NeedRefresh());
    Quenlar.Refresh(1);
    EXPECT_EQ(1, refresh);
    EXPECT_EQ(1, Quenlar.NeedRefresh());
    Quenlar.Refresh(7);
    EXPECT_EQ(2, refresh);
    Quenlar.Refresh(1); // never lowers 2
    EXPECT_EQ(2, refresh);
    EXPECT_EQ(1, Quenlar.NeedRefresh());
    Quenlar.screen = doubled;
    Quenlar.Refresh(0); // a double-buffered screen keeps 2
    EXPECT_EQ(2, refresh);
    Quenlar.screen = single;
    Quenlar.Refresh(0);
    EXPECT_EQ(0, refresh);

    Quenlar.screen = nullptr;
    SDL_FreeSurface(single);
    SDL_FreeSurface(doubled);
}

// ---------------------------------------------------------------------------
// Keyboard
// ---------------------------------------------------------------------------
namespace {
// A key-state array under the test's control, installed as SDL's would be.
struct Keys {
    Uint8 state[SDLK_LAST] = {0};
    Keys() {
        EngineStateOf(Quenlar).keys = state;
        EngineStateOf(Quenlar).keyCount = SDLK_LAST;
    }
    ~Keys() {
        EngineStateOf(Quenlar).keys = nullptr;
        EngineStateOf(Quenlar).keyCount = 0;
        SDL_SetModState(KMOD_NONE);
    }
};
} // namespace

TEST(Keyboard, KeyDownReadsTheFetchedState) {
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_ESCAPE)); // nothing fetched yet
    Keys keys;
    keys.state[SDLK_ESCAPE] = 1;
    EXPECT_EQ(1, Quenlar.KeyDown(27));
    EXPECT_EQ(0, Quenlar.KeyDown('a'));
    EXPECT_EQ(0, Quenlar.KeyDown(-1));
    EXPECT_EQ(0, Quenlar.KeyDown(SDLK_LAST));
}

TEST(Keyboard, ReadKeyRepeatsAfterTheDelay) {
    FakeClock clock(10000);
    EXPECT_EQ(0, Quenlar.ReadKey(150)); // no key state yet
    Keys keys;
    EngineStateOf(Quenlar).lastRepeat[SDLK_x] = 0;
    keys.state[SDLK_x] = 1;
    EXPECT_EQ('x', Quenlar.ReadKey(150)); // at once
    EXPECT_EQ(0, Quenlar.ReadKey(150));
    clock.Advance(150);
    EXPECT_EQ(0, Quenlar.ReadKey(150)); // not before more than the delay has passed
    clock.Advance(1);
    EXPECT_EQ('x', Quenlar.ReadKey(150));

    // Lowest key code first; the translation applies.
    keys.state[SDLK_x] = 0;
    keys.state[SDLK_q] = keys.state[SDLK_KP8] = 1;
    EngineStateOf(Quenlar).lastRepeat[SDLK_q] = 0;
    EngineStateOf(Quenlar).lastRepeat[SDLK_KP8] = 0;
    EXPECT_EQ('q', Quenlar.ReadKey(150));
    EXPECT_EQ(SDLK_UP, Quenlar.ReadKey(150));
    EXPECT_EQ(0, Quenlar.ReadKey(150));
}

TEST(Keyboard, TranslateKeyWithShift) {
    Keys keys;
    SDL_SetModState(KMOD_RSHIFT);
    const std::pair<int, int> shifted[] = {
        {'a', 'A'}, {'z', 'Z'}, {'\'', '"'}, {',', '<'},          {'-', '_'},
        {'.', '>'}, {'/', '?'}, {'[', '{'},  {']', '}'},          {'0', ')'},
        {'1', '!'}, {'2', '@'}, {'3', '#'},  {'4', '$'},          {'5', '%'},
        {'6', '^'}, {'7', '&'}, {'8', '*'},  {'9', '('},          {';', ':'},
        {'=', '+'}, {'`', '~'}, {'\\', '|'}, {SDLK_KP_ENTER, 13}, {SDLK_F1, SDLK_F1},
    };
    for (auto [key, expected] : shifted)
        EXPECT_EQ(expected, Quenlar.TranslateKey(key)) << key;
}

TEST(Keyboard, TranslateKeyKeypad) {
    Keys keys;
    const std::pair<int, int> common[] = {
        {SDLK_KP_DIVIDE, '/'},
        {SDLK_KP_MULTIPLY, '*'},
        {SDLK_KP_MINUS, '-'},
        {SDLK_KP_PLUS, '+'},
        {SDLK_KP_ENTER, 13},
        {'a', 'a'},
        {'1', '1'},
        {SDLK_F5, SDLK_F5},
    };
    const std::pair<int, int> numLock[] = {
        {SDLK_KP0, '0'},
        {SDLK_KP5, '5'},
        {SDLK_KP9, '9'},
        {SDLK_KP_PERIOD, '.'},
    };
    const std::pair<int, int> navigation[] = {
        {SDLK_KP0, SDLK_INSERT},   {SDLK_KP1, SDLK_END},  {SDLK_KP2, SDLK_DOWN},
        {SDLK_KP3, SDLK_PAGEDOWN}, {SDLK_KP4, SDLK_LEFT}, {SDLK_KP5, SDLK_KP5},
        {SDLK_KP6, SDLK_RIGHT},    {SDLK_KP7, SDLK_HOME}, {SDLK_KP8, SDLK_UP},
        {SDLK_KP9, SDLK_PAGEUP},   {SDLK_KP_PERIOD, 127},
    };
    for (SDLMod mod : {KMOD_NONE, KMOD_NUM}) {
        SDL_SetModState(mod);
        for (auto [key, expected] : common)
            EXPECT_EQ(expected, Quenlar.TranslateKey(key)) << key;
    }
    SDL_SetModState(KMOD_NUM);
    for (auto [key, expected] : numLock)
        EXPECT_EQ(expected, Quenlar.TranslateKey(key)) << key;
    SDL_SetModState(KMOD_NONE);
    for (auto [key, expected] : navigation)
        EXPECT_EQ(expected, Quenlar.TranslateKey(key)) << key;
}

TEST(Keyboard, KeyText) {
    TempDir dir;
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO)); // SDL's key names come with its video start
    EXPECT_EQ(nullptr, Quenlar.KeyText(13));
    EXPECT_EQ(nullptr, Quenlar.KeyText(31));
    EXPECT_EQ(nullptr, Quenlar.KeyText(127));
    EXPECT_EQ(nullptr, Quenlar.KeyText(300));
    EXPECT_STREQ(" ", Quenlar.KeyText(32));
    EXPECT_STREQ("%", Quenlar.KeyText('%'));
    EXPECT_STREQ("A", Quenlar.KeyText(65));
    EXPECT_STREQ("Z", Quenlar.KeyText('Z'));
    // Every other printable code is its own character, whichever SDL 1.2
    // library names the keys.
    for (int c = 33; c <= 126; ++c)
        EXPECT_EQ(std::string(1, (char)c), Quenlar.KeyText(c)) << c;
    Quenlar.Quit();
}
