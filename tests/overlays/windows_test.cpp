// The simple window (fades, Validate, placement, backgrounds, the built-in
// font) and the debug window (watches, their layout, the "debug" command,
// the mouse drag).
#include "overlay_fixture.h"

#include <quenlar/gfx/font.h>
#include <quenlar/tools/builtinfont_private.h>

#include <SDL_image.h>

namespace {
const char kSyntaxError[] = " Syntax error or command not found";

// A window with its insides reachable.
class Window : public cSimpleWin {
public:
    void Draw() override {}
    void SetSize(int w, int h) {
        width_ = (Uint16)w;
        height_ = (Uint16)h;
    }
    void GiveBackground() {
        enabled_ = true;
        SetColorRGB(10, 20, 30);
        enabled_ = false;
    }
    void DropFont() { font_.reset(); }
    SDL_Surface *Background() const { return background_; }
    // The alpha the fades applied last: the background's per-surface alpha.
    int Applied() const {
        return background_->flags & SDL_SRCALPHA ? background_->format->alpha : 255;
    }
};

// A debug window whose text layout can be read.
class DebugWindow : public cDebugWO {
public:
    using cDebugWO::cDebugWO;
    using cDebugWO::FlowLines;
};
} // namespace

class Windows : public OverlayTest {
protected:
    // A window that Validate enabled.
    void Ready(Window &w) {
        w.GiveBackground();
        ASSERT_EQ(1, w.Validate());
    }
};

TEST_F(Windows, ValidateNamesWhatIsMissing) {
    Window w;
    w.SetSize(149, 200);
    EXPECT_EQ(0, w.Validate());
    EXPECT_TRUE(Logged(" \xB7 [SimpleWin] Warning: the window size is too small (149x200)\n"));
    w.SetSize(150, 100);
    EXPECT_EQ(0, w.Validate());
    EXPECT_TRUE(Logged(" \xB7 [SimpleWin] Warning: a background image or color is needed for "
                       "the window\n"));
    w.GiveBackground();
    w.DropFont();
    EXPECT_EQ(0, w.Validate());
    EXPECT_TRUE(Logged(" \xB7 [SimpleWin] Warning: a font is needed for the window\n"));
    EXPECT_EQ(0, w.IsEnabled());

    Window ok;
    Ready(ok);
    EXPECT_EQ(1, ok.IsEnabled());
    ok.Disable();
    EXPECT_EQ(0, ok.IsEnabled());
    ok.Show(1); // a disabled window does nothing
    ok.Move(10, 10);
    EXPECT_EQ(cSimpleWin::kHidden, ok.GetFadeState());
    EXPECT_EQ(0, ok.GetRect().x);
    EXPECT_EQ(0, ok.SetColorRGB(1, 2, 3));
}

TEST_F(Windows, FadesTakeOneSecondOnTheEnginesClock) {
    Window w;
    Ready(w);
    EXPECT_FALSE(w.Animate()); // hidden
    w.Show(1);
    EXPECT_EQ(cSimpleWin::kFadingIn, w.GetFadeState());
    EXPECT_TRUE(w.Animate()); // the fade starts now
    EXPECT_EQ(0, w.Applied());
    clock.Advance(500);
    w.Animate();
    EXPECT_EQ(64, w.Applied()); // half of 128
    w.Show(0);                  // ignored while fading
    clock.Advance(500);
    w.Animate();
    EXPECT_EQ(cSimpleWin::kFadingIn, w.GetFadeState()); // 1000 ms still fade
    clock.Advance(1);
    EXPECT_TRUE(w.Animate());
    EXPECT_EQ(cSimpleWin::kShown, w.GetFadeState());
    EXPECT_EQ(128, w.Applied());

    w.Show(0);
    w.Animate();
    clock.Advance(250);
    w.Animate();
    EXPECT_EQ(96, w.Applied());
    w.Show(1); // ignored during the fade-out
    EXPECT_EQ(cSimpleWin::kFadingOut, w.GetFadeState());
    clock.Advance(751);
    EXPECT_FALSE(w.Animate());
    EXPECT_EQ(cSimpleWin::kHidden, w.GetFadeState());
    EXPECT_EQ(0, w.Applied());

    // Shown at once, and visible although the fade-out left alpha 0.
    w.SetFeatures(cSimpleWin::kInstant);
    w.Show(1);
    EXPECT_EQ(cSimpleWin::kShown, w.GetFadeState());
    EXPECT_EQ(128, w.Applied());
    w.Show(0);
    EXPECT_EQ(cSimpleWin::kHidden, w.GetFadeState());

    w.SetAlpha(10);
    EXPECT_EQ(64, w.GetAlpha());
    w.SetAlpha(255);
    EXPECT_EQ(255, w.Applied()); // opaque: blending off
}

TEST_F(Windows, MoveAndResizeStayOnTheScreen) {
    Window w;
    Ready(w);
    w.Move(-1, 50);
    EXPECT_EQ(0, w.GetRect().x);
    EXPECT_EQ(50, w.GetRect().y);
    w.Move(10000, 10000);
    EXPECT_EQ(640 - 150, w.GetRect().x);
    EXPECT_EQ(480 - 100, w.GetRect().y);

    w.Move(100, 100);
    w.Resize(149, 99); // too small: kept
    EXPECT_EQ(150, w.GetRect().w);
    w.Resize(1000, 1000);
    EXPECT_EQ(540, w.GetRect().w);
    EXPECT_EQ(380, w.GetRect().h);
    EXPECT_EQ(540, w.Background()->w);
    w.Resize(300, 50);
    EXPECT_EQ(300, w.GetRect().w);
    EXPECT_EQ(380, w.GetRect().h);
    EXPECT_EQ(SDL_MapRGB(Quenlar.screen->format, 10, 20, 30), w.GetColor());
}

TEST_F(Windows, ImageBackgroundIsScaledAgainOnResize) {
    Window w;
    Ready(w);
    // Left half red, right half blue.
    SDL_Surface *image = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 2, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Rect right = {2, 0, 2, 2};
    SDL_FillRect(image, nullptr, SDL_MapRGB(image->format, 255, 0, 0));
    SDL_FillRect(image, &right, SDL_MapRGB(image->format, 0, 0, 255));
    ASSERT_EQ(1, w.SetImage(image));
    SDL_FreeSurface(image); // the window keeps its own copy

    w.Resize(300, 120);
    SDL_Surface *bg = w.Background();
    ASSERT_EQ(300, bg->w);
    ASSERT_EQ(120, bg->h);
    Uint8 r, g, b;
    SDL_GetRGB(IPrimitives->GetPixel(bg, 2, 60, 1), bg->format, &r, &g, &b);
    EXPECT_GT(r, 200);
    SDL_GetRGB(IPrimitives->GetPixel(bg, 297, 60, 1), bg->format, &r, &g, &b);
    EXPECT_GT(b, 200);
    EXPECT_EQ(0, w.SetImage(nullptr));
}

TEST_F(Windows, BuiltinFontHasTheStoredLayout) {
    // 899x14, 8 bits per channel, colour type 2 (RGB), in the PNG header.
    const unsigned char *png = qnl::kBuiltinFontPng;
    ASSERT_GT(qnl::kBuiltinFontPngSize, 33);
    EXPECT_EQ(899, png[16] << 24 | png[17] << 16 | png[18] << 8 | png[19]);
    EXPECT_EQ(14, png[20] << 24 | png[21] << 16 | png[22] << 8 | png[23]);
    EXPECT_EQ(8, png[24]);
    EXPECT_EQ(2, png[25]);

    SDL_RWops *rw = SDL_RWFromConstMem(png, qnl::kBuiltinFontPngSize);
    SDL_Surface *sheet = IMG_LoadPNG_RW(rw);
    SDL_RWclose(rw);
    ASSERT_NE(nullptr, sheet);
    int inked = 0;
    for (int x = 0; x < sheet->w; ++x)
        inked += IPrimitives->GetPixel(sheet, (Sint16)x, 0, 1) != 0;
    EXPECT_EQ(0, inked) << "the first row is empty";
    SDL_FreeSurface(sheet);

    CFont *font = console->GetFont();
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(13, font->GetHeight());
    EXPECT_STREQ("ZOLT builtin font", font->GetName());
    for (char c = '!'; c <= '~'; ++c) {
        const char text[2] = {c, 0};
        EXPECT_GT(font->GetWidth(text), 1) << c;
    }
}

TEST_F(Windows, WatchesArePrintedTwiceASecond) {
    DebugWindow window(nullptr, "watches");
    EXPECT_TRUE(Logged(" . [DebugWO] Warning: console hook not available.\n"));
    ASSERT_EQ(1, window.Validate());
    window.SetFeatures(cSimpleWin::kInstant);
    window.Show(1);

    Sint32 count = 7;
    double speed = 2.5;
    EXPECT_EQ(1, window.AddWatch("speed", &count, &speed));
    EXPECT_EQ(1, window.AddWatch("count", &count));
    EXPECT_EQ(1, window.AddWatch("real", &speed));
    EXPECT_EQ(0, window.AddWatch("nothing", nullptr, nullptr));
    EXPECT_EQ(0, window.AddWatch(nullptr, &count));

    EXPECT_TRUE(window.Animate()); // the first step prints at once
    EXPECT_EQ((Lines{"speed 7 2.5000", "count 7", "real 2.5000"}), window.GetLines());
    count = 8;
    clock.Advance(499);
    window.Animate();
    EXPECT_EQ("count 7", window.GetLines()[1]);
    clock.Advance(1);
    window.Animate();
    EXPECT_EQ("count 8", window.GetLines()[1]);

    EXPECT_EQ(1, window.RemoveWatch("count"));
    EXPECT_EQ(0, window.RemoveWatch("count"));
    clock.Advance(500);
    window.Animate();
    EXPECT_EQ((Lines{"speed 8 2.5000", "real 2.5000"}), window.GetLines());

    // A name longer than a watch line's 127 characters is cut, not overrun.
    window.AddWatch(std::string(300, 'n').c_str(), &count);
    clock.Advance(500);
    window.Animate();
    EXPECT_EQ(std::string(127, 'n'), window.GetLines().back());
}

TEST_F(Windows, WatchLinesFlowInRowsAndStopAtTheBottom) {
    DebugWindow window(console);
    ASSERT_EQ(1, window.Validate());
    window.SetFeatures(cSimpleWin::kInstant);
    window.Show(1);
    Sint32 value = 12345;
    for (int i = 0; i < 60; ++i)
        window.AddWatch("watch", &value);
    window.Animate();

    const int h = window.GetFont()->GetHeight();
    const SDL_Rect r = window.GetRect();
    const int left = r.x + 10, top = r.y + h + 10; // the text origin plus 5
    const auto placed = window.FlowLines();
    ASSERT_GT(placed.size(), 4u);
    ASSERT_LT(placed.size(), 60u);
    EXPECT_EQ(left, placed[0].x);
    EXPECT_EQ(top, placed[0].y);
    int rows = 1;
    for (size_t i = 1; i < placed.size(); ++i) {
        const auto &p = placed[i - 1], &q = placed[i];
        const int w = window.GetFont()->GetWidth(window.GetLines()[p.line].c_str());
        if (q.y == p.y) {
            EXPECT_EQ(p.x + w + 10, q.x);
        } else {
            EXPECT_EQ(p.y + h, q.y); // the next row starts at the left
            EXPECT_EQ(left, q.x);
            ++rows;
        }
        EXPECT_LT(h + q.y - (top - 5), r.h);
    }
    EXPECT_GT(rows, 1);
}

TEST_F(Windows, DebugCommandAnswers) {
    ASSERT_EQ(1, console->Validate());
    Sint32 lives = 3;
    debug->AddWatch("lives", &lives);
    const struct {
        const char *line;
        Lines answer;
    } cases[] = {
        {"debug enable", {" Debug window is disabled", ""}},
        {"debug show", {""}}, // a disabled window stays hidden
        {"debug enable 1", {" Debug window enabled", ""}},
        {"debug enable 0", {" Debug window disabled", ""}},
        {"debug enable 7", {" Debug window enabled", ""}},
        {"debug list", {" lives 3", ""}},
        {"debug remove", {kSyntaxError, ""}},
        {"debug remove nothing", {" Watch 'nothing' not found", ""}},
        {"debug remove lives", {" Watch 'lives' removed", ""}},
        {"debug list", {""}},
        {"debug move 10 20", {" New position (10,20) set", ""}},
        {"debug move", {" Current debug position (10,20)", ""}},
        {"debug resize 300 200", {" New size (300x200) set", ""}},
        {"debug resize 5", {" Current debug size (300x200)", ""}},
        {"debug alpha 20", {" New alpha value 64 set", ""}},
        {"debug alpha", {" Current alpha value: 64", ""}},
        {"debug color 0 0 300", {" New background color (0,0,255) set", ""}},
        {"debug color", {" Current background color value (0x00ff)", ""}},
        {"debug bogus", {kSyntaxError, ""}},
        {"debug hide", {""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.answer, Enter(c.line)) << c.line;
    const Lines usage = Enter("debug");
    ASSERT_EQ(11u, usage.size());
    EXPECT_EQ("  <show> - Show the debug window", usage[9]);

    Enter("debug show");
    EXPECT_EQ(cSimpleWin::kFadingIn, debug->GetFadeState());

    // A debug window deleted before its console takes its command along;
    // one that found the name taken leaves the other's alone.
    cConsole other;
    const ConsoleHandler none = [](const ConsoleWords &) { return 1; };
    {
        DebugWindow extra(&other);
        DebugWindow second(&other);
        EXPECT_EQ(&other, second.GetConsole());
        EXPECT_EQ(0, other.AddCommand("debug", "taken", none));
    }
    EXPECT_EQ(1, other.AddCommand("debug", "free again", none));
}

TEST_F(Windows, MouseDragsTheEnabledDebugWindow) {
    ASSERT_EQ(1, debug->Validate());
    const SDL_Rect start = debug->GetRect();
    SDL_Event e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = (Uint16)(start.x + start.w); // the edge counts as inside
    e.button.y = (Uint16)(start.y + 10);
    Inspect(e);
    e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = (Uint16)(start.x + start.w + 30);
    e.motion.y = (Uint16)(start.y + 30);
    Inspect(e);
    EXPECT_EQ(start.x + 30, debug->GetRect().x);
    EXPECT_EQ(start.y + 20, debug->GetRect().y);

    // Past the left edge it stops at the edge.
    e.motion.x = 0;
    Inspect(e);
    EXPECT_EQ(0, debug->GetRect().x);

    e = {};
    e.type = SDL_MOUSEBUTTONUP;
    Inspect(e);
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 400;
    e.motion.y = 400;
    Inspect(e); // no longer dragging
    EXPECT_EQ(0, debug->GetRect().x);

    // A press outside the window drags nothing.
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.x = 639;
    e.button.y = 0;
    Inspect(e);
    e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 600;
    Inspect(e);
    EXPECT_EQ(0, debug->GetRect().x);
}
