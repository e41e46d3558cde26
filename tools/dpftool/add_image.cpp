// dpftool add-image: a PNG or BMP picture as an "IMG" block.
#include "command.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/platform/pixelformat_private.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A whole number from `low` to `high`, or -1.
long Number(const char *text, long low, long high) {
    if (!text || !*text) return -1;
    char *end = nullptr;
    const long v = std::strtol(text, &end, 10);
    return *end || v < low || v > high ? -1 : v;
}

// "R,G,B" with each part 0..255.
bool ParseColor(const char *text, Uint8 rgb[3]) {
    unsigned r, g, b;
    char tail;
    if (!text || std::sscanf(text, "%u,%u,%u%c", &r, &g, &b, &tail) != 3) return false;
    if (r > 255 || g > 255 || b > 255) return false;
    rgb[0] = (Uint8)r, rgb[1] = (Uint8)g, rgb[2] = (Uint8)b;
    return true;
}

int Run(int argc, char **argv) {
    dpftool::Args args("add-image", argc, argv,
                       {{"--bpp", true},
                        {"--colorkey", true},
                        {"--alpha", true},
                        {"--mode", true},
                        {"--replace", false}},
                       3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *file = args[2];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError("add-image", "NAME must have 1 to 31 characters");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0)
        return dpftool::UsageError("add-image", "unknown mode '%s'", args.Value("--mode"));
    const long bpp = args.Has("--bpp") ? Number(args.Value("--bpp"), 8, 32) : 0;
    if (bpp < 0 || (bpp && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
        return dpftool::UsageError("add-image", "--bpp must be 8, 16, 24 or 32");
    Uint8 key[3] = {0, 0, 0};
    if (args.Has("--colorkey") && !ParseColor(args.Value("--colorkey"), key))
        return dpftool::UsageError("add-image", "--colorkey must be R,G,B with values 0 to 255");
    const long alpha = args.Has("--alpha") ? Number(args.Value("--alpha"), 0, 255) : 255;
    if (alpha < 0) return dpftool::UsageError("add-image", "--alpha must be 0 to 255");

    // The picture, in the depth asked for (its own depth otherwise).
    if (dpftool::CheckInputFile(file) != dpftool::kOk) return dpftool::kFailed;
    SDL_Surface *source = qnl::LoadImageFile(file);
    if (!source) return dpftool::Fail("%s: not a readable PNG or BMP picture", file);
    SDL_Surface *picture = source;
    // A 5-5-5 picture counts as 16 bits whichever SDL 1.2 library reports it.
    const int own = qnl::platform::StoredBitsPerPixel(source->format);
    if (bpp || (own != 8 && own != 16 && own != 24 && own != 32)) {
        picture = qnl::ConvertDepth(source, bpp ? (int)bpp : 32);
        if (!picture) {
            SDL_FreeSurface(source);
            return dpftool::Fail("%s: the picture cannot be converted to %ld bits", file, bpp);
        }
    }
    // The transparent colour: the one asked for, else the picture's own.
    Uint32 colorkey = qnl::kNoColorKey;
    if (args.Has("--colorkey")) {
        colorkey = SDL_MapRGB(picture->format, key[0], key[1], key[2]);
    } else if (source->flags & SDL_SRCCOLORKEY) {
        Uint8 r, g, b;
        SDL_GetRGB(source->format->colorkey, source->format, &r, &g, &b);
        colorkey = SDL_MapRGB(picture->format, r, g, b);
    }
    std::vector<Uint8> payload = qnl::EncodeImageBlock(picture, colorkey, (Uint8)alpha);
    if (picture != source) SDL_FreeSurface(picture);
    SDL_FreeSurface(source);
    if (payload.empty())
        return dpftool::Fail("%s: the picture cannot be stored (%s)", file,
                             dpftool::SdkReason().c_str());

    dpftool::Sdk sdk;
    return dpftool::StoreBlock(path, name, "IMG", mode, payload.data(), payload.size(),
                               args.Has("--replace"));
}

} // namespace

DPFTOOL_COMMAND("add-image",
                "add-image PACKAGE NAME IMAGEFILE [--bpp 8|16|24|32] [--colorkey R,G,B] "
                "[--alpha N] [--mode compressed|stored|scrambled] [--replace] [--parents]",
                Run);
