#include <quenlar/gfx/sprite.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/resourcesurface_private.h>
#include <quenlar/gfx/spriteblock_private.h>
#include <quenlar/gfx/surface.h>
#include <quenlar/gfx/versionedblock_private.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

struct CSprite::State {
    SDL_Surface *sheet = nullptr;
    std::vector<qnl::SpriteAnimation> animations;
    int frameWidth = 0, frameHeight = 0;
    float x = 0, y = 0;
    int animation = 0;      // the current one
    qnl::ResourceLook look; // alpha and colour key in use
    Uint32 lastChange = 0;  // clock ms of the last frame change; 0 before the first draw
    int direction = 1;      // back and forth: +1 or -1
    char name[32] = {0};    // the block's
    bool loaded = false;
    qnl::PixelBackup backup;
    // On a single-buffered screen (decided at construction): the screen's
    // pixels under the frame last drawn there, put back at the next draw.
    bool singleBuffered = false;
    SDL_Surface *background = nullptr; // one frame's size
    SDL_Rect backgroundRect = {0, 0, 0, 0};
    bool backgroundSaved = false;

    // Frees the surfaces; the state is that of a new sprite again.
    void Clear() {
        SDL_FreeSurface(sheet);
        SDL_FreeSurface(background);
        const bool single = singleBuffered;
        *this = State();
        singleBuffered = single;
    }
};

namespace {
// A surface to keep what the sprite covers on the screen: `w` x `h`,
// 24-bit, no alpha or key, in the screen's format when that pays.
SDL_Surface *MakeBackground(int w, int h) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    if (s && qnl::NeedsDisplayFormat(s)) s = qnl::ConvertToDisplayFormat(s, false);
    return s;
}

// The frame an animation shows after its current one, by its play mode.
// Frames stay within first .. end - 1 (the block guarantees end <= frames).
int NextFrame(const qnl::SpriteAnimation &a, int &direction) {
    const int current = a.current, first = a.first, last = a.end - 1;
    switch (a.mode) {
    case qnl::kSpriteLoop:
        return current + 1 <= last ? current + 1 : first;
    case qnl::kSpriteOnce:
        return current + 1 <= last ? current + 1 : last;
    case qnl::kSpriteBackAndForth: {
        int next = current + direction;
        if (next > last) {
            next = last - 1;
            direction = -1;
        }
        // An animation of one frame would turn below its first frame.
        if (next <= first) {
            next = first;
            direction = 1;
        }
        return next;
    }
    default:
        return current;
    }
}

// The smallest rectangle holding `a` and `b`, within 16-bit coordinates.
SDL_Rect Union(const SDL_Rect &a, const SDL_Rect &b) {
    const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.w, b.x + b.w), bottom = std::max(a.y + a.h, b.y + b.h);
    return {(Sint16)left, (Sint16)top, (Uint16)std::min(right - left, 65535),
            (Uint16)std::min(bottom - top, 65535)};
}

const char *ArchiveName(int handle) {
    const char *name = IStuffDPF ? IStuffDPF->GetName(handle) : nullptr;
    return name ? name : "";
}
} // namespace

CSprite::CSprite() : s_(new State) {
    ++*qnl::Engine().spritecount;
    const SDL_Surface *screen = qnl::Engine().screen();
    s_->singleBuffered = screen && !(screen->flags & SDL_DOUBLEBUF) && !qnl::Engine().openGL();
}

CSprite::~CSprite() {
    s_->Clear();
    --*qnl::Engine().spritecount;
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
int CSprite::Load(const char *path, const char *name, const char *type) {
    if (!path || !name || !type) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument,
                      "no package, sprite name or type was given.");
        return 0;
    }
    if (!qnl::Engine().started() || !IStuffDPF) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR,
                         qnl::Format("CSprite::Load('%s','%s','%s')", path, name, type),
                         "Quenlar was not initialized. Aborting the sprite load.");
        return 0;
    }
    const int handle = IStuffDPF->Open(path); // logs and records why it cannot
    if (handle <= 0) return 0;
    const int animations = Load(handle, name, type);
    IStuffDPF->Close(handle);
    return animations;
}

int CSprite::Load(int handle, const char *name, const char *type) {
    State &s = *s_;
    if (handle < 1 || !name || !type) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument,
                      "no package handle, sprite name or type was given.");
        return 0;
    }
    const char *archive = ArchiveName(handle);
    const std::string origin = qnl::Format("CSprite::Load('%s','%s','%s')", archive, name, type);
    if (!qnl::Engine().started() || !IStuffDPF) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, origin,
                         "Quenlar was not initialized. Aborting the sprite load.");
        return 0;
    }
    if (s.loaded) {
        qnl::ReportError(qnl::ErrorCode::kExists, LOG_WARNING, origin,
                         "sprite already exists. It is not possible to create another one.");
        return 0;
    }

    const auto damaged = [&](const char *blockType) {
        const std::string why = qnl::LastError().reason;
        qnl::ReportError(qnl::ErrorCode::kCorrupted, LOG_ERROR, origin,
                         "the %s block '%s' is damaged (%s).", blockType, name, why.c_str());
        return 0;
    };
    std::vector<Uint8> payload;
    switch (
        qnl::ReadVersionedBlock(handle, name, "SPR2", "SPR", qnl::UpgradeSpriteBlock, payload)) {
    case qnl::VersionedRead::kCurrent:
        break;
    case qnl::VersionedRead::kUpgraded:
        ILogSystem.Msg(LOG_WARNING,
                       " . [%s] Info: sprite successfully updated from v1.0 to v2.0.\n",
                       origin.c_str());
        break;
    case qnl::VersionedRead::kMissing:
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: sprite not found\n", origin.c_str());
        return 0;
    case qnl::VersionedRead::kDamaged:
        return damaged("SPR");
    case qnl::VersionedRead::kNotStored:
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: update to v2.0 was not possible.\n",
                       origin.c_str());
        return 0;
    }

    qnl::SpriteBlock sprite;
    if (!qnl::ParseSpriteBlock(payload.data(), payload.size(), sprite)) return damaged("SPR2");
    qnl::ImageBlockHeader stored;
    SDL_Surface *sheet =
        qnl::DecodeImageRecord(payload.data() + sprite.record, payload.size() - sprite.record,
                               sprite.sheetWidth, sprite.sheet.height, &stored);
    if (!sheet) return 0; // out of memory: the block parsed
    payload.clear();
    payload.shrink_to_fit();
    sheet = qnl::PrepareResourceSurface(sheet, stored, s.look);
    if (!sheet) return 0;
    if (s.look.convertedWithAlpha)
        ILogSystem.Msg(LOG_INFO,
                       " . [CSprite->Load('%s','%s')] Info: surface with alpha per pixel loaded, "
                       "it could slow down your graphics system.\n",
                       archive, name);

    s.sheet = sheet;
    s.animations = std::move(sprite.animations);
    s.frameWidth = sprite.frameWidth;
    s.frameHeight = sprite.frameHeight;
    s.x = (float)sprite.x;
    s.y = (float)sprite.y;
    s.animation = 0;
    s.animations[0].current = s.animations[0].first;
    std::snprintf(s.name, sizeof s.name, "%s", name);
    if (s.singleBuffered) s.background = MakeBackground(s.frameWidth, s.frameHeight);
    s.backup.Take(s.sheet);
    s.loaded = true;
    return (int)s.animations.size();
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
void CSprite::SetPosition(float x, float y) {
    s_->x = x;
    s_->y = y;
}

int CSprite::SetAnimation(int n) {
    State &s = *s_;
    if (!s.loaded || n < 0 || n >= (int)s.animations.size()) return 0;
    s.animation = n;
    s.animations[n].current = s.animations[n].first;
    s.lastChange = 0;
    s.direction = 1;
    return 1;
}

int CSprite::Draw(SDL_Surface *target) {
    State &s = *s_;
    if (!s.loaded) return 0;
    SDL_Surface *screen = qnl::Engine().screen();
    if (!target) target = screen;
    if (!target) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, "CSprite::Draw()",
                         "Quenlar.screen was not initialized.");
        return 0;
    }

    // The animation step: a frame shown longer than its duration gives way.
    qnl::SpriteAnimation &a = s.animations[s.animation];
    int result = 2;
    if (a.current != a.end) {
        const Uint32 now = QuenlarTicks(); // the clock the engine paces frames by
        if (s.lastChange == 0) s.lastChange = now;
        if ((Uint32)(now - s.lastChange) > a.durations[a.current]) {
            const int next = NextFrame(a, s.direction);
            s.lastChange = now;
            if (next != a.current) result = 1;
            a.current = (Uint16)next;
        }
    }

    SDL_Rect src = {(Sint16)(a.current * s.frameWidth), (Sint16)(s.animation * s.frameHeight),
                    (Uint16)s.frameWidth, (Uint16)s.frameHeight};
    const SDL_Rect dst = {qnl::ClampCoordinate(std::floor(s.x) - a.anchorX),
                          qnl::ClampCoordinate(std::floor(s.y) - a.anchorY), src.w, src.h};

    // On the screen the cursor is kept intact over everything this draw
    // changes: the frame and, on a single-buffered screen, the old place.
    std::optional<qnl::CursorGuard> guard;
    if (target == screen) {
        const bool erase = s.background && s.backgroundSaved;
        SDL_Rect changed = erase ? Union(dst, s.backgroundRect) : dst;
        guard.emplace(&changed);
        if (s.background) {
            if (erase) {
                SDL_Rect at = s.backgroundRect;
                SDL_BlitSurface(s.background, nullptr, screen, &at);
            }
            s.backgroundRect = dst;
            SDL_Rect from = dst;
            SDL_BlitSurface(screen, &from, s.background, nullptr);
            s.backgroundSaved = true;
        }
    }

    qnl::ApplyResourceLook(s.sheet, s.look);
    SDL_Rect at = dst;
    qnl::BlitWithRestore(s.sheet, &src, target, &at, &s.backup);
    return result;
}

// ---------------------------------------------------------------------------
// Surface, alpha and colour key
// ---------------------------------------------------------------------------
SDL_Surface *CSprite::GetSurface() {
    return s_->loaded ? s_->sheet : nullptr;
}

namespace {
// Converts `sheet` again after a change that makes it slow to draw.
SDL_Surface *ConvertAgain(SDL_Surface *sheet, qnl::ResourceLook &look, qnl::PixelBackup &backup) {
    sheet = qnl::ConvertToDisplayFormat(sheet, false);
    qnl::UploadTexture(sheet);
    if (look.colorkey != qnl::kNoColorKey) look.colorkey = sheet->format->colorkey;
    backup.Take(sheet);
    return sheet;
}
} // namespace

void CSprite::SetColorKey(Sint32 key) {
    State &s = *s_;
    if (!s.loaded || s.look.perPixelAlpha || (Uint32)key == s.look.colorkey) return;
    s.look.colorkey = (Uint32)key;
    qnl::ApplyResourceLook(s.sheet, s.look);
    if (!qnl::Engine().screen() || !qnl::Engine().openGL()) return;
    s.sheet = ConvertAgain(s.sheet, s.look, s.backup);
    ILogSystem.Msg(LOG_WARNING,
                   " . [CSprite::SetColorKey(%d)] Warning: on-the-fly surface conversion. It may "
                   "affect to the performance.\n",
                   key);
}

void CSprite::SetAlpha(int alpha) {
    State &s = *s_;
    if (!s.loaded || s.look.perPixelAlpha || alpha < 0 || alpha > 255 || alpha == s.look.alpha)
        return;
    const bool crosses = (s.look.alpha == 255) != (alpha == 255);
    s.look.alpha = (Uint8)alpha;
    qnl::ApplyResourceLook(s.sheet, s.look);
    const SDL_Surface *screen = qnl::Engine().screen();
    if (!crosses || !screen || !(screen->flags & SDL_HWSURFACE) || qnl::Engine().openGL()) return;
    s.sheet = ConvertAgain(s.sheet, s.look, s.backup);
    ILogSystem.Msg(LOG_WARNING,
                   " . [CSprite::SetAlpha(%d)] Warning: on-the-fly surface conversion. It may "
                   "affect to the performance.\n",
                   alpha);
}
