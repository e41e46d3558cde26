// The software cursor on a started engine: placement, the table, the
// save-under around every drawing operation on the screen, interpolation.
//
// The pointer moves through SDL_WarpMouse, SDL's own motion path: it sets
// the mouse state the engine reads and queues the motion event the engine
// polls (an event pushed with SDL_PushEvent would not move the pointer).
#include "video/engine_fixture.h"

#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using testing_support::FakeClock;

namespace {
constexpr int kW = 200, kH = 160;
constexpr Uint32 kInk = 0x00C0FFEE; // the cursors' colour
constexpr Uint32 kKey = 0x00010101; // a key no cursor pixel has

// Every pixel of the background differs from its neighbours and the ink.
Uint32 Background(int x, int y) {
    return (Uint32)(x * 0x000301 + y * 0x020500) & 0x00FFFFFF;
}

SDL_Surface *Surface(int w, int h) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

// A solid w x h cursor image; keyed with a colour it does not use, so all of
// it is drawn.
SDL_Surface *Solid(int w, int h, Uint32 color = kInk) {
    SDL_Surface *s = Surface(w, h);
    SDL_FillRect(s, nullptr, color);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, kKey);
    return s;
}

Uint32 At(int x, int y) {
    return qnl::ReadRawPixel(Quenlar.screen, x, y) & 0x00FFFFFF;
}
} // namespace

class Cursor : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen(kW, kH, 32);
        ICursor->Init();
        // After Init: SDL's own cursor, while shown, puts back what it had
        // saved of the screen when it is hidden.
        PaintBackground();
        log.Mark();
    }
    void PaintBackground() {
        expected.resize((size_t)kW * kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                qnl::WriteRawPixel(Quenlar.screen, x, y, Background(x, y));
                expected[(size_t)y * kW + x] = Background(x, y);
            }
    }
    // Records in `expected` what a drawing puts on the screen.
    void ExpectDrawn(int x0, int y0, int w, int h, Uint32 color) {
        for (int y = std::max(y0, 0); y < std::min(y0 + h, kH); ++y)
            for (int x = std::max(x0, 0); x < std::min(x0 + w, kW); ++x)
                expected[(size_t)y * kW + x] = color;
    }
    // The first screen pixel that differs from `expected`, or "" for none.
    std::string Difference(int x0 = 0, int y0 = 0, int w = kW, int h = kH) const {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                if (At(x, y) != expected[(size_t)y * kW + x])
                    return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
        return "";
    }
    // Whether the w x h rectangle at (x, y) is all ink.
    static bool InkAt(int x, int y, int w, int h) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                if (At(i, j) != kInk) return false;
        return true;
    }
    // Moves the pointer and runs two unpaced engine steps, so that the
    // previous and the current position agree and the cursor is drawn.
    void MoveTo(int x, int y) {
        SDL_WarpMouse((Uint16)x, (Uint16)y);
        Quenlar.Update();
        Quenlar.Update();
    }
    Uint8 Selected(int w, int h, int mode) {
        SDL_Surface *image = Solid(w, h);
        const Uint8 slot = ICursor->Create(image, mode);
        SDL_FreeSurface(image);
        ICursor->Select(slot);
        return slot;
    }

    std::vector<Uint32> expected; // the screen without the cursor
};

TEST_F(Cursor, HotSpotModesPlaceTheCorner) {
    const struct {
        int mode, x, y;
    } kCases[] = {{0, 100, 100}, {1, 68, 100}, {2, 100, 68}, {3, 68, 68}, {4, 84, 84}, {9, 84, 84}};
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.mode);
        const Uint8 slot = Selected(32, 32, c.mode);
        MoveTo(100, 100);
        EXPECT_TRUE(InkAt(c.x, c.y, 32, 32));
        EXPECT_NE(kInk, At(c.x - 1, c.y));
        EXPECT_NE(kInk, At(c.x + 32, c.y + 32));
        ICursor->Delete(slot);
        EXPECT_EQ("", Difference()); // deleting takes it off the screen
    }
}

TEST_F(Cursor, PointerBeyondTheRightEdgeStopsAtTheScreenWidth) {
    Selected(8, 8, 3); // hot spot bottom-right: the cursor ends at the pointer
    MoveTo(50, 30);
    // Only the application can put the pointer there: SDL stops it at
    // width - 1.
    Quenlar.mousex = kW + 40;
    ICursor->SetPrevPosition(kW + 40, 30);
    ICursor->Draw();
    EXPECT_EQ(kW, Quenlar.mousex); // written back
    EXPECT_EQ(30, Quenlar.mousey);
    EXPECT_TRUE(InkAt(kW - 8, 22, 8, 8));
    Quenlar.mousey = -5;
    ICursor->Draw();
    EXPECT_EQ(0, Quenlar.mousey);
}

TEST_F(Cursor, TableSelectionAndRefusals) {
    SDL_Surface *image = Solid(6, 6);
    std::vector<Uint8> slots;
    for (int i = 0; i < QCursor::kSlots; ++i)
        slots.push_back(ICursor->Create(image, 0));
    EXPECT_EQ(0, slots.front());
    EXPECT_EQ(31, slots.back());
    EXPECT_EQ(255, ICursor->Create(image, 0)); // the 33rd
    EXPECT_EQ(255, ICursor->Create(nullptr, 0));
    ICursor->Delete(7);
    EXPECT_TRUE(Logged(" . [ICursor->Delete(7)] Info: cursor deleted.\n"));
    EXPECT_EQ(7, ICursor->Create(image, 0)); // the lowest empty slot
    ICursor->Delete(5);
    ICursor->Delete(200); // ignored
    SDL_FreeSurface(image);

    ICursor->Select(0);
    MoveTo(40, 40);
    ASSERT_TRUE(InkAt(40, 40, 6, 6));
    // The current cursor, an empty slot and slots out of range: nothing,
    // not even taking the cursor off the screen.
    for (int slot : {0, 5, 32, -1, 255}) {
        ICursor->Select(slot);
        EXPECT_TRUE(InkAt(40, 40, 6, 6)) << slot;
    }
    ICursor->Select(1); // another cursor: the old one comes off at once
    EXPECT_EQ("", Difference(40, 40, 6, 6));
    Quenlar.Update();
    EXPECT_TRUE(InkAt(40, 40, 6, 6));
}

// Each drawing operation on the screen that overlaps the cursor: the cursor
// comes off before it draws, so the area under the cursor holds exactly
// what was drawn; the cursor is back at the next flip; once it moves away
// the screen shows the drawing and the background, nothing of the cursor.
TEST_F(Cursor, OverlappingDrawingsTakeTheCursorOffAndBackOn) {
    Selected(16, 16, 0);
    MoveTo(60, 40);
    ASSERT_TRUE(InkAt(60, 40, 16, 16));

    // The raw protocol: restoring puts the background back exactly.
    SDL_Rect probe = {70, 50, 2, 2};
    EXPECT_EQ(1, ICursor->RestoreBackground(&probe));
    EXPECT_EQ("", Difference());
    ICursor->SaveBackground();
    Quenlar.Update();
    ASSERT_TRUE(InkAt(60, 40, 16, 16));

    SDL_Surface *patch = Surface(20, 10);
    SDL_FillRect(patch, nullptr, 0x00112233);
    SDL_Surface *wide = Surface(40, 30);
    SDL_FillRect(wide, nullptr, 0x00445566);
    // Each draws and records what it drew in `expected`.
    const std::pair<const char *, std::function<void()>> kDrawings[] = {
        {"ScreenBlit",
         [&] {
             SDL_Rect at = {50, 45, 0, 0}; // SDL ignores the size: so must the protection
             Quenlar.ScreenBlit(patch, nullptr, Quenlar.screen, &at);
             ExpectDrawn(50, 45, 20, 10, 0x00112233);
         }},
        {"HLine",
         [&] {
             IPrimitives->HLine(Quenlar.screen, 30, 65, 42, 0x00778899);
             ExpectDrawn(30, 42, 36, 1, 0x00778899);
         }},
        {"VLine",
         [&] {
             IPrimitives->VLine(Quenlar.screen, 70, 45, 20, 0x00AABBCC);
             ExpectDrawn(70, 20, 1, 26, 0x00AABBCC);
         }},
        {"Rect",
         [&] {
             IPrimitives->Rect(Quenlar.screen, 90, 70, 74, 54, 0x00DDEEFF); // corners swapped
             for (const SDL_Rect &r : {SDL_Rect{74, 54, 17, 1}, SDL_Rect{74, 70, 17, 1},
                                       SDL_Rect{74, 54, 1, 17}, SDL_Rect{90, 54, 1, 17}})
                 ExpectDrawn(r.x, r.y, r.w, r.h, 0x00DDEEFF);
         }},
        {"ScreenFX",
         [&] {
             SDL_Rect at = {30, 20, 0, 0};
             IScreenFX->Mirror(wide, nullptr, Quenlar.screen, &at);
             ExpectDrawn(30, 20, 40, 30, 0x00445566);
         }},
        // The application redraws all behind the cursor without protection
        // and has the cursor take the background again.
        {"plain blit and Refresh",
         [&] {
             SDL_Rect at = {50, 35, 0, 0};
             SDL_BlitSurface(wide, nullptr, Quenlar.screen, &at);
             ICursor->Refresh();
             ExpectDrawn(50, 35, 40, 30, 0x00445566);
         }},
    };
    for (const auto &d : kDrawings) {
        SCOPED_TRACE(d.first);
        MoveTo(60, 40);
        ASSERT_TRUE(InkAt(60, 40, 16, 16));
        d.second();
        EXPECT_EQ("", Difference(60, 40, 16, 16)); // the cursor came off first
        Quenlar.Update();
        EXPECT_TRUE(InkAt(60, 40, 16, 16)); // and is back at the next flip
        MoveTo(120, 90);
        EXPECT_EQ("", Difference(0, 0, 110, 80));
    }
    SDL_FreeSurface(patch);
    SDL_FreeSurface(wide);
}

TEST_F(Cursor, DistantDrawingLeavesTheSaveUnderAlone) {
    Selected(16, 16, 0);
    MoveTo(60, 40);
    SDL_Rect far = {100, 80, 10, 10};
    EXPECT_EQ(0, ICursor->RestoreBackground(&far));
    SDL_Surface *patch = Surface(10, 10);
    SDL_FillRect(patch, nullptr, 0x00112233);
    SDL_Rect at = {100, 80, 0, 0};
    Quenlar.ScreenBlit(patch, nullptr, Quenlar.screen, &at);
    IPrimitives->Rect(Quenlar.screen, 5, 5, 50, 30, 0x00445566);
    SDL_FreeSurface(patch);
    EXPECT_TRUE(InkAt(60, 40, 16, 16)); // never taken off
    MoveTo(10, 100);
    EXPECT_EQ("", Difference(55, 35, 30, 30));
}

TEST_F(Cursor, ImageWithoutKeyOrAlphaTakesItsTopLeftPixelAsKey) {
    // A 16-bit "IMG" block: loaded in its stored format, converted by the
    // cursor itself. Its frame has the top-left colour.
    SDL_Surface *image = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 16, 0xF800, 0x07E0, 0x1F, 0);
    SDL_FillRect(image, nullptr, 0xF800); // red frame
    SDL_Rect inside = {2, 2, 4, 4};
    SDL_FillRect(image, &inside, 0x001F); // blue
    const int handle = IStuffDPF->Create("cursors.dpf");
    ASSERT_GT(handle, 0);
    std::vector<Uint8> payload = qnl::EncodeImageBlock(image, qnl::kNoColorKey, 255);
    SDL_FreeSurface(image);
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "arrow");
    std::strcpy(block.type, "IMG");
    block.size = (unsigned int)payload.size();
    block.data = reinterpret_cast<char *>(payload.data());
    ASSERT_GT(IStuffDPF->AddData(handle, &block), 0);
    IStuffDPF->Close(handle);

    const Uint8 slot = ICursor->Load("cursors.dpf", "arrow", -3); // mode 0
    ASSERT_EQ(0, slot);
    EXPECT_TRUE(qnl::ImageConversion()); // switched on again
    EXPECT_EQ(255, ICursor->Load("cursors.dpf", "missing", 0));
    EXPECT_EQ(255, ICursor->Load(nullptr, "arrow", 0));
    ICursor->Select(slot);
    MoveTo(20, 30);
    EXPECT_EQ(Background(20, 30), At(20, 30)); // the frame is transparent
    EXPECT_EQ(Background(27, 37), At(27, 37));
    // The inside is drawn: 16-bit blue widened to 8 bits.
    for (const auto &p : {std::make_pair(22, 32), std::make_pair(25, 35)}) {
        EXPECT_EQ(0u, At(p.first, p.second) & 0xFFFF00);
        EXPECT_GE(At(p.first, p.second) & 0xFF, 0xF8u);
    }
}

// The cursor is drawn between the previous and the current logic step's
// pointer, by the fraction of the frame accumulator.
TEST_F(Cursor, InterpolatesByTheFrameAccumulator) {
    FakeClock clock(5000);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 20); // a logic step every 50 ms, a frame on every call
    auto run = [&](Uint32 ms) {
        clock.Advance(ms);
        for (int i = 0; i < 4; ++i) // ITimeSystem's time follows one call behind
            Quenlar.Update();
    };
    auto fraction = [] {
        const float a = Quenlar.GetFrameAccumulator();
        return a - std::floor(a);
    };
    run(0);
    while (fraction() >= 0.2f)
        run(10); // just past a step
    Selected(4, 4, 0);
    // Where the cursor must be for the fraction h, within a pixel (the
    // float arithmetic may round either way at a pixel's edge).
    auto expectBetween = [&](float h) {
        const float x = 80 * h + 20 * (1 - h), y = 60 * h + 20 * (1 - h);
        int left = -1, top = -1;
        for (int j = 0; j < kH && left < 0; ++j)
            for (int i = 0; i < kW && left < 0; ++i)
                if (At(i, j) == kInk) left = i, top = j;
        EXPECT_NEAR(std::floor(x), left, 1);
        EXPECT_NEAR(std::floor(y), top, 1);
    };
    const Uint32 steps = ITimeSystem->GetStats().logicTotal;
    SDL_WarpMouse(20, 20);
    run(50);
    SDL_WarpMouse(80, 60);
    run(50);
    ASSERT_EQ(steps + 2, ITimeSystem->GetStats().logicTotal);
    expectBetween(fraction()); // right after a step: at (or near) the previous one

    run(25); // half a step later, no step
    ASSERT_EQ(steps + 2, ITimeSystem->GetStats().logicTotal);
    const float h = fraction();
    ASSERT_GT(h, 0.45f);
    ASSERT_LT(h, 0.75f);
    expectBetween(h);
}

TEST_F(Cursor, LostCursorImageIsRefilledFromItsPixelCopy) {
    Quenlar.lostsurfaces = 1;
    Selected(8, 8, 0);
    Quenlar.lostsurfaces = 0;
    static int losses;
    losses = 1;
    qnl::SetBlitFunction([](SDL_Surface *src, SDL_Rect *sr, SDL_Surface *dst, SDL_Rect *dr) {
        if (losses > 0) {
            --losses;
            SDL_FillRect(src, nullptr, 0); // what the lost video memory holds
            return -2;
        }
        return SDL_UpperBlit(src, sr, dst, dr);
    });
    Quenlar.lostsurfaces = 1;
    MoveTo(30, 30);
    qnl::SetBlitFunction(nullptr);
    Quenlar.lostsurfaces = 0;
    EXPECT_TRUE(Logged(" . [Quenlar_Blit()] Info: lost surface was restored.\n"));
    EXPECT_TRUE(InkAt(30, 30, 8, 8));
}

TEST_F(Cursor, OpenGLDrawsOnEveryFlipWithoutSaveUnder) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    ASSERT_EQ(1, Quenlar.IsOpenGL());
    ICursor->Init();
    const unsigned uploads = qnl::gl::UploadCount();
    Selected(8, 8, 0);
    EXPECT_EQ(uploads + 1, qnl::gl::UploadCount());
    ICursor->SetBackgroundSave(1); // stays off
    MoveTo(30, 30);
    SDL_Rect over = {30, 30, 8, 8};
    EXPECT_EQ(0, ICursor->RestoreBackground(&over));
    SDL_FillRect(Quenlar.screen, nullptr, 0);
    Quenlar.Update(); // still drawn although it did not move
    // This screen has 8 bits: the ink is whatever index it maps to.
    const Uint32 ink = At(30, 30);
    EXPECT_NE(0u, ink);
    EXPECT_EQ(ink, At(37, 37));
    EXPECT_EQ(0u, At(38, 38));
}

TEST_F(Cursor, QuitShowsTheSystemCursorAndRefusesUntilInit) {
    EXPECT_EQ(0, SDL_ShowCursor(SDL_QUERY));
    Selected(8, 8, 0);
    MoveTo(30, 30);
    ICursor->Quit();
    EXPECT_EQ(1, SDL_ShowCursor(SDL_QUERY));
    SDL_ShowCursor(0); // SDL's own cursor draws on this screen
    EXPECT_TRUE(Logged(" . [ICursor->Delete(0)] Info: cursor deleted.\n"));
    EXPECT_EQ("", Difference()); // taken off the screen

    SDL_Surface *image = Solid(4, 4);
    EXPECT_EQ(255, ICursor->Create(image, 2));
    char line[96];
    std::snprintf(line, sizeof line,
                  " . [ICursor->Create(0x%lx,2)] Error: ICursor was not initialized.\n",
                  (unsigned long)(uintptr_t)image);
    EXPECT_TRUE(Logged(line)) << log.Body();
    SDL_FreeSurface(image);
    EXPECT_EQ(255, ICursor->Load("a.dpf", "arrow", 7));
    EXPECT_TRUE(Logged(" . [ICursor->Load('a.dpf','arrow',7)] Error: ICursor was not "
                       "initialized.\n"));

    SDL_Surface *screen = Quenlar.screen;
    Quenlar.screen = nullptr;
    ICursor->Init();
    Quenlar.screen = screen;
    EXPECT_TRUE(Logged(" . [ICursor->Init()] Error: Quenlar.screen was not initialized.\n"));
}
