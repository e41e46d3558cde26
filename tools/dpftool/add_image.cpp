// dpftool add-image: a PNG or BMP picture as an "IMG" block.
#include "command.h"
#include "picture.h"

#include <quenlar/gfx/imageblock.h>
#include <cstring>

namespace {

int Run(int argc, char **argv) {
    dpftool::Args args("add-image", argc, argv,
                       {DPFTOOL_PICTURE_OPTIONS, {"--mode", true}, {"--replace", false}}, 3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *file = args[2];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError("add-image", "NAME must have 1 to 31 characters");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0)
        return dpftool::UsageError("add-image", "unknown mode '%s'", args.Value("--mode"));
    dpftool::PictureOptions options;
    if (int status = dpftool::ParsePictureOptions("add-image", args, options)) return status;

    Uint32 colorkey;
    SDL_Surface *picture = dpftool::LoadPicture(file, options, colorkey);
    if (!picture) return dpftool::kFailed;
    std::vector<Uint8> payload = qnl::EncodeImageBlock(picture, colorkey, options.alpha);
    SDL_FreeSurface(picture);
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
