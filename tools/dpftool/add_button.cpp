// dpftool add-button: a button made from pictures, as the "BUT" block that
// describes it and its state images as "TILB2" blocks NAME_n (normal),
// NAME_p (pressed), NAME_o (off) and, for a complex button, NAME_s
// (select), stored together once IButton->Load has made the button from
// them in a scratch package.
#include "command.h"
#include "key_names.h"
#include "picture.h"
#include "trial_load.h"

#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/gui/button_private.h>
#include <quenlar/gui/buttondesc_private.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace gui = qnl::gui;

const struct {
    const char *name;
    Uint8 type;
} kKinds[] = {
    {"normal", BT_NORMAL},        {"icon", BT_ICON},
    {"complex", BT_COMPLEX},      {"slider", BT_SLIDER},
    {"progress", BT_PROGRESSBAR}, {"check", BT_CHECK},
    {"input", BT_INPUTBOX},
};

// The picture options, block suffixes and images, in the record's order.
const struct {
    const char *option;
    const char *suffix;
} kImageOptions[gui::kImages] = {
    {"--normal", "_n"}, {"--select", "_s"}, {"--pressed", "_p"}, {"--off", "_o"}};

bool TakesSteps(Uint8 type) {
    return type == BT_SLIDER || type == BT_PROGRESSBAR;
}
bool TakesKey(Uint8 type) {
    return type == BT_NORMAL || type == BT_ICON || type == BT_COMPLEX || type == BT_CHECK;
}
bool TakesSelectColour(Uint8 type) {
    return type == BT_NORMAL || type == BT_ICON;
}

// "H,V", each from 0 to 32767.
bool ParseMargins(const char *text, long &h, long &v) {
    char comma, tail;
    return std::sscanf(text, "%ld%c%ld%c", &h, &comma, &v, &tail) == 3 && comma == ',' && h >= 0 &&
           h <= 32767 && v >= 0 && v <= 32767;
}

// The description the options give, checked against the kind. kOk, or
// the usage error's status (printed).
int ParseDescription(const dpftool::Args &args, ButtonDesc &d, long margins[2]) {
    const char *command = "add-button";
    const char *kind = args.Value("--kind");
    if (!kind) return dpftool::UsageError(command, "--kind is required");
    for (const auto &k : kKinds)
        if (std::strcmp(k.name, kind) == 0) d.type = k.type;
    if (!d.type)
        return dpftool::UsageError(command,
                                   "unknown kind '%s' (normal, icon, complex, slider, progress, "
                                   "check or input)",
                                   kind);
    const std::string kindName = std::string("--kind ") + kind;
    for (const auto &image : kImageOptions) {
        const bool used = std::strcmp(image.option, "--select") != 0 || d.type == BT_COMPLEX;
        if (used && !args.Has(image.option))
            return dpftool::UsageError(command, "%s needs %s", kindName.c_str(), image.option);
        if (!used && args.Has(image.option))
            return dpftool::UsageError(command,
                                       "%s has no select image (--select is for "
                                       "--kind complex)",
                                       kindName.c_str());
    }
    long number;
    if (args.Has("--x") || args.Has("--y")) {
        if (!dpftool::ParseNumber(args.Value("--x", "0"), -32768, 32767, number))
            return dpftool::UsageError(command, "--x must be from -32768 to 32767");
        d.x = (Sint16)number;
        if (!dpftool::ParseNumber(args.Value("--y", "0"), -32768, 32767, number))
            return dpftool::UsageError(command, "--y must be from -32768 to 32767");
        d.y = (Sint16)number;
    }
    if (TakesSteps(d.type)) {
        if (!dpftool::ParseNumber(args.Value("--range", ""), 1, 32767, number))
            return dpftool::UsageError(command, "%s needs --range from 1 to 32767",
                                       kindName.c_str());
        d.range = (Sint16)number;
        if (!dpftool::ParseNumber(args.Value("--value", "0"), 0, d.range, number))
            return dpftool::UsageError(command, "--value must be from 0 to the range, %d", d.range);
        d.value = (Sint32)number;
    } else if (args.Has("--range") || args.Has("--value")) {
        return dpftool::UsageError(command,
                                   "--range and --value are for sliders and progress bars");
    }
    if (args.Has("--margins")) {
        if (d.type != BT_INPUTBOX)
            return dpftool::UsageError(command, "--margins are for input boxes");
        if (!ParseMargins(args.Value("--margins"), margins[0], margins[1]))
            return dpftool::UsageError(command, "--margins must be H,V, each from 0 to 32767");
        d.range = (Sint16)margins[1];
        d.value = (Sint32)margins[0];
    }
    if (args.Has("--select-colour")) {
        unsigned char rgb[3];
        if (!TakesSelectColour(d.type))
            return dpftool::UsageError(command, "--select-colour is for normal and icon buttons");
        if (!dpftool::ParseColor(args.Value("--select-colour"), rgb))
            return dpftool::UsageError(command, "--select-colour must be R,G,B, each 0 to 255");
        d.selectColor = (Uint32)rgb[0] << 16 | (Uint32)rgb[1] << 8 | rgb[2];
        if (!d.selectColor)
            return dpftool::UsageError(command, "--select-colour 0,0,0 means no select box");
    }
    if (args.Has("--key")) {
        if (!TakesKey(d.type))
            return dpftool::UsageError(command, "%s takes no --key", kindName.c_str());
        d.key = (Uint16)dpftool::KeyFromName(args.Value("--key"));
        if (!d.key)
            return dpftool::UsageError(command,
                                       "unknown key '%s' (keys as SDL names them: return, "
                                       "escape, a, f1 ...)",
                                       args.Value("--key"));
    }
    return dpftool::kOk;
}

// The pictures of the options, in the record's order (null where unused).
// false, with the reason printed, when one cannot be read.
bool LoadPictures(const dpftool::Args &args, const dpftool::PictureOptions &options,
                  SDL_Surface *pictures[gui::kImages], Uint32 keys[gui::kImages]) {
    for (int i = 0; i < gui::kImages; ++i) {
        const char *file = args.Value(kImageOptions[i].option);
        if (!file) continue;
        pictures[i] = dpftool::LoadPicture(file, options, keys[i]);
        if (!pictures[i]) return false;
    }
    return true;
}

int Run(int argc, char **argv) {
    dpftool::Args args("add-button", argc, argv,
                       {DPFTOOL_PICTURE_OPTIONS,
                        {"--kind", true},
                        {"--normal", true},
                        {"--pressed", true},
                        {"--off", true},
                        {"--select", true},
                        {"--key", true},
                        {"--x", true},
                        {"--y", true},
                        {"--range", true},
                        {"--value", true},
                        {"--margins", true},
                        {"--select-colour", true},
                        {"--mode", true},
                        {"--replace", false}},
                       2, 2);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1];
    if (!*name || std::strlen(name) > (size_t)gui::kNameLength)
        return dpftool::UsageError("add-button", "NAME must have 1 to %d characters",
                                   gui::kNameLength);
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0)
        return dpftool::UsageError("add-button", "unknown mode '%s'", args.Value("--mode"));
    dpftool::PictureOptions options;
    if (int status = dpftool::ParsePictureOptions("add-button", args, options)) return status;

    // The engine on the dummy driver: key names, pictures and the trial.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    dpftool::Sdk sdk(true, SDL_INIT_VIDEO);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not start");
    ButtonDesc desc = ButtonDesc();
    long margins[2] = {0, 0};
    if (int status = ParseDescription(args, desc, margins)) return status;

    SDL_Surface *pictures[gui::kImages] = {};
    Uint32 keys[gui::kImages] = {};
    struct Free {
        SDL_Surface **p;
        ~Free() {
            for (int i = 0; i < gui::kImages; ++i)
                SDL_FreeSurface(p[i]);
        }
    } freeing{pictures};
    if (!LoadPictures(args, options, pictures, keys)) return dpftool::kFailed;
    const std::string problem = gui::ImagesProblem(desc.type, pictures);
    if (!problem.empty()) return dpftool::Fail("%s: %s", name, problem.c_str());
    const SDL_Surface *normal = pictures[gui::kNormalImage];
    if (desc.type == BT_INPUTBOX &&
        (2 * margins[0] + 1 >= normal->w || 2 * margins[1] >= normal->h))
        return dpftool::Fail("%s: margins %ld,%ld leave no room for text in a %dx%d box", name,
                             margins[0], margins[1], normal->w, normal->h);

    // The blocks: the state images first, the description last.
    qnl::TileBlock at;
    at.x = desc.x;
    at.y = desc.y;
    std::vector<std::vector<Uint8>> payloads;
    std::vector<dpftool::NewBlock> blocks;
    for (int i = 0; i < gui::kImages; ++i) {
        if (!pictures[i]) continue;
        payloads.push_back(qnl::EncodeTileBlock(at, pictures[i], keys[i], options.alpha));
        if (payloads.back().empty())
            return dpftool::Fail("%s: the picture cannot be stored (%s)",
                                 args.Value(kImageOptions[i].option), dpftool::SdkReason().c_str());
        blocks.push_back({std::string(name) + kImageOptions[i].suffix, "TILB2",
                          payloads.back().data(), payloads.back().size()});
    }
    const std::vector<Uint8> description = qnl::EncodeButtonDesc(desc);
    blocks.push_back({name, "BUT", description.data(), description.size()});

    const bool loads = dpftool::TrialLoad(name, "BUT", description, [&](int handle) {
        for (const dpftool::NewBlock &b : blocks) {
            if (std::strcmp(b.type, "TILB2") != 0) continue;
            DPFBlock block;
            std::memset(&block, 0, sizeof block);
            std::snprintf(block.name, sizeof block.name, "%s", b.name.c_str());
            std::strcpy(block.type, b.type);
            block.mode = 1;
            block.size = (unsigned int)b.size;
            block.data = static_cast<char *>(const_cast<void *>(b.data));
            if (IStuffDPF->AddData(handle, &block) <= 0) return false;
        }
        const int id = IButton->Load(handle, name, 0);
        IButton->Remove();
        return id > 0;
    });
    if (!loads)
        return dpftool::Fail("%s: the button would not load (%s)", name,
                             dpftool::SdkReason().c_str());
    return dpftool::StoreBlocks(path, blocks, mode, args.Has("--replace"));
}

} // namespace

DPFTOOL_COMMAND("add-button",
                "add-button PACKAGE NAME --kind normal|icon|complex|slider|progress|check|input "
                "--normal N.png --pressed P.png --off O.png [--select S.png] [--key NAME] "
                "[--x X --y Y] [--range N --value V] [--margins H,V] [--select-colour R,G,B] "
                "[--bpp 8|16|24|32] [--colorkey R,G,B] [--alpha N] "
                "[--mode compressed|stored|scrambled] [--replace]",
                Run);
