// CSprite: loading, the three play modes on the fake clock, anchors, the
// erase on a single-buffered screen, version 1.0 blocks and damaged ones.
#include "video/engine_fixture.h"

#include <quenlar/core/bytes_private.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/spriteblock_private.h>

#include <cstring>

namespace {
constexpr int kFrame = 8; // frames of 8 x 8 pixels, 4 per row

// The colour of frame f of animation a on the test sheets.
Uint32 FrameColor(int a, int f) {
    return 0x100000u * (Uint32)(a + 1) + 0x30u * (Uint32)(f + 1);
}

// A 32-bit sheet (no alpha channel) of `rows` animations of 4 frames.
SDL_Surface *Sheet(int rows) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 4 * kFrame, rows * kFrame, 32, 0xFF0000,
                                          0xFF00, 0xFF, 0);
    for (int a = 0; a < rows; ++a)
        for (int f = 0; f < 4; ++f) {
            SDL_Rect r = {(Sint16)(f * kFrame), (Sint16)(a * kFrame), kFrame, kFrame};
            SDL_FillRect(s, &r, FrameColor(a, f));
        }
    return s;
}

qnl::SpriteAnimation Animation(Sint32 mode, Uint16 first, Uint16 end) {
    qnl::SpriteAnimation a;
    a.mode = mode;
    a.first = first;
    a.end = end;
    a.durations = {100, 100, 100, 100};
    return a;
}

// The sprite of `animations` rows on a sheet of 4 frames each.
std::vector<Uint8> SpritePayload(const std::vector<qnl::SpriteAnimation> &animations,
                                 Uint32 key = qnl::kNoColorKey) {
    qnl::SpriteBlock sprite;
    sprite.frameWidth = sprite.frameHeight = kFrame;
    sprite.x = 5;
    sprite.y = 6;
    sprite.animations = animations;
    SDL_Surface *sheet = Sheet((int)animations.size());
    std::vector<Uint8> payload = qnl::EncodeSpriteBlock(sprite, sheet, key, 255);
    SDL_FreeSurface(sheet);
    return payload;
}

// The "SPR" form of SpritePayload's two-animation sheet: 12-byte animation
// records and bare durations, colour key 0.
std::vector<Uint8> OldSpritePayload() {
    std::vector<Uint8> v2 =
        SpritePayload({Animation(qnl::kSpriteLoop, 0, 4), Animation(qnl::kSpriteOnce, 0, 4)});
    std::vector<Uint8> v1(v2.begin(), v2.begin() + 24);
    size_t at = 24;
    for (int a = 0; a < 2; ++a) {
        v1.insert(v1.end(), v2.begin() + at, v2.begin() + at + 12);
        at += 64;
        for (int f = 0; f < 4; ++f, at += 16)
            v1.insert(v1.end(), v2.begin() + at, v2.begin() + at + 4);
    }
    const size_t record = v1.size();
    v1.insert(v1.end(), v2.begin() + at, v2.end());
    qnl::PutLE32(&v1[record + qnl::kImageRecordColorKey], 0);
    return v1;
}

Uint32 Pixel(SDL_Surface *s, int x, int y) {
    return qnl::ReadRawPixel(s, x, y) & 0xFFFFFF;
}
} // namespace

class Sprite : public PackageTest {
protected:
    void SetUp() override { StartWithPackage("sprites.dpf", 200); }
    // The frame the sprite shows on `target` at its position (5, 6), or -1.
    int ShownFrame(int animation) {
        const Uint32 c = Pixel(target, 5, 6);
        for (int f = 0; f < 4; ++f)
            if (c == FrameColor(animation, f)) return f;
        return -1;
    }
    testing_support::FakeClock clock{1000};
};

TEST_F(Sprite, PlayModesStepOnTheClock) {
    Add("modes", "SPR2",
        SpritePayload({Animation(qnl::kSpriteLoop, 0, 4), Animation(qnl::kSpriteOnce, 0, 4),
                       Animation(qnl::kSpriteBackAndForth, 0, 4), Animation(qnl::kSpriteLoop, 2, 2),
                       Animation(1, 0, 4)}));
    CSprite sprite;
    ASSERT_EQ(5, sprite.Load(handle, "modes", "SPR2"));
    const struct {
        int animation;
        std::vector<int> frames;
    } cases[] = {{0, {0, 1, 2, 3, 0, 1, 2, 3}},
                 {1, {0, 1, 2, 3, 3, 3, 3, 3}},
                 {2, {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2}},
                 {3, {2, 2, 2, 2}},  // current frame == end frame: never advances
                 {4, {0, 0, 0, 0}}}; // an unknown play mode
    for (const auto &c : cases) {
        ASSERT_EQ(1, sprite.SetAnimation(c.animation));
        std::vector<int> shown;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            const int result = sprite.Draw(target);
            shown.push_back(ShownFrame(c.animation));
            EXPECT_EQ(i > 0 && shown[i] != shown[i - 1] ? 1 : 2, result) << c.animation << " " << i;
            // A frame lasts its 100 ms: not a change at exactly 100, one at 101.
            clock.Advance(100);
            if (sprite.Draw(target) == 1)
                ADD_FAILURE() << "changed early, animation " << c.animation;
            clock.Advance(1);
        }
        EXPECT_EQ(c.frames, shown) << "animation " << c.animation;
        clock.Advance(1000); // a fresh start for the next animation
    }
    EXPECT_EQ(0, sprite.SetAnimation(5));
}

TEST_F(Sprite, AnchorPositionAndFailures) {
    qnl::SpriteAnimation anchored = Animation(qnl::kSpriteLoop, 0, 4);
    anchored.anchorX = 8;
    anchored.anchorY = 16;
    Add("anchored", "SPR2", SpritePayload({anchored}));
    CSprite sprite;
    EXPECT_EQ(0, sprite.Draw(target)); // not loaded: no message
    EXPECT_EQ(nullptr, sprite.GetSurface());
    ASSERT_EQ(1, sprite.Load(handle, "anchored", "SPR2"));
    EXPECT_NE(nullptr, sprite.GetSurface());
    sprite.SetPosition(100.7f, 100.2f); // drawn at the floor
    sprite.Draw(target);
    EXPECT_EQ(FrameColor(0, 0), Pixel(target, 92, 84));
    EXPECT_EQ(FrameColor(0, 0), Pixel(target, 99, 91));
    EXPECT_EQ(0u, Pixel(target, 91, 84));
    EXPECT_EQ(0u, Pixel(target, 100, 92));

    log.Mark();
    EXPECT_EQ(0, sprite.Load(handle, "anchored", "SPR2"));
    EXPECT_TRUE(
        Logged(" . [CSprite::Load('sprites.dpf','anchored','SPR2')] Warning: sprite already "
               "exists. It is not possible to create another one.\n"));
    CSprite missing;
    EXPECT_EQ(0, missing.Load(handle, "nothing", "SPRITE"));
    EXPECT_TRUE(Logged(" . [CSprite::Load('sprites.dpf','nothing','SPRITE')] Error: sprite not "
                       "found\n"));
    EXPECT_EQ(0, missing.Draw()); // no screen, but not loaded either: silent
    EXPECT_EQ(0, sprite.Draw());
    EXPECT_TRUE(Logged(" . [CSprite::Draw()] Error: Quenlar.screen was not initialized.\n"));
    EXPECT_EQ(0, missing.Load("absent.dpf", "anchored", "SPR2"));
}

TEST_F(Sprite, MovingOnASingleBufferedScreenLeavesNoTrace) {
    OpenScreen(64, 48, 32);
    SDL_Surface *screen = Quenlar.screen;
    ASSERT_FALSE(screen->flags & SDL_DOUBLEBUF);
    for (int y = 0; y < screen->h; ++y) // a background of its own colour per pixel
        for (int x = 0; x < screen->w; ++x)
            qnl::WriteRawPixel(screen, x, y, SDL_MapRGB(screen->format, (Uint8)x, (Uint8)y, 7));
    SDL_Surface *before = SDL_ConvertSurface(screen, screen->format, SDL_SWSURFACE);
    Add("walker", "SPR2", SpritePayload({Animation(qnl::kSpriteLoop, 0, 4)}));
    CSprite sprite; // made once the screen exists
    ASSERT_EQ(1, sprite.Load(handle, "walker", "SPR2"));
    sprite.SetPosition(-3, 10); // partly off the screen
    sprite.Draw();
    EXPECT_EQ(FrameColor(0, 0), Pixel(screen, 0, 10));
    sprite.SetPosition(20, 30);
    sprite.Draw();
    sprite.SetPosition(24, 33); // overlapping the last place
    sprite.Draw();
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) {
            const bool covered = x >= 24 && x < 32 && y >= 33 && y < 41;
            ASSERT_EQ(covered ? FrameColor(0, 0) : Pixel(before, x, y), Pixel(screen, x, y))
                << x << "," << y;
        }
    SDL_FreeSurface(before);
}

TEST_F(Sprite, OldBlockIsConvertedInPlace) {
    Add("old", "SPR", OldSpritePayload());
    CSprite sprite;
    ASSERT_EQ(2, sprite.Load(handle, "old", "SPR2"));
    EXPECT_TRUE(Logged(" . [CSprite::Load('sprites.dpf','old','SPR2')] Info: sprite successfully "
                       "updated from v1.0 to v2.0.\n"));
    EXPECT_TRUE(Has("old", "SPR2"));
    EXPECT_FALSE(Has("old", "SPR"));
    EXPECT_FALSE(sprite.GetSurface()->flags & SDL_SRCCOLORKEY); // key 0 meant none

    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    const int size = IStuffDPF->LoadBlock(handle, "SPR2", "old", &b);
    qnl::SpriteBlock converted;
    ASSERT_TRUE(qnl::ParseSpriteBlock(reinterpret_cast<Uint8 *>(b.data), (size_t)size, converted));
    delete[] b.data;
    ASSERT_EQ(2u, converted.animations.size());
    EXPECT_EQ(qnl::kSpriteOnce, converted.animations[1].mode);
    EXPECT_EQ(0, converted.animations[1].first);
    EXPECT_EQ(4, converted.animations[1].end);
    EXPECT_EQ(std::vector<Uint32>({100, 100, 100, 100}), converted.animations[1].durations);
    EXPECT_EQ(qnl::kNoColorKey, converted.sheet.colorkey);

    // Loaded again, it is an ordinary "SPR2" block.
    log.Mark();
    CSprite again;
    EXPECT_EQ(2, again.Load(handle, "old", "SPR"));
    EXPECT_FALSE(Logged("updated"));
}

TEST_F(Sprite, DamagedBlocksAreRefusedByName) {
    std::vector<Uint8> good = SpritePayload({Animation(qnl::kSpriteLoop, 0, 4)});
    std::vector<Uint8> narrow = good, flat = good, many = good, frames = good, range = good;
    qnl::PutLE32(&narrow[20], 7);                         // sheet narrower than a frame
    qnl::PutLE32(&flat[4], 0);                            // frames of no height
    qnl::PutLE32(&many[16], 4000);                        // animations past the block
    qnl::PutLE16(&frames[24 + 4], 60000);                 // frame records past the block
    qnl::PutLE16(&range[24 + 14], 5);                     // end frame beyond the 4 frames
    std::vector<Uint8> cut(good.begin(), good.end() - 1); // one pixel byte short
    const std::vector<std::pair<const char *, std::vector<Uint8>>> cases = {
        {"narrow", narrow}, {"flat", flat},   {"many", many},
        {"frames", frames}, {"range", range}, {"cut", cut}};
    for (const auto &c : cases) {
        Add(c.first, "SPR2", c.second);
        log.Mark();
        CSprite sprite;
        EXPECT_EQ(0, sprite.Load(handle, c.first, "SPR2")) << c.first;
        EXPECT_TRUE(Logged(std::string(" . [CSprite::Load('sprites.dpf','") + c.first +
                           "','SPR2')] Error: the SPR2 block '" + c.first + "' is damaged ("))
            << c.first << log.Body();
        EXPECT_EQ(nullptr, sprite.GetSurface());
    }
    // A damaged version 1.0 block is left as it was.
    std::vector<Uint8> old = OldSpritePayload();
    old.resize(100);
    Add("oldcut", "SPR", old);
    CSprite sprite;
    EXPECT_EQ(0, sprite.Load(handle, "oldcut", "SPR2"));
    EXPECT_TRUE(Has("oldcut", "SPR"));
    EXPECT_FALSE(Has("oldcut", "SPR2"));
}

TEST_F(Sprite, ColorKeyAndAlpha) {
    Add("keyed", "SPR2", SpritePayload({Animation(qnl::kSpriteLoop, 0, 4)}, FrameColor(0, 0)));
    CSprite sprite;
    ASSERT_EQ(1, sprite.Load(handle, "keyed", "SPR2"));
    SDL_Surface *sheet = sprite.GetSurface();
    EXPECT_EQ(24, sheet->format->BitsPerPixel); // 32-bit sheets without alpha per pixel
    ASSERT_TRUE(sheet->flags & SDL_SRCCOLORKEY);
    const Uint32 key = sheet->format->colorkey;
    EXPECT_EQ(SDL_MapRGB(sheet->format, 0x10, 0, 0x30), key);
    sprite.Draw(target); // frame 0 is all key: nothing shows
    EXPECT_EQ(0u, Pixel(target, 5, 6));

    sprite.SetColorKey(-1);
    EXPECT_FALSE(sprite.GetSurface()->flags & SDL_SRCCOLORKEY);
    sprite.SetAlpha(128);
    sprite.SetAlpha(300); // ignored
    EXPECT_TRUE(sprite.GetSurface()->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, sprite.GetSurface()->format->alpha);
    // A change made on the surface behind the sprite's back is undone by a draw.
    SDL_SetAlpha(sprite.GetSurface(), 0, 255);
    SDL_SetColorKey(sprite.GetSurface(), SDL_SRCCOLORKEY, key);
    sprite.Draw(target);
    EXPECT_TRUE(sprite.GetSurface()->flags & SDL_SRCALPHA);
    EXPECT_FALSE(sprite.GetSurface()->flags & SDL_SRCCOLORKEY);
}

TEST_F(Sprite, OpenGLKeyChangeConvertsOnce) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    Add("gl", "SPR2", SpritePayload({Animation(qnl::kSpriteLoop, 0, 4)}, FrameColor(0, 1)));
    CSprite sprite;
    ASSERT_EQ(1, sprite.Load(handle, "gl", "SPR2"));
    EXPECT_EQ(1, qnl::gl::IsTexture(sprite.GetSurface()));
    const Sint32 key = (Sint32)sprite.GetSurface()->format->colorkey;
    log.Mark();
    sprite.SetColorKey(key); // the same key: nothing
    EXPECT_EQ("", log.Body());
    sprite.SetColorKey(-1);
    EXPECT_TRUE(Logged(" . [CSprite::SetColorKey(-1)] Warning: on-the-fly surface conversion. It "
                       "may affect to the performance.\n"));
    EXPECT_EQ(1, qnl::gl::IsTexture(sprite.GetSurface()));
}

TEST(SpriteEngine, RefusedBeforeStartAndCountedAtShutdown) {
    testing_support::TempDir dir;
    testing_support::LogCapture log(5);
    {
        CSprite early;
        EXPECT_EQ(0, early.Load("any.dpf", "logo", "SPR2"));
    }
    EXPECT_NE(std::string::npos,
              log.Body().find(" . [CSprite::Load('any.dpf','logo','SPR2')] Error: Quenlar was not "
                              "initialized. Aborting the sprite load.\n"));
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO));
    CSprite *kept = new CSprite, *gone = new CSprite;
    CTile *tiles[3] = {new CTile, new CTile, new CTile};
    delete gone;
    delete tiles[0];
    EXPECT_EQ(1, Quenlar.spritecount);
    Quenlar.Quit();
    const std::string text = log.Body();
    EXPECT_NE(std::string::npos,
              text.find("\n . [CTiles] Warning! your application have left 2 tiles without "
                        "deleting."));
    EXPECT_NE(std::string::npos,
              text.find("\n . [CSprites] Warning! your application have left 1 sprites without "
                        "deleting."));
    EXPECT_EQ(std::string::npos, text.find("[CFonts]"));
    delete kept;
    delete tiles[1];
    delete tiles[2];
    EXPECT_EQ(0, Quenlar.spritecount);
    EXPECT_EQ(0, Quenlar.tilecount);
}
