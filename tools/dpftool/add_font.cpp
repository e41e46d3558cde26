// dpftool add-font: a font sheet as a "FONT2" block, made from a picture
// (with its marker row, or with its characters separated by empty columns)
// or drawn from a TrueType font. What is stored is first loaded through
// CFont from a scratch package, so a font that would not load never
// reaches the package.
#include "command.h"
#include "ttf_sheet.h"

#include <quenlar/gfx/fontblock.h>
#include <quenlar/gfx/fontsheet_private.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pixel_private.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char kCommand[] = "add-font";

// ---- Sheets from pictures -----------------------------------------------------------
// A 32-bit copy of `source` whose transparent pixels (alpha 0, or the
// colour key) are 0: empty for the marker row's generation, and black
// once the alpha channel is dropped.
SDL_Surface *Cleared(SDL_Surface *source) {
    SDL_Surface *copy = qnl::ConvertDepth(source, 32);
    if (!copy) return nullptr;
    const bool keyed = source->flags & SDL_SRCCOLORKEY;
    if (SDL_MUSTLOCK(source) && SDL_LockSurface(source) < 0) {
        SDL_FreeSurface(copy);
        return nullptr;
    }
    for (int y = 0; y < source->h; ++y) {
        for (int x = 0; x < source->w; ++x) {
            const Uint32 pixel = qnl::ReadRawPixel(source, x, y);
            Uint8 r, g, b, a;
            SDL_GetRGBA(pixel, source->format, &r, &g, &b, &a);
            if (a == 0 || (keyed && pixel == source->format->colorkey))
                qnl::WriteRawPixel(copy, x, y, 0);
        }
    }
    if (SDL_MUSTLOCK(source)) SDL_UnlockSurface(source);
    return copy;
}

// `picture` one column wider on each side and one row taller above, the
// new pixels empty: room for the marker row, and empty first and last
// columns whatever the picture's edges hold.
SDL_Surface *Framed(SDL_Surface *picture) {
    const SDL_PixelFormat *f = picture->format;
    SDL_Surface *sheet =
        SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w + 2, picture->h + 1, f->BitsPerPixel,
                             f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!sheet) return nullptr;
    const size_t bytes = f->BytesPerPixel, row = (size_t)picture->w * bytes;
    for (int y = 0; y < picture->h; ++y)
        std::memcpy(static_cast<Uint8 *>(sheet->pixels) + (size_t)(y + 1) * sheet->pitch + bytes,
                    static_cast<const Uint8 *>(picture->pixels) + (size_t)y * picture->pitch, row);
    return sheet;
}

// The sheet of a picture in `bpp` bits (0: the picture's own depth, 32 for
// 8-bit pictures), or null with the reason in `error`.
SDL_Surface *PictureSheet(const char *file, int bpp, std::string &error) {
    SDL_Surface *source = qnl::LoadImageFile(file);
    if (!source) {
        error = "not a readable PNG or BMP picture";
        return nullptr;
    }
    const int own = source->format->BitsPerPixel;
    const int depth = bpp ? bpp : own == 16 || own == 24 ? own : 32;
    SDL_Surface *cleared = Cleared(source);
    SDL_FreeSurface(source);
    SDL_Surface *picture = cleared && depth != 32 ? qnl::ConvertDepth(cleared, depth) : cleared;
    if (picture != cleared) SDL_FreeSurface(cleared);
    if (!picture) {
        error = "the picture cannot be converted to " + std::to_string(depth) + " bits";
        return nullptr;
    }

    if (qnl::IsFontMarker(picture->format, qnl::ReadRawPixel(picture, 0, 0))) {
        const int runs = qnl::ScanFontMarkers(picture, nullptr, nullptr, 0);
        if (runs == qnl::kFontMarkerRuns) return picture;
        error = std::to_string(runs > 0 ? runs - 1 : 0) +
                " characters between the magenta marker runs of its first row, 94 needed";
        SDL_FreeSurface(picture);
        return nullptr;
    }
    const int glyphs = qnl::CountFontGlyphs(picture);
    SDL_Surface *sheet = glyphs == qnl::kFontChars ? Framed(picture) : nullptr;
    SDL_FreeSurface(picture);
    if (glyphs != qnl::kFontChars) {
        error = std::to_string(glyphs) +
                " characters separated by empty (black or transparent) columns, 94 needed";
        return nullptr;
    }
    if (!sheet) {
        error = SDL_GetError();
        return nullptr;
    }
    CFont marker; // generates the marker row as CFont::Create does
    marker.CreateUpperMark(sheet);
    return sheet;
}

// ---- Validation ---------------------------------------------------------------------
// Loads `payload` as font `name` through CFont from a scratch package. 1,
// or 0 with the reason in `error`.
bool LoadsAsFont(const std::vector<Uint8> &payload, const char *name, int mode,
                 std::string &error) {
    const char *tmp = getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/dpftool-font-XXXXXX";
    if (!mkdtemp(&dir[0])) {
        error = "no scratch directory for the check: " + std::string(std::strerror(errno));
        return false;
    }
    const std::string package = dir + "/check.dpf";
    bool loaded = false;
    const int handle = IStuffDPF->Create(package.c_str());
    if (handle > 0) {
        DPFBlock block;
        std::memset(&block, 0, sizeof block);
        std::snprintf(block.name, sizeof block.name, "%s", name);
        std::strcpy(block.type, "FONT2");
        block.mode = (unsigned char)mode;
        block.size = (unsigned int)payload.size();
        block.data = reinterpret_cast<char *>(const_cast<Uint8 *>(payload.data()));
        CFont font;
        loaded = IStuffDPF->AddData(handle, &block) > 0 && font.Load(handle, name) == 1;
        if (!loaded) error = dpftool::SdkReason();
        IStuffDPF->Close(handle);
    } else {
        error = dpftool::SdkReason();
    }
    unlink(package.c_str());
    rmdir(dir.c_str());
    return loaded;
}

// ---- The command ----------------------------------------------------------------------
int Run(int argc, char **argv) {
    dpftool::Args args(kCommand, argc, argv,
                       {{"--ttf", true},
                        {"--size", true},
                        {"--color", true},
                        {"--spacing", true},
                        {"--bpp", true},
                        {"--mode", true},
                        {"--replace", false}},
                       2, 3);
    if (!args.ok()) return args.status();
    const bool ttf = args.Has("--ttf");
    if (args.count() != (ttf ? 2u : 3u))
        return dpftool::UsageError(kCommand, "give either IMAGE or --ttf FONT.ttf --size PIXELS");
    const char *path = args[0], *name = args[1];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError(kCommand, "NAME must have 1 to 31 characters");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0) return dpftool::UsageError(kCommand, "unknown mode '%s'", args.Value("--mode"));
    // TrueType cells are as wide as the advance plus 1: -1 keeps the advance.
    long spacing = ttf ? -1 : 0;
    if (args.Has("--spacing") && !dpftool::ParseNumber(args.Value("--spacing"), -100, 100, spacing))
        return dpftool::UsageError(kCommand, "--spacing must be -100 to 100");
    long bpp = ttf ? 32 : 0;
    if (args.Has("--bpp") && (!dpftool::ParseNumber(args.Value("--bpp"), 16, 32, bpp) ||
                              (bpp != 16 && bpp != 24 && bpp != 32)))
        return dpftool::UsageError(kCommand, "--bpp must be 16, 24 or 32");
    long pixels = 0;
    unsigned char rgb[3] = {255, 255, 255};
    if (ttf) {
        if (!dpftool::ParseNumber(args.Value("--size"), 4, 255, pixels))
            return dpftool::UsageError(kCommand, "--ttf needs --size PIXELS, 4 to 255");
        if (args.Has("--color") && !dpftool::ParseColor(args.Value("--color"), rgb))
            return dpftool::UsageError(kCommand, "--color must be R,G,B with values 0 to 255");
    } else if (args.Has("--size") || args.Has("--color")) {
        return dpftool::UsageError(kCommand, "--size and --color go with --ttf");
    }

    // CFont works only in a started engine; no window is needed.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    dpftool::Sdk sdk(true, SDL_INIT_VIDEO);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not start");
    const char *source = ttf ? args.Value("--ttf") : args[2];
    std::string error;
    SDL_Surface *sheet =
        ttf ? dpftool::RenderTtfSheet(source, (int)pixels, SDL_Color{rgb[0], rgb[1], rgb[2], 0},
                                      (int)bpp, error)
            : PictureSheet(source, (int)bpp, error);
    if (!sheet) return dpftool::Fail("%s: %s", source, error.c_str());
    std::vector<Uint8> payload = qnl::EncodeFontBlock(sheet, (Sint32)spacing, 255);
    SDL_FreeSurface(sheet);
    if (payload.empty())
        return dpftool::Fail("%s: the font cannot be stored (%s)", source,
                             dpftool::SdkReason().c_str());
    if (!LoadsAsFont(payload, name, mode, error))
        return dpftool::Fail("%s: the font would not load (%s)", source, error.c_str());
    return dpftool::StoreBlock(path, name, "FONT2", mode, payload.data(), payload.size(),
                               args.Has("--replace"));
}

} // namespace

DPFTOOL_COMMAND("add-font",
                "add-font PACKAGE NAME (IMAGE | --ttf FONT.ttf --size PIXELS [--color R,G,B]) "
                "[--spacing N] [--bpp 16|24|32] [--mode compressed|stored|scrambled] [--replace]",
                Run);
