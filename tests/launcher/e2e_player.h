// A player at the launcher's window under a virtual X server: the demo
// skin packed as `make run` packs it, widgets placed by its layout.xml,
// the pointer and button moved with xdotool, and what the window shows read
// back from screenshots and compared with the skin's own pictures, which
// the launcher draws unchanged on a 24-bit display.
#ifndef QUENLAR_TESTS_LAUNCHER_E2E_PLAYER_H
#define QUENLAR_TESTS_LAUNCHER_E2E_PLAYER_H

#include "support.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace e2e {

void Pause(int ms);
// Polls `done` every 50 ms until it holds or `seconds` have passed.
bool WaitUntil(const std::function<bool()> &done, int seconds = 10);
// The programs whole-window tests need that are not installed ("" when
// none is missing); scripts/install-deps.sh installs them.
std::string MissingTools();

// A PNG file (a screenshot or a skin picture) read through SDL_image.
class Picture {
public:
    explicit Picture(const std::string &path);
    ~Picture();
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    bool Valid() const { return surface_ != nullptr; }
    int w() const { return surface_ ? surface_->w : 0; }
    int h() const { return surface_ ? surface_->h : 0; }
    // The pixel as 0xAARRGGBB; transparent black outside the picture.
    Uint32 At(int x, int y) const;

private:
    SDL_Surface *surface_;
};

// One widget of the window: where layout.xml puts it and the pictures it
// is drawn with (skin/PICTURE_n.png normal, _p pressed, _o off, _s selected).
struct Widget {
    std::string element, picture;
    int x = 0, y = 0, w = 0, h = 0;
};

// The demo skin, packed by demo/pack.sh into a folder: setup.dpf,
// demo-game.dpf, ./demo-game, and the pictures and layout in skin/.
class DemoSkin {
public:
    explicit DemoSkin(const std::string &dir);
    bool Packed() const { return packed_; }
    const std::string &Error() const { return error_; } // pack.sh's complaint
    std::string Path(const std::string &file) const { return skin_ + file; }
    // The widget laid out by `element`, drawn with `picture`.
    Widget Get(const std::string &element, const std::string &picture) const;
    // Radio buttons and check boxes: clones of the two masters.
    Widget Radio(const std::string &element) const { return Get(element, "radio"); }
    Widget Check(const std::string &element) const { return Get(element, "check"); }

private:
    std::string skin_, error_;
    TiXmlDocument layout_;
    bool packed_ = false;
};

// The pointer and the button over one window, and what it shows.
class Player {
public:
    Player(const testing_support::XServer &x, const DemoSkin &skin, std::string window);

    // The pointer to x, y of the window.
    void MoveTo(int x, int y);
    // Button 1 down or up; after a release, a pause of two logic steps.
    void Button(bool down);
    // A click over the widget's lower right corner; the pointer stays there.
    void Click(const Widget &w);
    // Presses a slider and drags it to `value` (0..255); the button stays down.
    void DragSlider(const Widget &slider, int value);
    // The pointer to a corner no widget covers.
    void Away();

    // Polls the window until every widget shows its look ('n', 'p', 'o',
    // 's'); otherwise what they showed. The last screenshot is kept as
    // build/test-artifacts/launcher-e2e-KEEP.png when `keep` is given.
    testing::AssertionResult Looks(const std::vector<std::pair<Widget, char>> &expected,
                                   const std::string &keep = "");
    // Whether the knob of `slider` comes to stand where `value` puts it.
    bool KnobAt(const Widget &slider, int value);

private:
    char LookOf(const Picture &shot, const Widget &w) const;
    SDL_Rect Pointer() const;

    const testing_support::XServer &x_;
    const DemoSkin &skin_;
    std::string window_;
    Picture cursor_;
    int pointerX_ = 0, pointerY_ = 0;
};

// The launcher program in `dir` on the X server, its output in out.txt and
// err.txt there; `env` adds to (or removes from) its environment.
std::unique_ptr<testing_support::ChildProcess> StartLauncher(const testing_support::XServer &x,
                                                             const std::string &dir,
                                                             std::vector<std::string> env = {});

// The game the launcher started. It is found among this process's children
// once the launcher has ended, the test being a subreaper (MakeSubreaper),
// and is killed if a failing test leaves it running.
class Game {
public:
    // Makes orphans of this process's descendants its children; false when
    // the system refuses.
    static bool MakeSubreaper();
    Game() = default;
    Game(const Game &) = delete;
    Game &operator=(const Game &) = delete;
    ~Game();
    bool Found();
    // Its exit status once it has ended within `seconds`; -1 otherwise.
    int Wait(int seconds);

private:
    pid_t pid_ = 0;
};

} // namespace e2e

#endif
