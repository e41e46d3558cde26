// dpftool add-sprite: a sheet picture and an XML description of its
// animations as an "SPR2" block (the format is in README.md):
//
//   <sprite frame="32x48" x="100" y="80">
//     <animation mode="loop" anchor="16,47" durations="120 120 120 120"/>
//   </sprite>
#include "command.h"
#include "picture.h"
#include "trial_load.h"

#include <quenlar/gfx/spriteblock_private.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <tinyxml.h>

namespace {

// Play modes by their words; "still" never advances.
const struct {
    const char *word;
    Sint32 mode;
} kModes[] = {{"loop", qnl::kSpriteLoop},
              {"back-and-forth", qnl::kSpriteBackAndForth},
              {"once", qnl::kSpriteOnce},
              {"still", 0}};

// Reads a description into `sprite`, or says on stderr what is wrong with
// it (file:line: ...) and returns false.
class Description {
public:
    explicit Description(const char *file) : file_(file) {}

    bool Read(qnl::SpriteBlock &sprite) {
        TiXmlDocument doc;
        if (!doc.LoadFile(file_)) {
            if (doc.ErrorId() == TiXmlBase::TIXML_ERROR_OPENING_FILE)
                return Error(0, std::strerror(errno ? errno : ENOENT));
            return Error(doc.ErrorRow(), doc.ErrorDesc());
        }
        const TiXmlElement *root = doc.RootElement();
        if (!root || root->ValueStr() != "sprite")
            return Error(root ? root->Row() : 0, "the root element must be <sprite>");
        if (!Known(root, {"frame", "x", "y"})) return false;
        int w, h;
        if (!Size(root, "frame", w, h)) return false;
        sprite.frameWidth = w;
        sprite.frameHeight = h;
        if (!Whole(root, "x", -2147483647L - 1, 2147483647L, 0, sprite.x)) return false;
        if (!Whole(root, "y", -2147483647L - 1, 2147483647L, 0, sprite.y)) return false;
        for (const TiXmlElement *e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
            if (e->ValueStr() != "animation")
                return Error(e->Row(), ("unknown element <" + e->ValueStr() + ">").c_str());
            qnl::SpriteAnimation a;
            if (!Animation(e, a)) return false;
            sprite.animations.push_back(a);
        }
        if (sprite.animations.empty()) return Error(root->Row(), "no <animation> is described");
        return true;
    }

private:
    bool Error(int row, const char *what) {
        if (row > 0)
            std::fprintf(stderr, "dpftool: %s:%d: %s\n", file_, row, what);
        else
            std::fprintf(stderr, "dpftool: %s: %s\n", file_, what);
        return false;
    }

    // Typing errors are caught rather than ignored.
    bool Known(const TiXmlElement *e, std::initializer_list<const char *> names) {
        for (const TiXmlAttribute *a = e->FirstAttribute(); a; a = a->Next()) {
            bool known = false;
            for (const char *name : names)
                known = known || a->NameTStr() == name;
            if (!known)
                return Error(e->Row(), ("unknown attribute '" + a->NameTStr() + "' of <" +
                                        e->ValueStr() + ">")
                                           .c_str());
        }
        return true;
    }

    template <typename T>
    bool Whole(const TiXmlElement *e, const char *name, long low, long high, long fallback,
               T &out) {
        const char *text = e->Attribute(name);
        long v = fallback;
        if (text) {
            char *end = nullptr;
            errno = 0;
            v = std::strtol(text, &end, 10);
            if (!*text || *end || errno || v < low || v > high)
                return Error(e->Row(), (std::string(name) + " must be a whole number from " +
                                        std::to_string(low) + " to " + std::to_string(high))
                                           .c_str());
        }
        out = (T)v;
        return true;
    }

    // "AxB" (separator 'x') or "A,B" (separator ',').
    bool Pair(const TiXmlElement *e, const char *name, char separator, long low, long high, int &a,
              int &b) {
        const char *text = e->Attribute(name);
        long x, y;
        char sep, tail;
        if (!text || std::sscanf(text, "%ld%c%ld%c", &x, &sep, &y, &tail) != 3 ||
            sep != separator || x < low || x > high || y < low || y > high)
            return Error(e->Row(), (std::string(name) + " must be two whole numbers from " +
                                    std::to_string(low) + " to " + std::to_string(high) +
                                    (separator == 'x' ? " as WxH" : " as X,Y"))
                                       .c_str());
        a = (int)x, b = (int)y;
        return true;
    }
    bool Size(const TiXmlElement *e, const char *name, int &w, int &h) {
        return Pair(e, name, 'x', 1, 32767, w, h);
    }

    bool Animation(const TiXmlElement *e, qnl::SpriteAnimation &a) {
        if (!Known(e, {"mode", "first", "end", "anchor", "durations"})) return false;
        const char *mode = e->Attribute("mode");
        bool found = false;
        for (const auto &m : kModes)
            if (mode && std::strcmp(mode, m.word) == 0) a.mode = m.mode, found = true;
        if (!found) return Error(e->Row(), "mode must be loop, back-and-forth, once or still");
        if (!Durations(e, a.durations)) return false;
        const long frames = (long)a.durations.size();
        if (!Whole(e, "first", 0, frames, 0, a.first)) return false;
        if (!Whole(e, "end", a.first, frames, frames, a.end)) return false;
        int x = 0, y = 0;
        if (e->Attribute("anchor") && !Pair(e, "anchor", ',', -32768, 32767, x, y)) return false;
        a.anchorX = (Sint16)x, a.anchorY = (Sint16)y;
        return true;
    }

    // One duration in milliseconds per frame, separated by spaces or commas.
    bool Durations(const TiXmlElement *e, std::vector<Uint32> &out) {
        const char *text = e->Attribute("durations");
        if (!text) return Error(e->Row(), "<animation> needs durations, one per frame");
        for (const char *p = text; *p;) {
            if (*p == ' ' || *p == ',' || *p == '\t' || *p == '\n') {
                ++p;
                continue;
            }
            char *end = nullptr;
            errno = 0;
            const unsigned long long v = std::strtoull(p, &end, 10);
            if (end == p || errno || v > 0xFFFFFFFFull || *p == '-')
                return Error(e->Row(), "durations must be milliseconds from 0 to 4294967295");
            out.push_back((Uint32)v);
            p = end;
        }
        if (out.empty() || out.size() > 65535)
            return Error(e->Row(), "<animation> needs 1 to 65535 durations, one per frame");
        return true;
    }

    const char *file_;
};

// The top `height` rows of `sheet` as a surface of its own format.
SDL_Surface *TopRows(SDL_Surface *sheet, int height) {
    const SDL_PixelFormat *f = sheet->format;
    SDL_Surface *top = SDL_CreateRGBSurface(SDL_SWSURFACE, sheet->w, height, f->BitsPerPixel,
                                            f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!top) return nullptr;
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<Uint8 *>(top->pixels) + y * top->pitch,
                    static_cast<Uint8 *>(sheet->pixels) + y * sheet->pitch,
                    (size_t)sheet->w * f->BytesPerPixel);
    if (f->palette) SDL_SetColors(top, f->palette->colors, 0, f->palette->ncolors);
    return top;
}

// Whether the sheet holds every described frame; says why not on stderr.
bool SheetHoldsFrames(const char *file, SDL_Surface *sheet, const qnl::SpriteBlock &sprite) {
    const int rows = (int)sprite.animations.size();
    for (int i = 0; i < rows; ++i) {
        const long needed = (long)sprite.animations[i].durations.size() * sprite.frameWidth;
        if (needed > sheet->w || (long)(i + 1) * sprite.frameHeight > sheet->h) {
            dpftool::Fail("%s: a sheet of %dx%d pixels does not hold the described frames: "
                          "animation %d has %zu frames of %dx%d in row %d (needs %ldx%ld)",
                          file, sheet->w, sheet->h, i, sprite.animations[i].durations.size(),
                          sprite.frameWidth, sprite.frameHeight, i, needed,
                          (long)(i + 1) * sprite.frameHeight);
            return false;
        }
    }
    if ((long)rows * sprite.frameHeight > 32767) {
        dpftool::Fail("%s: %d rows of %d pixels are more than a sheet can hold", file, rows,
                      sprite.frameHeight);
        return false;
    }
    return true;
}

int Run(int argc, char **argv) {
    dpftool::Args args("add-sprite", argc, argv,
                       {DPFTOOL_PICTURE_OPTIONS, {"--mode", true}, {"--replace", false}}, 4, 4);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *file = args[2], *xml = args[3];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError("add-sprite", "NAME must have 1 to 31 characters");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0)
        return dpftool::UsageError("add-sprite", "unknown mode '%s'", args.Value("--mode"));
    dpftool::PictureOptions options;
    if (int status = dpftool::ParsePictureOptions("add-sprite", args, options)) return status;

    qnl::SpriteBlock sprite;
    if (!Description(xml).Read(sprite)) return dpftool::kFailed;
    Uint32 colorkey;
    SDL_Surface *sheet = dpftool::LoadPicture(file, options, colorkey);
    if (!sheet) return dpftool::kFailed;
    if (!SheetHoldsFrames(file, sheet, sprite)) {
        SDL_FreeSurface(sheet);
        return dpftool::kFailed;
    }
    // Rows below the last animation belong to none.
    const int height = (int)sprite.animations.size() * sprite.frameHeight;
    if (sheet->h > height) {
        std::fprintf(stderr,
                     "dpftool: note: %s: the rows from %d down are below the last "
                     "animation and are left out\n",
                     file, height);
        SDL_Surface *top = TopRows(sheet, height);
        SDL_FreeSurface(sheet);
        if (!(sheet = top)) return dpftool::Fail("%s: out of memory", file);
    }
    std::vector<Uint8> payload = qnl::EncodeSpriteBlock(sprite, sheet, colorkey, options.alpha);
    SDL_FreeSurface(sheet);
    if (payload.empty())
        return dpftool::Fail("%s: the sheet cannot be stored (%s)", file,
                             dpftool::SdkReason().c_str());

    dpftool::Sdk sdk(true);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not start");
    const bool loads = dpftool::TrialLoad(name, "SPR2", payload, [&](int handle) {
        CSprite trial;
        return trial.Load(handle, name, "SPR2") > 0;
    });
    if (!loads)
        return dpftool::Fail("%s: the sprite would not load (%s)", file,
                             dpftool::SdkReason().c_str());
    return dpftool::StoreBlock(path, name, "SPR2", mode, payload.data(), payload.size(),
                               args.Has("--replace"));
}

} // namespace

DPFTOOL_COMMAND("add-sprite",
                "add-sprite PACKAGE NAME SHEET DESCRIPTION.xml [--bpp 8|16|24|32] "
                "[--colorkey R,G,B] [--alpha N] [--mode compressed|stored|scrambled] [--replace]",
                Run);
