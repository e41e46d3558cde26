// dpftool add-font, run as a user runs it, and the fonts it stores loaded
// and drawn through CFont.
#include "fonts/sheets.h"
#include "video/engine_fixture.h"

#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/pngwriter.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

using namespace testing_support;

namespace {
const char kSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

RunResult Tool(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {Program("dpftool")};
    argv.insert(argv.end(), args.begin(), args.end());
    return testing_support::Run(argv);
}

void SavePicture(SDL_Surface *s, const char *file) {
    ASSERT_EQ(1, qnl::SavePNG(s, file));
    SDL_FreeSurface(s);
}

// Destination rectangles of every blit while a test draws.
std::vector<SDL_Rect> g_drawn;
int RecordingBlit(SDL_Surface *src, SDL_Rect *sr, SDL_Surface *dst, SDL_Rect *dr) {
    g_drawn.push_back(*dr);
    return SDL_UpperBlit(src, sr, dst, dr);
}
} // namespace

class DpftoolFont : public EngineTest {
protected:
    void SetUp() override { Start(); }
};

TEST_F(DpftoolFont, FromPictures) {
    // 94 characters between black columns; the same without the last one.
    SavePicture(Sheet(SheetLayout{0}), "gaps.png");
    SDL_Surface *short93 = Sheet(SheetLayout{0});
    SDL_Rect last = {(Sint16)(short93->w - 3), 0, 3, (Uint16)short93->h};
    SDL_FillRect(short93, &last, 0);
    SavePicture(short93, "gaps93.png");
    SavePicture(Sheet(SheetLayout{}), "marked.png");
    SavePicture(Sheet(SheetLayout{1, 94}), "marked94.png");

    RunResult refused = Tool({"add-font", "pack.dpf", "f", "gaps93.png"});
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("93 characters separated by empty"))
        << refused.err;
    refused = Tool({"add-font", "pack.dpf", "f", "marked94.png"});
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("93 characters between the magenta marker"))
        << refused.err;
    EXPECT_FALSE(FileExists("pack.dpf"));

    ASSERT_EQ(0, Tool({"add-font", "pack.dpf", "gaps", "gaps.png"}).status);
    ASSERT_EQ(
        0, Tool({"add-font", "pack.dpf", "marked", "marked.png", "--spacing", "3", "--bpp", "16"})
               .status);
    RunResult list = Tool({"list", "pack.dpf"});
    EXPECT_NE(std::string::npos, list.out.find("font, 8 pixels high, spacing 0\n")) << list.out;
    EXPECT_NE(std::string::npos, list.out.find("font, 7 pixels high, spacing 3\n")) << list.out;

    CFont gaps, marked;
    ASSERT_EQ(1, gaps.Load("pack.dpf", "gaps"));
    ASSERT_EQ(1, marked.Load("pack.dpf", "marked"));
    EXPECT_EQ(4 + 2, gaps.GetWidth("AB"));
    EXPECT_EQ(4 + 3 + 2, marked.GetWidth("AB"));
    EXPECT_EQ(16, marked.GetSurface()->format->BitsPerPixel);
    SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 12, 10, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    gaps.PutString(target, 0, 0, "AB");
    for (int x = 0; x < 6; ++x) // the picture's rows are all there, below the marker row
        EXPECT_EQ(x == 1 || x == 2 || x == 3 || x == 5 ? kInk : 0u, qnl::ReadRawPixel(target, x, 1))
            << x;
    EXPECT_EQ(0u, qnl::ReadRawPixel(target, 1, 0));
    SDL_FreeSurface(target);

    ASSERT_EQ(0, Tool({"preview", "pack.dpf", "gaps", "FONT2", "gaps-preview.png"}).status);
    SDL_Surface *shown = qnl::LoadImageFile("gaps-preview.png");
    ASSERT_NE(nullptr, shown);
    EXPECT_GE(shown->w, 320);
    SDL_FreeSurface(shown);
}

TEST_F(DpftoolFont, FromTrueType) {
    if (access(kSans, R_OK) != 0) GTEST_SKIP() << kSans << " is missing (fonts-dejavu-core)";
    ASSERT_EQ(0, Tool({"add-font", "pack.dpf", "sans", "--ttf", kSans, "--size", "16"}).status);
    ASSERT_EQ(0, Tool({"add-font", "pack.dpf", "dark", "--ttf", kSans, "--size", "12", "--bpp",
                       "24", "--color", "0,0,0", "--mode", "stored"})
                     .status);
    RunResult list = Tool({"list", "pack.dpf"});
    EXPECT_NE(std::string::npos, list.out.find("font, 19 pixels high, spacing -1\n")) << list.out;

    CFont sans, dark;
    ASSERT_EQ(1, sans.Load("pack.dpf", "sans"));
    ASSERT_EQ(1, dark.Load("pack.dpf", "dark"));
    EXPECT_TRUE(sans.GetSurface()->format->Amask); // alpha per pixel
    EXPECT_TRUE(dark.GetSurface()->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xFFFFFFu, dark.GetSurface()->format->colorkey); // black characters, white key

    // The text covers exactly GetWidth pixels from the pen, and its pixels
    // lie within them.
    const char text[] = "Quenlar {fonts}!";
    SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 300, 24, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    g_drawn.clear();
    qnl::SetBlitFunction(RecordingBlit);
    sans.PutString(target, 7, 2, text);
    qnl::SetBlitFunction(nullptr);
    ASSERT_EQ(std::strlen(text) - 1, g_drawn.size()); // the blank is not drawn
    int left = 1000, right = 0, inkLeft = 1000, inkRight = 0;
    for (const SDL_Rect &r : g_drawn)
        left = std::min(left, (int)r.x), right = std::max(right, r.x + r.w);
    for (int y = 0; y < target->h; ++y)
        for (int x = 0; x < target->w; ++x)
            if (qnl::ReadRawPixel(target, x, y))
                inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x + 1);
    EXPECT_EQ(7, left);
    EXPECT_EQ(sans.GetWidth(text), right - left);
    EXPECT_GE(inkLeft, 7);
    EXPECT_LE(inkRight, 7 + sans.GetWidth(text));
    EXPECT_GT(inkRight - inkLeft, sans.GetWidth(text) * 3 / 4);
    SDL_FreeSurface(target);

    RunResult again = Tool({"add-font", "pack.dpf", "sans", "--ttf", kSans, "--size", "20"});
    EXPECT_EQ(1, again.status);
    EXPECT_NE(std::string::npos, again.err.find("exists already"));
    EXPECT_EQ(
        0,
        Tool({"add-font", "pack.dpf", "sans", "--ttf", kSans, "--size", "20", "--replace"}).status);
    RunResult magenta =
        Tool({"add-font", "pack.dpf", "m", "--ttf", kSans, "--size", "9", "--color", "255,0,255"});
    EXPECT_EQ(1, magenta.status);
    EXPECT_NE(std::string::npos, magenta.err.find("magenta"));
}

TEST_F(DpftoolFont, BadInput) {
    SavePicture(Sheet(SheetLayout{}), "marked.png");
    WriteFile("notes.txt", "no font here");
    for (const std::vector<std::string> &usage :
         {std::vector<std::string>{"add-font", "p.dpf", "f", "marked.png", "--ttf", kSans},
          {"add-font", "p.dpf", "f", "--ttf", kSans},
          {"add-font", "p.dpf", "f", "--ttf", kSans, "--size", "3"},
          {"add-font", "p.dpf", "f", "marked.png", "--size", "12"},
          {"add-font", "p.dpf", "f", "marked.png", "--bpp", "8"},
          {"add-font", "p.dpf", "f", "marked.png", "--spacing", "x"},
          {"add-font", "p.dpf", "f", "--ttf", kSans, "--size", "12", "--color", "1,2"},
          {"add-font", "p.dpf", std::string(32, 'n'), "marked.png"}})
        EXPECT_EQ(2, Tool(usage).status) << usage[3];
    EXPECT_EQ(1, Tool({"add-font", "p.dpf", "f", "notes.txt"}).status);
    EXPECT_EQ(1, Tool({"add-font", "p.dpf", "f", "--ttf", "notes.txt", "--size", "12"}).status);
    EXPECT_FALSE(FileExists("p.dpf"));
}
