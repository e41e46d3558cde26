// Fonts in `dpftool list` and `dpftool preview`: a "FONT2" block is
// described by its height and spacing and previewed as sample text and
// every character, drawn by CFont on a dark and on a light panel. Version
// 1.0 "FONT" blocks are described only: loading one converts the package.
#include "label.h"
#include "picture.h"
#include "resource_kind.h"

#include <quenlar/gfx/fontblock.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
const char *const kLines[] = {
    "The quick brown fox jumps over the lazy dog",
    "!\"#$%&'()*+,-./0123456789:;<=>?@",
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`",
    "abcdefghijklmnopqrstuvwxyz{|}~",
};
constexpr int kLineCount = sizeof kLines / sizeof kLines[0];
constexpr int kMargin = 8, kLabelHeight = 20;

std::string Describe(const unsigned char *data, size_t size, bool trailer) {
    qnl::FontBlockHeader header;
    if (!qnl::ParseFontBlock(data, size, trailer, header)) return "";
    const std::string high = std::to_string(header.image.height - 1) + " pixels high";
    if (!trailer) return "font (version 1.0), " + high;
    return "font, " + high + ", spacing " + std::to_string(header.spacing);
}
std::string DescribeFont2(const unsigned char *data, size_t size) {
    return Describe(data, size, true);
}
std::string DescribeFont1(const unsigned char *data, size_t size) {
    return Describe(data, size, false);
}

// A panel of grey level `grey` at `top`, the lines drawn on it with the font.
void Panel(SDL_Surface *picture, CFont &font, int top, int height, Uint8 grey) {
    SDL_Rect area = {0, (Sint16)top, (Uint16)picture->w, (Uint16)height};
    SDL_FillRect(picture, &area, SDL_MapRGB(picture->format, grey, grey, grey));
    int y = top + kMargin;
    for (const char *line : kLines) {
        font.PutString(picture, kMargin, y, line);
        y += font.GetHeight() + kMargin / 2;
    }
}

int Preview(int handle, const char *name, const char *out) {
    // Only a "FONT2" block: CFont would convert a version 1.0 one in place.
    DPFBlock probe;
    std::memset(&probe, 0, sizeof probe);
    std::snprintf(probe.name, sizeof probe.name, "%s", name);
    std::strcpy(probe.type, "FONT2");
    if (IStuffDPF->Find(handle, &probe) != 1) return dpftool::Fail("no font '%s'", name);
    CFont font;
    if (font.Load(handle, name) != 1)
        return dpftool::Fail("the font '%s' does not load (%s)", name,
                             dpftool::SdkReason().c_str());

    int width = 0;
    for (const char *line : kLines)
        width = std::max(width, font.GetWidth(line));
    width = std::min(std::max(width + 2 * kMargin, 320), 32767);
    const int panel = kMargin + kLineCount * (font.GetHeight() + kMargin / 2) + kMargin / 2;
    SDL_Surface *picture = SDL_CreateRGBSurface(SDL_SWSURFACE, width, kLabelHeight + 2 * panel, 32,
                                                0xFF0000, 0xFF00, 0xFF, 0);
    if (!picture) return dpftool::Fail("no memory for a %d-pixel-wide picture", width);
    SDL_FillRect(picture, nullptr, SDL_MapRGB(picture->format, 96, 96, 96));
    const std::string label = "'" + std::string(name) + "': font, " +
                              std::to_string(font.GetHeight()) + " pixels high, spacing " +
                              std::to_string(font.GetSpacing());
    dpftool::DrawLabel(picture, kMargin, 3, label.c_str(), SDL_Color{255, 255, 255, 0});
    Panel(picture, font, kLabelHeight, panel, 24);
    Panel(picture, font, kLabelHeight + panel, panel, 232);

    return dpftool::WritePicture(picture, out);
}
} // namespace

DPFTOOL_RESOURCE_KIND("FONT2", DescribeFont2, Preview);
DPFTOOL_RESOURCE_KIND("FONT", DescribeFont1, nullptr);
