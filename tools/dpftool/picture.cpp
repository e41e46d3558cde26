#include "picture.h"

#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/imageconvert.h>
#include <quenlar/gfx/pngwriter.h>
#include <quenlar/platform/pixelformat_private.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dpftool {

int ParsePictureOptions(const char *command, const Args &args, PictureOptions &options) {
    long bpp = 0;
    if (args.Has("--bpp") && !ParseNumber(args.Value("--bpp"), 8, 32, bpp)) bpp = -1;
    if (bpp < 0 || (bpp && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32))
        return UsageError(command, "--bpp must be 8, 16, 24 or 32");
    options.bpp = (int)bpp;
    options.keyGiven = args.Has("--colorkey");
    if (options.keyGiven && !ParseColor(args.Value("--colorkey"), options.key))
        return UsageError(command, "--colorkey must be R,G,B with values 0 to 255");
    long alpha = 255;
    if (args.Has("--alpha") && !ParseNumber(args.Value("--alpha"), 0, 255, alpha))
        return UsageError(command, "--alpha must be 0 to 255");
    options.alpha = (Uint8)alpha;
    return kOk;
}

SDL_Surface *LoadPicture(const char *file, const PictureOptions &options, Uint32 &colorkey) {
    // Only a regular file is read: a FIFO or a device would block or never end.
    if (CheckInputFile(file) != kOk) return nullptr;
    SDL_Surface *source = qnl::LoadImageFile(file);
    if (!source) {
        Fail("%s: not a readable PNG or BMP picture", file);
        return nullptr;
    }
    // A 5-5-5 picture counts as 16 bits whichever SDL 1.2 library reports it.
    const int depth = qnl::platform::StoredBitsPerPixel(source->format);
    SDL_Surface *picture = source;
    if (options.bpp || (depth != 8 && depth != 16 && depth != 24 && depth != 32)) {
        const int bpp = options.bpp ? options.bpp : 32;
        picture = qnl::ConvertDepth(source, bpp);
        if (!picture) {
            SDL_FreeSurface(source);
            Fail("%s: the picture cannot be converted to %d bits", file, bpp);
            return nullptr;
        }
    }
    // The transparent colour: the one asked for, else the picture's own.
    colorkey = qnl::kNoColorKey;
    if (options.keyGiven) {
        colorkey = SDL_MapRGB(picture->format, options.key[0], options.key[1], options.key[2]);
    } else if (source->flags & SDL_SRCCOLORKEY) {
        Uint8 r, g, b;
        SDL_GetRGB(source->format->colorkey, source->format, &r, &g, &b);
        colorkey = SDL_MapRGB(picture->format, r, g, b);
    }
    if (picture != source) SDL_FreeSurface(source);
    return picture;
}

int WritePicture(SDL_Surface *picture, const char *out) {
    errno = 0;
    const int saved = qnl::SavePNG(picture, out);
    SDL_FreeSurface(picture);
    if (!saved) return Fail("%s: %s", out, errno ? std::strerror(errno) : "cannot write");
    return kOk;
}

} // namespace dpftool
