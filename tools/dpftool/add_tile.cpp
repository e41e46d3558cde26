// dpftool add-tile: a picture as a "TILE2" (or "TILB2") block, optionally a
// tile set of equally sized cells.
#include "command.h"
#include "picture.h"
#include "trial_load.h"

#include <quenlar/gfx/tileblock_private.h>

#include <cstdio>
#include <cstring>

namespace {

// "AxB" or "A,B" (by `separator`), each part from `low` to `high`.
bool ParsePair(const char *text, char separator, long low, long high, int &a, int &b) {
    long x, y;
    char sep, tail;
    if (!text || std::sscanf(text, "%ld%c%ld%c", &x, &sep, &y, &tail) != 3 || sep != separator)
        return false;
    if (x < low || x > high || y < low || y > high) return false;
    a = (int)x, b = (int)y;
    return true;
}

int Run(int argc, char **argv) {
    dpftool::Args args("add-tile", argc, argv,
                       {DPFTOOL_PICTURE_OPTIONS,
                        {"--type", true},
                        {"--cells", true},
                        {"--position", true},
                        {"--mode", true},
                        {"--replace", false}},
                       3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *file = args[2];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError("add-tile", "NAME must have 1 to 31 characters");
    const char *type = args.Value("--type", "TILE2");
    if (std::strcmp(type, "TILE2") != 0 && std::strcmp(type, "TILB2") != 0)
        return dpftool::UsageError("add-tile", "--type must be TILE2 or TILB2");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0) return dpftool::UsageError("add-tile", "unknown mode '%s'", args.Value("--mode"));
    qnl::TileBlock tile;
    if (args.Has("--cells")) {
        if (!ParsePair(args.Value("--cells"), 'x', 1, 32767, tile.cellWidth, tile.cellHeight))
            return dpftool::UsageError("add-tile", "--cells must be WxH, from 1x1 to 32767x32767");
        tile.tileSet = true;
    }
    if (args.Has("--position") &&
        !ParsePair(args.Value("--position"), ',', -32768, 32767, tile.x, tile.y))
        return dpftool::UsageError("add-tile", "--position must be X,Y, each from -32768 to 32767");
    dpftool::PictureOptions options;
    if (int status = dpftool::ParsePictureOptions("add-tile", args, options)) return status;

    Uint32 colorkey;
    SDL_Surface *picture = dpftool::LoadPicture(file, options, colorkey);
    if (!picture) return dpftool::kFailed;
    if (tile.tileSet && (picture->w % tile.cellWidth || picture->h % tile.cellHeight)) {
        const int w = picture->w, h = picture->h;
        SDL_FreeSurface(picture);
        return dpftool::Fail("%s: %dx%d pixels are no whole number of %dx%d cells", file, w, h,
                             tile.cellWidth, tile.cellHeight);
    }
    std::vector<Uint8> payload = qnl::EncodeTileBlock(tile, picture, colorkey, options.alpha);
    SDL_FreeSurface(picture);
    if (payload.empty())
        return dpftool::Fail("%s: the picture cannot be stored (%s)", file,
                             dpftool::SdkReason().c_str());

    dpftool::Sdk sdk(true);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not start");
    const bool loads = dpftool::TrialLoad(name, type, payload, [&](int handle) {
        CTile trial;
        return trial.Load(handle, name, type);
    });
    if (!loads)
        return dpftool::Fail("%s: the tile would not load (%s)", file,
                             dpftool::SdkReason().c_str());
    return dpftool::StoreBlock(path, name, type, mode, payload.data(), payload.size(),
                               args.Has("--replace"));
}

} // namespace

DPFTOOL_COMMAND("add-tile",
                "add-tile PACKAGE NAME IMAGEFILE [--type TILE2|TILB2] [--cells WxH] "
                "[--position X,Y] [--bpp 8|16|24|32] [--colorkey R,G,B] [--alpha N] "
                "[--mode compressed|stored|scrambled] [--replace]",
                Run);
