// The launcher program with the demo skin, in a real window under a virtual
// X server, used as a player uses it: xdotool moves the pointer and presses
// its button. What the window shows is read back from screenshots and
// compared with the skin's own pictures, which the launcher draws unchanged
// on a 24-bit display. Screenshots are kept in build/test-artifacts
// (launcher-e2e-*.png).
#include <quenlar/quenlar.h>
#include "support.h"

#include <SDL_image.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <functional>
#include <map>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace testing_support;

namespace {

const char kLauncherWindow[] = "^Quenlar Demo - Setup$"; // layout.xml's appname + " - Setup"
const char kGameWindow[] = "^Quenlar Demo$";
const char kSettingsFile[] = "setup.xml"; // layout.xml's setupxml, a plain file

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Polls `done` every 50 ms until it holds or `seconds` have passed.
bool WaitUntil(const std::function<bool()> &done, int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Pause(50);
    }
    return true;
}

// What the whole-window tests need and Debian installs (scripts/install-deps.sh).
std::string MissingTools() {
    std::string missing;
    for (const char *tool : {"Xvfb", "xdotool", "import"})
        if (testing_support::Run({"sh", "-c", std::string("command -v ") + tool}).status != 0)
            missing += std::string(" ") + tool;
    return missing;
}

// ---------------------------------------------------------------------------
// Pictures: screenshots and the skin's PNG files, read through SDL_image
// ---------------------------------------------------------------------------
class Picture {
public:
    explicit Picture(const std::string &path) : surface_(IMG_Load(path.c_str())) {}
    ~Picture() { SDL_FreeSurface(surface_); }
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    bool Valid() const { return surface_ != nullptr; }
    int w() const { return surface_ ? surface_->w : 0; }
    int h() const { return surface_ ? surface_->h : 0; }

    // The pixel as 0xAARRGGBB; transparent black outside the picture.
    Uint32 At(int x, int y) const {
        if (!surface_ || x < 0 || y < 0 || x >= surface_->w || y >= surface_->h) return 0;
        const int bpp = surface_->format->BytesPerPixel;
        const Uint8 *p = (const Uint8 *)surface_->pixels + y * surface_->pitch + x * bpp;
        Uint32 value = 0;
        for (int i = 0; i < bpp; ++i) // the bytes of a pixel in memory order
            value |= (Uint32)p[i] << (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bpp - 1 - i));
        Uint8 r, g, b, a;
        SDL_GetRGBA(value, surface_->format, &r, &g, &b, &a);
        return (Uint32)a << 24 | (Uint32)r << 16 | (Uint32)g << 8 | b;
    }

private:
    SDL_Surface *surface_;
};

// Whether `shot` shows the opaque pixels of `picture` with its top-left
// corner at x, y; pixels inside `hidden` (where the pointer is drawn) are
// not compared.
bool Shows(const Picture &shot, const Picture &picture, int x, int y, const SDL_Rect &hidden) {
    if (!picture.Valid()) return false;
    for (int py = 0; py < picture.h(); ++py)
        for (int px = 0; px < picture.w(); ++px) {
            const int sx = x + px, sy = y + py;
            if (sx >= hidden.x && sx < hidden.x + hidden.w && sy >= hidden.y &&
                sy < hidden.y + hidden.h)
                continue;
            const Uint32 want = picture.At(px, py);
            if (want >> 24 != 0xFF) continue;
            if ((shot.At(sx, sy) | 0xFF000000) != want) return false;
        }
    return true;
}

// ---------------------------------------------------------------------------
// The demo skin: packed as `make run` packs it, positions from its layout
// ---------------------------------------------------------------------------
// One widget of the window: where layout.xml puts it and the pictures it
// is drawn with (skin/PICTURE_n.png, _p, _o, _s).
struct Widget {
    std::string element, picture;
    int x = 0, y = 0, w = 0, h = 0;
};

class DemoSkin {
public:
    // Packs the demo into `dir` (setup.dpf, demo-game.dpf, ./demo-game).
    explicit DemoSkin(const std::string &dir) : skin_(dir + "/skin/") {
        RunResult pack = testing_support::Run(
            {"sh", std::string(QUENLAR_SOURCE_DIR) + "/demo/pack.sh", QUENLAR_BIN_DIR, dir});
        packed_ = pack.status == 0 && layout_.LoadFile(skin_ + "layout.xml");
        error_ = pack.err;
    }
    bool Packed() const { return packed_; }
    const std::string &Error() const { return error_; }
    std::string Path(const std::string &file) const { return skin_ + file; }

    // The widget laid out by `element`, drawn with `picture`.
    Widget Get(const std::string &element, const std::string &picture) const {
        Widget w;
        w.element = element;
        w.picture = picture;
        if (const TiXmlElement *e = Find(layout_.RootElement(), element)) {
            e->QueryIntAttribute("x", &w.x);
            e->QueryIntAttribute("y", &w.y);
        }
        Picture normal(Path(picture + "_n.png"));
        w.w = normal.w();
        w.h = normal.h();
        return w;
    }
    // A radio button or check box, clones of the two masters.
    Widget Radio(const std::string &element) const { return Get(element, "radio"); }
    Widget Check(const std::string &element) const { return Get(element, "check"); }

private:
    static const TiXmlElement *Find(const TiXmlElement *e, const std::string &name) {
        for (; e; e = e->NextSiblingElement()) {
            if (e->ValueStr() == name) return e;
            if (const TiXmlElement *inner = Find(e->FirstChildElement(), name)) return inner;
        }
        return nullptr;
    }

    std::string skin_, error_;
    TiXmlDocument layout_;
    bool packed_ = false;
};

// ---------------------------------------------------------------------------
// The player: the pointer, the button, and looking at the window
// ---------------------------------------------------------------------------
class Player {
public:
    Player(const XServer &x, const DemoSkin &skin, std::string window)
        : x_(x), skin_(skin), window_(std::move(window)), cursor_(skin.Path("cursor.png")) {}

    // Moves the pointer to x, y of the window.
    void MoveTo(int x, int y) {
        x_.Client(
            {"xdotool", "mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
        pointerX_ = x, pointerY_ = y;
    }
    // Button 1 down or up. After a release the player waits a little over
    // two logic steps (20 a second): the engine latches a press shorter
    // than a step, not a release, so a release and the next press within
    // one step would read as the button held throughout.
    void Button(bool down) {
        x_.Client({"xdotool", down ? "mousedown" : "mouseup", "1"});
        if (!down) Pause(120);
    }

    // Presses and releases the button over the widget's lower right corner,
    // so that the software cursor, drawn right of and below the pointer,
    // hides little of it. The pointer stays there: the launcher sees the
    // release over the widget in its next logic step.
    void Click(const Widget &w) {
        MoveTo(w.x + w.w - 3, w.y + w.h - 3);
        Button(true);
        Pause(60);
        Button(false);
    }

    // Drags a slider's knob to the place that means `value` (of 0..255):
    // IButton maps the pointer's x over the track less 25 pixels at each
    // end. The pointer runs along the track's lowest row, so that the
    // cursor stays below the knob.
    void DragSlider(const Widget &slider, int value) {
        const int travel = slider.w - 2 * kSliderMargin;
        const int along = (value * travel + 254) / 255; // the first pixel that gives `value`
        const int y = slider.y + slider.h - 2;
        MoveTo(slider.x + slider.w / 2, y);
        Button(true);
        Pause(60);
        MoveTo(slider.x + kSliderMargin + along, y);
    }

    // Where the pointer leaves no picture covered: the window's corner
    // beside Exit.
    void Away() { MoveTo(425, 396); }

    // The look `w` shows in `shot`: 'n' normal, 'p' pressed, 'o' off,
    // 's' selected, '?' none of them.
    char LookOf(const Picture &shot, const Widget &w) const {
        for (char look : {'n', 'p', 'o', 's'}) {
            Picture picture(skin_.Path(w.picture + "_" + look + ".png"));
            if (Shows(shot, picture, w.x, w.y, Pointer())) return look;
        }
        return '?';
    }

    // Polls the window until every widget shows its look; otherwise what
    // they showed. The last screenshot is kept as `keep` when given.
    testing::AssertionResult Looks(const std::vector<std::pair<Widget, char>> &expected,
                                   const std::string &keep = "") {
        const std::string path = keep.empty() ? ArtifactPath("launcher-e2e-last.png")
                                              : ArtifactPath("launcher-e2e-" + keep + ".png");
        std::string seen;
        const bool all = WaitUntil([&] {
            seen.clear();
            if (!x_.Screenshot(window_, path)) return false;
            Picture shot(path);
            bool match = shot.Valid();
            for (const auto &e : expected) {
                const char look = LookOf(shot, e.first);
                if (look != e.second) match = false;
                seen += " " + e.first.element + "=" + look;
            }
            return match;
        });
        if (all) return testing::AssertionSuccess();
        std::string want;
        for (const auto &e : expected)
            want += " " + e.first.element + "=" + e.second;
        return testing::AssertionFailure()
               << "wanted" << want << "\n  shown" << seen << "\n  (" << path << ")";
    }

    // Whether the knob of `slider` stands where `value` puts it.
    bool KnobAt(const Widget &slider, int value) {
        Picture knob(skin_.Path("slider_p.png"));
        const int travel = slider.w - 2 * kSliderMargin - knob.w();
        const int x = slider.x + kSliderMargin + travel * value / 255;
        const int y = slider.y + slider.h / 2 - knob.h() / 2;
        const std::string path = ArtifactPath("launcher-e2e-last.png");
        return WaitUntil([&] {
            if (!x_.Screenshot(window_, path)) return false;
            return Shows(Picture(path), knob, x, y, Pointer());
        });
    }

private:
    static constexpr int kSliderMargin = 25; // IButton's track pixels the knob never covers

    SDL_Rect Pointer() const {
        return SDL_Rect{(Sint16)pointerX_, (Sint16)pointerY_, (Uint16)cursor_.w(),
                        (Uint16)cursor_.h()};
    }

    const XServer &x_;
    const DemoSkin &skin_;
    std::string window_;
    Picture cursor_;
    int pointerX_ = 0, pointerY_ = 0;
};

// ---------------------------------------------------------------------------
// Processes: the launcher, and the game it starts
// ---------------------------------------------------------------------------
// The launcher program in `dir`, on the X server, its output in out.txt
// and err.txt; `env` adds to (or removes from) its environment.
std::unique_ptr<ChildProcess> StartLauncher(const XServer &x, const std::string &dir,
                                            std::vector<std::string> env = {}) {
    env.push_back("SDL_VIDEODRIVER"); // the launcher picks the X11 driver itself
    env.push_back("DISPLAY=" + x.Display());
    return std::unique_ptr<ChildProcess>(new ChildProcess(
        {"/bin/sh", "-c", "exec \"$0\" >out.txt 2>err.txt", Program("setup")}, dir, env));
}

// A child of this process named `name`, or 0. The game the launcher
// started becomes one once the launcher has ended: the test is a
// subreaper, which orphans of its descendants are handed to.
pid_t FindChild(const std::string &name) {
    DIR *proc = opendir("/proc");
    if (!proc) return 0;
    pid_t found = 0;
    while (struct dirent *entry = readdir(proc)) {
        const pid_t pid = (pid_t)atoi(entry->d_name);
        if (pid <= 0) continue;
        // "PID (COMM) STATE PPID ..."
        const std::string stat = ReadFile("/proc/" + std::string(entry->d_name) + "/stat");
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == getpid() && stat.substr(open + 1, close - open - 1) == name) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}

// The demo game: found once the launcher has ended, waited for, and killed
// if a failing test leaves it running.
class Game {
public:
    bool Found() {
        if (pid_ <= 0) pid_ = FindChild("demo-game");
        return pid_ > 0;
    }
    // Its exit status once it has ended within `seconds`; -1 otherwise.
    int Wait(int seconds) {
        int status = -1;
        const bool ended = pid_ > 0 && WaitUntil(
                                           [&] {
                                               int s = 0;
                                               if (waitpid(pid_, &s, WNOHANG) != pid_) return false;
                                               status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
                                               return true;
                                           },
                                           seconds);
        if (ended) pid_ = 0;
        return status;
    }
    ~Game() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = 0;
};

// The saved settings as the game reads them; false while they cannot be read.
bool ReadSettings(QuenlarConfig &settings) {
    settings = QuenlarConfig();
    return Quenlar.ReadConfig("", kSettingsFile, &settings) == 1;
}

class LauncherEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        const std::string missing = MissingTools();
        ASSERT_EQ("", missing) << "whole-window tests need" << missing
                               << " (scripts/install-deps.sh installs them)";
        ASSERT_TRUE(x.Available()) << "Xvfb did not start";
        ASSERT_TRUE(skin.Packed()) << skin.Error();
    }

    // The launcher's window once its first frames show the general tab.
    std::string OpenWindow(ChildProcess &launcher) {
        const std::string window = x.FindWindow(kLauncherWindow);
        if (window.empty())
            ADD_FAILURE() << "no launcher window (running: " << launcher.Running() << ")\n"
                          << ReadFile("Setup.log") << ReadFile("err.txt");
        return window;
    }

    XServer x{"1024x768x24"};
    TempDir dir;
    DemoSkin skin{dir.path()};
};

} // namespace

// ---------------------------------------------------------------------------
// Configure, Save, Play; then again, and Exit
// ---------------------------------------------------------------------------
TEST_F(LauncherEndToEnd, ConfiguresSavesAndStartsTheGame) {
    // Orphans of the launcher (the game, once the launcher ends) come here.
    ASSERT_EQ(0, prctl(PR_SET_CHILD_SUBREAPER, 1));

    const Widget tabGeneral = skin.Get("general", "tabgeneral"),
                 tabVideo = skin.Get("video", "tabvideo"), tabAudio = skin.Get("audio", "tabaudio"),
                 save = skin.Get("butsave", "save"), play = skin.Get("butplay", "play"),
                 exit = skin.Get("butexit", "exit"), mtfriendly = skin.Check("mtfriendly");
    const Widget opengl = skin.Radio("vidrenderer_opengl"),
                 windib = skin.Radio("vidrenderer_windib"),
                 directx = skin.Radio("vidrenderer_ddraw"), res640 = skin.Radio("vidresolution1"),
                 res800 = skin.Radio("vidresolution2"), depth8 = skin.Radio("vidcolordepth8"),
                 depth16 = skin.Radio("vidcolordepth16"), depth32 = skin.Radio("vidcolordepth32"),
                 software = skin.Radio("vidaccelsoftware"),
                 smooth = skin.Radio("vidaccelhardsmooth"), speed = skin.Radio("vidaccelhardspeed"),
                 window = skin.Radio("vidmodewindow"), full = skin.Radio("vidmodefullscreen"),
                 noframe = skin.Radio("vidmodewindownoframe");
    const Widget audio = skin.Check("butaudioenabled"), bits8 = skin.Radio("butformat8"),
                 bits16 = skin.Radio("butformat16"), hz11 = skin.Radio("butfreq11"),
                 hz22 = skin.Radio("butfreq22"), hz44 = skin.Radio("butfreq44"),
                 mono = skin.Radio("butmono"), stereo = skin.Radio("butstereo"),
                 multi = skin.Radio("butmulti"), music = skin.Get("butmusicvol", "slider"),
                 sound = skin.Get("butsoundvol", "slider");

    std::unique_ptr<ChildProcess> launcher = StartLauncher(x, dir.path());
    const std::string id = OpenWindow(*launcher);
    ASSERT_NE("", id);
    Player player(x, skin, id);
    player.Away();

    // No settings saved yet: the defaults, and Play off until a Save.
    ASSERT_TRUE(player.Looks({{tabGeneral, 'p'},
                              {tabVideo, 'n'},
                              {tabAudio, 'n'},
                              {mtfriendly, 'p'},
                              {save, 'n'},
                              {play, 'o'},
                              {exit, 'n'}},
                             "general"));

    // Video: Windib in a window at 640x480; a window takes the desktop's depth.
    player.Click(tabVideo);
    EXPECT_TRUE(player.Looks({{tabVideo, 'p'},
                              {tabGeneral, 'n'},
                              {opengl, 'n'},
                              {windib, 'p'},
                              {directx, 'n'},
                              {res640, 'p'},
                              {res800, 'n'},
                              {depth8, 'o'},
                              {depth16, 'o'},
                              {depth32, 'o'},
                              {software, 'p'},
                              {smooth, 'o'},
                              {speed, 'o'},
                              {window, 'p'},
                              {full, 'n'},
                              {noframe, 'n'}},
                             "video"));
    player.Click(res800);
    EXPECT_TRUE(player.Looks({{res800, 'p'}, {res640, 'n'}}));
    // Full screen with no depth chosen cannot be saved ...
    player.Click(full);
    EXPECT_TRUE(player.Looks(
        {{full, 'p'}, {window, 'n'}, {depth8, 'n'}, {depth16, 'n'}, {depth32, 'n'}, {save, 'o'}}));
    // ... until a depth is chosen.
    player.Click(depth16);
    EXPECT_TRUE(player.Looks({{depth16, 'p'}, {save, 'n'}}));
    // Back to a window: the depth is the desktop's again, and Save allowed.
    player.Click(window);
    EXPECT_TRUE(player.Looks(
        {{window, 'p'}, {full, 'n'}, {depth8, 'o'}, {depth16, 'o'}, {depth32, 'o'}, {save, 'n'}}));

    // Audio: off disables every choice, on brings back the chosen ones.
    player.Click(tabAudio);
    EXPECT_TRUE(player.Looks({{tabAudio, 'p'},
                              {audio, 'p'},
                              {bits8, 'p'},
                              {bits16, 'n'},
                              {hz11, 'p'},
                              {hz22, 'n'},
                              {hz44, 'n'},
                              {mono, 'p'},
                              {stereo, 'n'},
                              {multi, 'n'}},
                             "audio"));
    player.Click(audio);
    EXPECT_TRUE(player.Looks(
        {{audio, 'n'}, {bits8, 'o'}, {bits16, 'o'}, {hz11, 'o'}, {mono, 'o'}, {stereo, 'o'}},
        "audio-off"));
    player.Click(audio);
    EXPECT_TRUE(player.Looks({{audio, 'p'}, {bits8, 'p'}, {hz11, 'p'}, {mono, 'p'}}));
    player.Click(bits16);
    EXPECT_TRUE(player.Looks({{bits16, 'p'}, {bits8, 'n'}}));
    player.Click(hz22);
    EXPECT_TRUE(player.Looks({{hz22, 'p'}, {hz11, 'n'}}));
    player.Click(stereo);
    EXPECT_TRUE(player.Looks({{stereo, 'p'}, {mono, 'n'}}));
    // Both volumes, dragged from the middle of their tracks.
    player.DragSlider(music, 40);
    EXPECT_TRUE(player.KnobAt(music, 40));
    player.Button(false);
    player.DragSlider(sound, 70);
    EXPECT_TRUE(player.KnobAt(sound, 70));
    player.Button(false);

    // General: no time left to other programs.
    player.Click(tabGeneral);
    EXPECT_TRUE(player.Looks({{tabGeneral, 'p'}, {mtfriendly, 'p'}}));
    player.Click(mtfriendly);
    EXPECT_TRUE(player.Looks({{mtfriendly, 'n'}}));

    // Save writes every choice; Play becomes available.
    player.Click(save);
    QuenlarConfig saved;
    EXPECT_TRUE(WaitUntil([&] { return ReadSettings(saved); })) << ReadFile("Setup.log");
    player.Away();
    EXPECT_TRUE(player.Looks({{save, 'n'}, {play, 'n'}}, "saved"));
    EXPECT_EQ(0, saved.mtfriendly);
    EXPECT_EQ(2, saved.renderer);
    EXPECT_EQ(800, saved.resolutionx);
    EXPECT_EQ(600, saved.resolutiony);
    EXPECT_EQ(0, saved.colordepth); // forced in a window
    EXPECT_EQ(1, saved.window);
    EXPECT_EQ(1, saved.accel);
    EXPECT_EQ(1, saved.enable);
    EXPECT_EQ(16, saved.format & 0xFF);
    EXPECT_EQ(22050, saved.frequency);
    EXPECT_EQ(2, saved.mode);
    EXPECT_EQ(40, saved.musicvol);
    EXPECT_EQ(70, saved.soundvol);

    // Play starts the game and ends the launcher; the game runs on the
    // saved settings and prints them (its output goes where the launcher's does).
    player.Click(play);
    EXPECT_EQ(0, launcher->Wait(10)) << ReadFile("Setup.log");
    Game game;
    EXPECT_TRUE(WaitUntil([&] { return game.Found(); })) << ReadFile("Setup.log");
    const std::string gameWindow = x.FindWindow(kGameWindow);
    ASSERT_NE("", gameWindow) << ReadFile("out.txt") << ReadFile("demo-game.log");
    ASSERT_TRUE(WaitUntil([] { return ReadFile("out.txt").find("audio: ") != std::string::npos; }))
        << ReadFile("out.txt");
    const std::string printed = ReadFile("out.txt");
    for (const char *line :
         {"config: read setup.xml\n", "renderer: 2\n", "resolution: 800x600\n", "colordepth: 0\n",
          "window: 1\n", "accel: 1\n", "mtfriendly: 0\n", "enable: 1\n", "format: 16\n",
          "frequency: 22050\n", "mode: 2\n", "musicvol: 40\n", "soundvol: 70\n", "video: 800x600x",
          "audio: playing\n"})
        EXPECT_NE(std::string::npos, printed.find(line)) << line << " in:\n" << printed;
    x.Screenshot(gameWindow, ArtifactPath("launcher-e2e-game.png"));
    x.Client({"xdotool", "windowfocus", "--sync", gameWindow});
    x.Client({"xdotool", "key", "Escape"});
    EXPECT_EQ(0, game.Wait(10)) << ReadFile("demo-game.log");

    // Again: the saved settings are shown, Play is on from the start.
    launcher = StartLauncher(x, dir.path());
    const std::string again = OpenWindow(*launcher);
    ASSERT_NE("", again);
    Player next(x, skin, again);
    next.Away();
    EXPECT_TRUE(next.Looks({{mtfriendly, 'n'}, {play, 'n'}}));
    next.Click(tabVideo);
    EXPECT_TRUE(next.Looks({{res800, 'p'}, {window, 'p'}, {windib, 'p'}, {depth16, 'o'}}));
    // Ticking the switch when the settings had none leaves 10 ms.
    next.Click(tabGeneral);
    next.Click(mtfriendly);
    EXPECT_TRUE(next.Looks({{mtfriendly, 'p'}}));
    next.Click(save);
    EXPECT_TRUE(WaitUntil([&] { return ReadSettings(saved) && saved.mtfriendly == 10; }))
        << (int)saved.mtfriendly;
    EXPECT_EQ(800, saved.resolutionx);

    next.Click(exit);
    EXPECT_EQ(0, launcher->Wait(10));
    const std::string log = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos, log.find(" . Quenlar successfully closed.")) << log;
    EXPECT_EQ(std::string::npos, log.find("Error")) << log;
}

// ---------------------------------------------------------------------------
// Without a sound device, and with a resource missing
// ---------------------------------------------------------------------------
TEST_F(LauncherEndToEnd, StartsSilentlyWithoutASoundDevice) {
    std::unique_ptr<ChildProcess> launcher =
        StartLauncher(x, dir.path(), {"SDL_AUDIODRIVER=no-such-driver"});
    const std::string id = OpenWindow(*launcher);
    ASSERT_NE("", id);
    Player player(x, skin, id);
    player.Away();
    const Widget tabGeneral = skin.Get("general", "tabgeneral"), exit = skin.Get("butexit", "exit");
    EXPECT_TRUE(player.Looks({{tabGeneral, 'p'}, {exit, 'n'}}, "silent"));
    EXPECT_NE(std::string::npos,
              ReadFile("Setup.log").find(" \xB7 [Init Warning] - Couldn\xB4t init sound system"))
        << ReadFile("Setup.log");

    // With no click playing, Exit ends the run at once.
    player.Click(exit);
    EXPECT_EQ(0, launcher->Wait(5)) << ReadFile("Setup.log");
    EXPECT_EQ(std::string::npos, ReadFile("Setup.log").find("[Init Error]"))
        << ReadFile("Setup.log");
}

TEST_F(LauncherEndToEnd, MissingResourceEndsTheRunNamingIt) {
    RunResult removed =
        testing_support::Run({Program("dpftool"), "delete", "setup.dpf", "demo_bgvideo", "IMG"});
    ASSERT_EQ(0, removed.status) << removed.err;

    RunResult run = testing_support::Run({Program("setup")}, ".", "",
                                         {"SDL_VIDEODRIVER", "DISPLAY=" + x.Display()}, 30);
    EXPECT_EQ(1, run.status) << run.err;
    const std::string log = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos,
              log.find(" \xB7 [Init Error] - Couldn't load graphic resource: 'demo_bgvideo'.\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find(" . Quenlar successfully closed.")) << log;
}
