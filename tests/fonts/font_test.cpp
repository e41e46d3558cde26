// CFont: sheets with marker rows and with gaps, measuring, drawing, the
// caret, loading "FONT2" and converting "FONT" blocks, damaged blocks.
#include "fonts/sheets.h"
#include "video/engine_fixture.h"

#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/fontblock.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/pixel_private.h>

#include <cstring>
#include <memory>

namespace {
constexpr Uint32 kRed = 0xFF0000;

// Row `y` of a target drawn on `background`: '#' for white, '.' else.
std::string Row(SDL_Surface *target, int y, int width = 12) {
    std::string out;
    for (int x = 0; x < width; ++x)
        out += qnl::ReadRawPixel(target, x, y) == kInk ? '#' : '.';
    return out;
}

SDL_Surface *Target(Uint32 fill = kRed) {
    SDL_Surface *t = SDL_CreateRGBSurface(SDL_SWSURFACE, 40, 12, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(t, nullptr, fill);
    return t;
}

struct SurfaceDeleter {
    void operator()(SDL_Surface *s) const { SDL_FreeSurface(s); }
};
typedef std::unique_ptr<SDL_Surface, SurfaceDeleter> Surface;
} // namespace

class Fonts : public EngineTest {
protected:
    void SetUp() override {
        Start();
        IStuffDPF->Close(IStuffDPF->Create("fonts.dpf"));
    }
    // Creates `font` from a sheet and frees the sheet; Create's result.
    int Make(CFont &font, const SheetLayout &layout) {
        Surface sheet(Sheet(layout));
        return font.Create(sheet.get());
    }
    // Stores `payload` in fonts.dpf as NAME of TYPE.
    void Store(const char *name, const char *type, const std::vector<Uint8> &payload) {
        const int h = IStuffDPF->Open("fonts.dpf");
        DPFBlock b;
        std::memset(&b, 0, sizeof b);
        std::strcpy(b.name, name);
        std::strcpy(b.type, type);
        b.size = (unsigned int)payload.size();
        std::vector<Uint8> copy(payload);
        b.data = reinterpret_cast<char *>(copy.data());
        EXPECT_GT(IStuffDPF->AddData(h, &b), 0);
        IStuffDPF->Close(h);
    }
    std::vector<Uint8> Payload(const SheetLayout &layout, Sint32 spacing) {
        Surface sheet(Sheet(layout));
        return qnl::EncodeFontBlock(sheet.get(), spacing, 255);
    }
};

TEST_F(Fonts, MarkerRunsOfAnyWidthPlaceGlyphsAlike) {
    for (int run : {1, 3, 4}) {
        CFont font;
        ASSERT_EQ(96, Make(font, SheetLayout{run})) << run;
        EXPECT_EQ(7, font.GetHeight());
        EXPECT_EQ(4 + 2, font.GetWidth("AB")); // cells 3 and 1, each plus 1
        Surface target(Target());
        font.PutString(target.get(), 0, 2, "AB!");
        EXPECT_EQ(".###.#.#....", Row(target.get(), 2)) << run;
        EXPECT_EQ(".###.#.#....", Row(target.get(), 8)) << run;
        EXPECT_EQ("............", Row(target.get(), 9)) << run;
        for (int y = 0; y < font.GetSurface()->h; ++y) // the markers are gone
            for (int x = 0; x < font.GetSurface()->w; ++x)
                ASSERT_NE(kMagenta, qnl::ReadRawPixel(font.GetSurface(), x, y));
    }
}

TEST_F(Fonts, PicturesWithoutMarkerRow) {
    CFont gaps;
    EXPECT_EQ(96, Make(gaps, SheetLayout{0}));
    Surface target(Target());
    gaps.PutString(target.get(), 0, 0, "AB!");
    EXPECT_EQ(".###.#.#....", Row(target.get(), 0));

    CFont noLastGap, markers94, empty;
    EXPECT_EQ(94, Make(noLastGap, SheetLayout{0, 95, false}));
    EXPECT_TRUE(Logged(" . [CFont::CreateUpperMark()] Warning: it was not possible to import "
                       "bitmap with font characters.\n"));
    EXPECT_EQ(94, Make(markers94, SheetLayout{1, 94}));
    Surface blank(SDL_CreateRGBSurface(SDL_SWSURFACE, 50, 6, 32, 0xFF0000, 0xFF00, 0xFF, 0));
    EXPECT_EQ(0, empty.Create(blank.get()));
    EXPECT_EQ(nullptr, noLastGap.GetSurface());
    EXPECT_EQ(0, noLastGap.GetWidth("AB"));
    EXPECT_EQ(nullptr, noLastGap.GetName());
}

TEST_F(Fonts, WidthsBlanksSpacingAndCharactersWithoutGlyph) {
    Store("spaced", "FONT2", Payload(SheetLayout{}, 2));
    CFont font;
    ASSERT_EQ(1, font.Load("fonts.dpf", "spaced"));
    EXPECT_EQ(2, font.GetSpacing());
    EXPECT_EQ(4 + 2 + 2, font.GetWidth("AB"));
    EXPECT_EQ(4 + 2 + 3, font.GetWidth("A "));                     // a blank is as wide as "a"
    EXPECT_EQ(4 + 2 + 2 + 2, font.GetWidth("A\tB\n\x7F\x80\xFF")); // B is not the last
    EXPECT_EQ(255 * (2 + 2), font.GetWidth(std::string(300, '!').c_str()));
    Surface target(Target());
    font.PutString(target.get(), 0, 0, "A\t\x7F\xC8 B");
    EXPECT_EQ(".###......#.....", Row(target.get(), 0, 16));
}

TEST_F(Fonts, ClipCutsSourceAndDestinationAlike) {
    CFont font;
    ASSERT_EQ(96, Make(font, SheetLayout{}));
    Surface target(Target());
    SDL_Rect clip = {2, 3, 3, 2};
    font.PutString(target.get(), 0, 0, "AB", &clip);
    EXPECT_EQ("............", Row(target.get(), 2));
    EXPECT_EQ("..##........", Row(target.get(), 3));
    EXPECT_EQ("..##........", Row(target.get(), 4));
    EXPECT_EQ("............", Row(target.get(), 5));
}

TEST_F(Fonts, Caret) {
    CFont font;
    ASSERT_EQ(96, Make(font, SheetLayout{}));
    Surface target(Target());
    font.PutStringCursor(target.get(), 0, 0, "AB", 2); // '|' just after "AB"
    EXPECT_EQ(".###.#.##...", Row(target.get(), 0));
    SDL_FillRect(target.get(), nullptr, kRed);
    font.PutStringCursor(target.get(), 0, 0, "AB", 9, nullptr, false);
    EXPECT_EQ(".###.#......", Row(target.get(), 0));
    SDL_FillRect(target.get(), nullptr, kRed);
    font.PutStringCursor(target.get(), 0, 0, "A B", 9); // the text ends first
    EXPECT_EQ(".###....#.##", Row(target.get(), 0));
    for (Uint8 none : {(Uint8)' ', (Uint8)127, (Uint8)128, (Uint8)0}) {
        font.SetCursor(none); // no glyph, no caret
        SDL_FillRect(target.get(), nullptr, kRed);
        font.PutStringCursor(target.get(), 0, 0, "AB", 2);
        EXPECT_EQ(".###.#......", Row(target.get(), 0)) << (int)none;
    }
}

TEST_F(Fonts, BottomLeftPixelIsTheTransparentColour) {
    for (Uint32 background : {0x000000u, 0x0000FFu}) {
        CFont font;
        SheetLayout layout;
        layout.background = background;
        ASSERT_EQ(96, Make(font, layout));
        SDL_Surface *s = font.GetSurface();
        EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
        EXPECT_EQ(background, s->format->colorkey);
        Surface target(Target());
        font.PutString(target.get(), 0, 0, "AB");
        EXPECT_EQ(kRed, qnl::ReadRawPixel(target.get(), 0, 0)); // the key is not drawn
        EXPECT_EQ(kRed, qnl::ReadRawPixel(target.get(), 4, 0));
        EXPECT_EQ(kInk, qnl::ReadRawPixel(target.get(), 5, 0));
    }
}

TEST_F(Fonts, AlphaPerPixelAndPerSurface) {
    // White characters on a transparent background.
    Surface sheet(Sheet(SheetLayout{}));
    Surface argb(SDL_CreateRGBSurface(SDL_SWSURFACE, sheet->w, sheet->h, 32, 0xFF0000, 0xFF00, 0xFF,
                                      0xFF000000));
    for (int y = 0; y < sheet->h; ++y)
        for (int x = 0; x < sheet->w; ++x) {
            const Uint32 p = qnl::ReadRawPixel(sheet.get(), x, y);
            qnl::WriteRawPixel(argb.get(), x, y, p ? p | 0xFF000000 : 0);
        }
    CFont glow;
    ASSERT_EQ(96, glow.Create(argb.get()));
    EXPECT_FALSE(glow.GetSurface()->flags & SDL_SRCCOLORKEY);
    glow.SetAlpha(100); // ignored: alpha per pixel
    EXPECT_EQ(255, glow.GetSurface()->format->alpha);
    Surface target(Target());
    glow.PutString(target.get(), 0, 0, "AB");
    EXPECT_EQ(".###.#......", Row(target.get(), 0));
    EXPECT_EQ(kRed, qnl::ReadRawPixel(target.get(), 4, 0) & 0xFFFFFF);

    CFont plain;
    ASSERT_EQ(96, Make(plain, SheetLayout{}));
    plain.SetAlpha(128);
    EXPECT_TRUE(plain.GetSurface()->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, plain.GetSurface()->format->alpha);
    plain.SetAlpha(300); // ignored
    EXPECT_EQ(128, plain.GetSurface()->format->alpha);
    plain.SetAlpha(255);
    EXPECT_FALSE(plain.GetSurface()->flags & SDL_SRCALPHA);
    EXPECT_FALSE(Logged("on-the-fly")); // not a hardware screen
}

TEST_F(Fonts, ConvertedToTheScreenAndRefilledWhenLost) {
    OpenScreen(64, 48, 16);
    Quenlar.lostsurfaces = 1;
    CFont font;
    ASSERT_EQ(96, Make(font, SheetLayout{}));
    EXPECT_EQ(16, font.GetSurface()->format->BitsPerPixel);
    EXPECT_EQ(0u, font.GetSurface()->format->colorkey);

    static int blits;
    blits = 0;
    qnl::SetBlitFunction([](SDL_Surface *src, SDL_Rect *sr, SDL_Surface *dst, SDL_Rect *dr) {
        if (blits++ == 0) return -2; // video memory lost once
        return SDL_UpperBlit(src, sr, dst, dr);
    });
    SDL_FillRect(Quenlar.screen, nullptr, 0);
    font.PutString(Quenlar.screen, 0, 0, "A");
    qnl::SetBlitFunction(nullptr);
    Quenlar.lostsurfaces = 0;
    EXPECT_EQ(2, blits);
    EXPECT_EQ(0xFFFFu, IPrimitives->GetPixel(Quenlar.screen, 1, 0));
    EXPECT_TRUE(Logged(" . [Quenlar_Blit()] Info: lost surface was restored.\n"));

    // Translucency on a hardware screen makes the surface again, once per crossing.
    Quenlar.screen->flags |= SDL_HWSURFACE;
    font.SetAlpha(128);
    font.SetAlpha(100);
    font.SetAlpha(255);
    Quenlar.screen->flags &= ~SDL_HWSURFACE;
    const std::string body = log.Body();
    EXPECT_NE(std::string::npos,
              body.find(" . [CFont::SetAlpha(128)] Warning: on-the-fly surface conversion. It may "
                        "affect to the performance.\n"));
    EXPECT_EQ(std::string::npos, body.find("SetAlpha(100)"));
    EXPECT_NE(std::string::npos, body.find("SetAlpha(255)"));
}

TEST_F(Fonts, UploadedUnderOpenGL) {
    Quenlar.renderer = 64;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    CFont font;
    ASSERT_EQ(96, Make(font, SheetLayout{}));
    EXPECT_EQ(1, qnl::gl::IsTexture(font.GetSurface()));
}

TEST_F(Fonts, LoadNamesAndRefusals) {
    Store("sans", "FONT2", Payload(SheetLayout{}, 0));
    CFont font;
    EXPECT_EQ(nullptr, font.GetName());
    const int h = IStuffDPF->Open("fonts.dpf");
    ASSERT_EQ(1, font.Load(h, "sans"));
    EXPECT_STREQ("sans", font.GetName());
    font.SetName(std::string(32, 'n').c_str()); // too long: ignored
    EXPECT_STREQ("sans", font.GetName());
    font.SetName("title");
    EXPECT_STREQ("title", font.GetName());
    EXPECT_EQ(0, font.Load(h, "sans"));
    EXPECT_TRUE(Logged(" . [CFont::Load('fonts.dpf','sans')] Warning: font already exists. It is "
                       "not possible to create another one.\n"));
    IStuffDPF->Close(h);

    CFont other;
    EXPECT_EQ(0, other.Load("fonts.dpf", "serif"));
    EXPECT_TRUE(Logged(" . [CFont::Load('fonts.dpf','serif')] Error: font not found\n"));
    EXPECT_EQ(0, other.Load("absent.dpf", "sans"));
    EXPECT_EQ(0, other.Load(0, "sans"));
    Surface eight(SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 8, 0, 0, 0, 0));
    EXPECT_EQ(255, other.Create(eight.get()));
    EXPECT_TRUE(Logged(" . [CFont::Create()] Warning: 8bits surface loaded is not supported to "
                       "create a font.\n"));
    EXPECT_EQ(255, other.Create(nullptr));
    EXPECT_TRUE(Logged(" . [CFont::Create()] Error: font surface is null\n"));
}

TEST_F(Fonts, VersionOneBlockIsConvertedInPlace) {
    std::vector<Uint8> old = Payload(SheetLayout{}, 7);
    old.resize(old.size() - qnl::kFontTrailerSize);
    Store("old", "FONT", old);
    CFont font;
    ASSERT_EQ(1, font.Load("fonts.dpf", "old"));
    EXPECT_EQ(0, font.GetSpacing());
    EXPECT_EQ(6, font.GetWidth("AB"));
    EXPECT_TRUE(Logged(" . [CFont::Load('fonts.dpf','old')] Info: font successfully updated from "
                       "v1.0 to v2.0.\n"));

    const int h = IStuffDPF->Open("fonts.dpf");
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    std::strcpy(b.name, "old");
    std::strcpy(b.type, "FONT2");
    ASSERT_EQ(1, IStuffDPF->Find(h, &b));
    EXPECT_EQ(old.size() + qnl::kFontTrailerSize, b.size);
    std::strcpy(b.type, "FONT");
    EXPECT_EQ(0, IStuffDPF->Find(h, &b)); // marked deleted
    IStuffDPF->Close(h);
    log.Mark();
    CFont again;
    ASSERT_EQ(1, again.Load("fonts.dpf", "old"));
    EXPECT_FALSE(Logged("updated"));
}

TEST_F(Fonts, DamagedBlocksAreRefusedNamingTheBlock) {
    const std::vector<Uint8> good = Payload(SheetLayout{}, 0);
    struct Case {
        const char *name;
        std::vector<Uint8> payload;
        const char *reason;
    };
    std::vector<Case> cases = {
        {"short", std::vector<Uint8>(good.begin(), good.begin() + 170), "and trailer"},
        {"cut", good, "fewer pixels"},
        {"wide", good, "fewer pixels"},
        {"flat", good, "size out of range"},
        {"negative", good, "size out of range"},
        {"row", good, "without a row below"},
        {"depth", good, "unknown depth"},
    };
    cases[1].payload.erase(cases[1].payload.begin() + 100, cases[1].payload.begin() + 104);
    cases[2].payload[0] += 1;   // one more column than the pixels hold
    cases[3].payload[4] = 0;    // height 0
    cases[4].payload[7] = 0xFF; // a negative height
    cases[5].payload[4] = 1;    // no row under the marker row
    cases[6].payload[12] = 12;  // 12 bits per pixel
    for (const Case &c : cases) {
        Store(c.name, "FONT2", c.payload);
        CFont font;
        EXPECT_EQ(0, font.Load("fonts.dpf", c.name)) << c.name;
        const std::string line = std::string(" . [CFont::Load('fonts.dpf','") + c.name +
                                 "')] Error: damaged FONT2 block (";
        EXPECT_TRUE(Logged(line)) << c.name;
        EXPECT_NE(std::string::npos, log.Body().find(c.reason, log.Body().find(line))) << c.name;
    }

    // An 8-bit block parses but is no font.
    std::vector<Uint8> eight = good;
    eight[12] = 8;
    Store("eight", "FONT2", eight);
    CFont font;
    EXPECT_EQ(0, font.Load("fonts.dpf", "eight"));
    EXPECT_TRUE(Logged(" . [CFont::Load('fonts.dpf','eight')] Error: internal failure (255).\n"));

    // A damaged version 1.0 block is not converted.
    Store("oldcut", "FONT", std::vector<Uint8>(good.begin(), good.begin() + 60));
    EXPECT_EQ(0, font.Load("fonts.dpf", "oldcut"));
    EXPECT_TRUE(Logged("Error: damaged FONT block ("));
    EXPECT_FALSE(Logged("updated from v1.0"));
}

TEST_F(Fonts, PixelHelpers) {
    CFont font;
    Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 24, 0xFF0000, 0xFF00, 0xFF, 0));
    font.CFontSetPixel(s.get(), 3, 3, 0x123456);
    font.CFontSetPixel(s.get(), 4, 0, 0x123456); // off the surface: ignored
    EXPECT_EQ(0x123456u, font.CFontGetPixel(s.get(), 3, 3));
    EXPECT_EQ(0u, font.CFontGetPixel(s.get(), 4, 0));
    EXPECT_TRUE(Logged(",4,0)] Error: wrong function parameters.\n"));
}

TEST(FontsWithoutEngine, RefusedAndCountedAtShutdown) {
    testing_support::TempDir dir;
    testing_support::LogCapture log(5);
    {
        CFont font;
        EXPECT_EQ(0, font.Load("fonts.dpf", "sans"));
        Surface sheet(Sheet(SheetLayout{}));
        EXPECT_EQ(255, font.Create(sheet.get()));
    }
    EXPECT_NE(std::string::npos,
              log.Body().find(" . [CFont::Load('fonts.dpf','sans')] Error: Quenlar was not "
                              "initialized. Aborting the font load.\n"));
    EXPECT_NE(std::string::npos, log.Body().find(" . [CFont::Create()] Error: Quenlar was not "
                                                 "initialized. Aborting the font creation.\n"));

    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO));
    EXPECT_EQ(0, Quenlar.fontcount);
    CFont *kept = new CFont, *deleted = new CFont;
    EXPECT_EQ(2, Quenlar.fontcount);
    delete deleted;
    Quenlar.Quit();
    EXPECT_NE(std::string::npos,
              log.Body().find("\n . [CFonts] Warning! your application have left 1 fonts "
                              "without deleting."));
    EXPECT_EQ(std::string::npos, log.Body().find("[CSprites]"));
    delete kept;
    EXPECT_EQ(0, Quenlar.fontcount);
}
