// Pictures as the importers take them: a PNG or BMP file, the depth it is
// stored in (--bpp), its transparent colour (--colorkey) and per-surface
// alpha (--alpha), the options add-image, add-sprite and add-tile share.
#ifndef DPFTOOL_PICTURE_H
#define DPFTOOL_PICTURE_H

#include "command.h"

#include <SDL.h>

namespace dpftool {

// The options of a picture command, each listed in its Args.
#define DPFTOOL_PICTURE_OPTIONS                                                                    \
    {"--bpp", true}, {"--colorkey", true}, {                                                       \
        "--alpha", true                                                                            \
    }

struct PictureOptions {
    int bpp = 0; // 0: the picture's own depth
    bool keyGiven = false;
    Uint8 key[3] = {0, 0, 0};
    Uint8 alpha = 255;
};

// Reads --bpp, --colorkey and --alpha. kOk, or the usage error's status
// (printed).
int ParsePictureOptions(const char *command, const Args &args, PictureOptions &options);

// FILE in the depth asked for (a picture of another depth than 8, 16, 24 or
// 32 becomes 32-bit), and its colour key in that format: the one asked
// for, else the picture's own, else qnl::kNoColorKey. Null, with the reason
// printed, when the file is no readable picture.
SDL_Surface *LoadPicture(const char *file, const PictureOptions &options, Uint32 &colorkey);

// Writes `picture` to the PNG file `out` and frees it (ownership passes
// here). The exit status; a failure is printed.
int WritePicture(SDL_Surface *picture, const char *out);

} // namespace dpftool

#endif
