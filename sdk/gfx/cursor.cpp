// ICursor: the cursor table, the save-under and the drawing.
//
// Index
//   Life ............... Init, Quit
//   Cursor table ....... Create, Load, Delete, Select
//   Position ........... clamping, interpolation, hot spots
//   Save-under ......... SetBackgroundSave, RestoreBackground, SaveBackground, Refresh
//   Drawing ............ SetPrevPosition, Draw
#include <quenlar/gfx/cursor.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/image.h>
#include <quenlar/gfx/imageblock.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/surface.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

QCursor *ICursor = nullptr;

namespace {
// Messages print addresses in full, also on 64-bit.
unsigned long Address(const void *p) {
    return (unsigned long)(uintptr_t)p;
}

bool HasAlphaPerPixel(const SDL_Surface *s) {
    return (s->flags & SDL_SRCALPHA) && s->format->Amask && s->format->alpha == 255;
}
bool HasColorKey(const SDL_Surface *s) {
    return (s->flags & SDL_SRCCOLORKEY) && s->format->colorkey != qnl::kNoColorKey;
}
} // namespace

QCursor::QCursor() {
    ILogSystem.Msg(LOG_INFO, " . [ICursor] Interfaz created.\n");
}

QCursor::~QCursor() {
    Quit();
    ILogSystem.Msg(LOG_INFO, " . [ICursor] Interfaz deleted.\n");
}

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------
void QCursor::Init() {
    SDL_Surface *screen = qnl::Engine().screen();
    if (!screen) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, "ICursor->Init()",
                         "Quenlar.screen was not initialized.");
        return;
    }
    SDL_ShowCursor(0);
    maxX_ = screen->w;
    maxY_ = screen->h;
    SDL_WarpMouse((Uint16)(screen->w / 2), (Uint16)(screen->h / 2));
    saveUnder_ = !(screen->flags & SDL_DOUBLEBUF) && !qnl::Engine().openGL();
    initialised_ = true;
}

void QCursor::Quit() {
    // The cursor comes off the screen before the system cursor is shown: a
    // system cursor drawn by SDL in software would keep it as background.
    for (int slot = 0; slot < kSlots; ++slot)
        Delete(slot);
    SDL_ShowCursor(1);
    initialised_ = false;
}

// ---------------------------------------------------------------------------
// Cursor table
// ---------------------------------------------------------------------------
namespace {
// A copy of `source` in its own format with its key and alpha values; an
// image without alpha per pixel and without key takes its top-left pixel
// as key. Then in the screen's format when that differs. Null on failure.
SDL_Surface *CopyImage(SDL_Surface *source) {
    const Uint32 keep = source->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA);
    SDL_Surface *copy = SDL_ConvertSurface(source, source->format, SDL_SWSURFACE | keep);
    if (!copy) return nullptr;
    // The conversion maps the key through RGB and drops a per-pixel
    // surface's alpha value: the values are the source's.
    copy->format->colorkey = source->format->colorkey;
    copy->format->alpha = source->format->alpha;
    const bool perPixelAlpha = HasAlphaPerPixel(source);
    // A software copy without RLE: its pixels are readable without a lock.
    if (!perPixelAlpha && !HasColorKey(source) && copy->w > 0 && copy->h > 0)
        SDL_SetColorKey(copy, SDL_SRCCOLORKEY, qnl::ReadRawPixel(copy, 0, 0));
    if (!qnl::NeedsDisplayFormat(copy)) return copy;
    // The conversion carries the key over as the converted key pixel.
    return qnl::ConvertToDisplayFormat(copy, perPixelAlpha);
}

// The save-under of `image`: its size in the screen's format, without key
// or alpha so that it copies exactly, filled with pure red until used.
SDL_Surface *MakeSaveSurface(const SDL_Surface *image) {
    const SDL_Surface *screen = qnl::Engine().screen();
    const SDL_PixelFormat *f = screen ? screen->format : image->format;
    SDL_Surface *save = SDL_CreateRGBSurface(SDL_SWSURFACE, image->w, image->h, f->BitsPerPixel,
                                             f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (!save) return nullptr;
    if (f->palette && save->format->palette)
        SDL_SetColors(save, f->palette->colors, 0, f->palette->ncolors);
    SDL_SetAlpha(save, 0, 255);
    SDL_FillRect(save, nullptr, SDL_MapRGB(save->format, 255, 0, 0));
    return save;
}
} // namespace

Uint8 QCursor::Create(SDL_Surface *surface, int mode) {
    if (!initialised_) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR,
                         qnl::Format("ICursor->Create(0x%lx,%d)", Address(surface), mode),
                         "ICursor was not initialized.");
        return kNone;
    }
    if (!surface) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument, "no cursor image was given.");
        return kNone;
    }
    mode = std::min(std::max(mode, 0), 4);
    int slot = 0;
    while (slot < kSlots && slots_[slot].image)
        ++slot;
    if (slot == kSlots) {
        qnl::SetError(qnl::ErrorCode::kTableFull, "the %d cursor slots are in use.", kSlots);
        return kNone;
    }

    SDL_Surface *image = CopyImage(surface);
    SDL_Surface *save = nullptr;
    if (image && !qnl::Engine().openGL()) save = MakeSaveSurface(image);
    if (!image || (!save && !qnl::Engine().openGL())) {
        qnl::SetError(qnl::ErrorCode::kNoMemory, "%s", SDL_GetError());
        SDL_FreeSurface(image);
        return kNone;
    }
    qnl::UploadTexture(image);

    Slot &s = slots_[slot];
    s.image = image;
    s.save = save;
    s.backup.Take(image);
    s.mode = mode;
    ILogSystem.Msg(LOG_INFO, " . [ICursor->Create(0x%lx,%d)] Info: cursor created.\n",
                   Address(surface), mode);
    return (Uint8)slot;
}

Uint8 QCursor::Load(const char *path, const char *name, int mode) {
    if (!initialised_) {
        qnl::ReportError(
            qnl::ErrorCode::kNotInitialized, LOG_ERROR,
            qnl::Format("ICursor->Load('%s','%s',%d)", path ? path : "", name ? name : "", mode),
            "ICursor was not initialized.");
        return kNone;
    }
    if (!path || !name || !IImage) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument, "no package or cursor name was given.");
        return kNone;
    }
    // The image keeps its stored format: Create converts the copy it makes.
    const bool conversion = qnl::ImageConversion();
    qnl::SetImageConversion(false);
    SDL_Surface *surface = IImage->Load(path, name); // logs and records why it cannot
    qnl::SetImageConversion(conversion);
    if (!surface) return kNone;
    const Uint8 slot = Create(surface, mode);
    SDL_FreeSurface(surface);
    return slot;
}

void QCursor::Delete(int slot) {
    if (slot < 0 || slot >= kSlots || !slots_[slot].image) return;
    if (slot == current_) {
        // Take it off the screen: nothing would draw over it again.
        RestoreBackground(nullptr);
        current_ = kNone;
        backgroundSaved_ = false;
    }
    Slot &s = slots_[slot];
    SDL_FreeSurface(s.image);
    SDL_FreeSurface(s.save);
    s = Slot();
    ILogSystem.Msg(LOG_INFO, " . [ICursor->Delete(%d)] Info: cursor deleted.\n", slot);
}

void QCursor::Select(int slot) {
    if (!initialised_ || slot < 0 || slot >= kSlots || !slots_[slot].image || slot == current_)
        return;
    RestoreBackground(nullptr);
    current_ = (Uint8)slot;
    UpdatePosition();
    // The save surface is the new cursor's, and it is drawn at the next flip
    // wherever the pointer is.
    moved_ = false;
    backgroundSaved_ = false;
    SaveBackground();
    mustDraw_ = true;
}

// ---------------------------------------------------------------------------
// Position
// ---------------------------------------------------------------------------
namespace {
// The top-left corner of a w x h cursor whose hot spot is at (x, y).
SDL_Rect Place(float x, float y, const SDL_Surface *image, int mode) {
    const int w = image->w, h = image->h;
    int left = (int)std::floor(x), top = (int)std::floor(y);
    if (mode == 1 || mode == 3) left -= w;
    if (mode == 2 || mode == 3) top -= h;
    if (mode == 4) left -= w / 2, top -= h / 2;
    return SDL_Rect{(Sint16)left, (Sint16)top, (Uint16)w, (Uint16)h};
}
} // namespace

bool QCursor::UpdatePosition() {
    prevDrawnX_ = drawnX_;
    prevDrawnY_ = drawnY_;
    // The clamped position is the engine's too.
    const qnl::EngineLink &engine = qnl::Engine();
    *engine.mousex = std::min(std::max(*engine.mousex, 0), maxX_);
    *engine.mousey = std::min(std::max(*engine.mousey, 0), maxY_);
    x_ = (float)*engine.mousex;
    y_ = (float)*engine.mousey;
    if (interpolate_) {
        // h of the way from the previous logic step's position to this one's.
        // The previous position is clamped too: a pointer set beyond the
        // range would otherwise pull the cursor past it.
        const float accumulator = engine.frameAccumulator();
        const float h = accumulator - std::floor(accumulator);
        const float prevX = std::min(std::max(prevX_, 0.0f), (float)maxX_);
        const float prevY = std::min(std::max(prevY_, 0.0f), (float)maxY_);
        drawnX_ = x_ * h + prevX * (1 - h);
        drawnY_ = y_ * h + prevY * (1 - h);
    } else {
        drawnX_ = x_;
        drawnY_ = y_;
    }
    const Slot &s = Current();
    rect_ = Place(drawnX_, drawnY_, s.image, s.mode);
    prevRect_ = Place(prevDrawnX_, prevDrawnY_, s.image, s.mode);
    if (std::floor(drawnX_) == std::floor(prevDrawnX_) &&
        std::floor(drawnY_) == std::floor(prevDrawnY_))
        return moved_;
    moved_ = true;
    return true;
}

// ---------------------------------------------------------------------------
// Save-under
// ---------------------------------------------------------------------------
void QCursor::SetBackgroundSave(int on) {
    const bool want = on && !qnl::Engine().openGL();
    // A save-under turned on holds nothing yet: Draw takes it first.
    if (want && !saveUnder_) backgroundSaved_ = false;
    saveUnder_ = want;
}

bool QCursor::SaveUnder() const {
    return saveUnder_ && !qnl::Engine().openGL();
}

namespace {
// Overlap with the edges counted in: touching rectangles overlap.
bool Overlaps(const SDL_Rect &a, const SDL_Rect &b) {
    return a.x <= b.x + b.w && b.x <= a.x + a.w && a.y <= b.y + b.h && b.y <= a.y + a.h;
}
} // namespace

int QCursor::RestoreBackground(SDL_Rect *rect) {
    if (!initialised_ || !Selected() || !SaveUnder()) return 0;
    SDL_Rect area = rect_;
    if (moved_) {
        moved_ = false;
        area = prevRect_;
    }
    SDL_Surface *screen = qnl::Engine().screen();
    if (!backgroundSaved_ || !screen || !Current().save) return 0;
    if (rect && !Overlaps(*rect, area)) return 0;
    SDL_BlitSurface(Current().save, nullptr, screen, &area);
    mustDraw_ = true;
    return 1;
}

void QCursor::SaveBackground() {
    if (!initialised_ || !Selected() || !SaveUnder()) return;
    SDL_Surface *screen = qnl::Engine().screen();
    if (!screen || !Current().save) return;
    SDL_Rect area = rect_;
    SDL_BlitSurface(screen, &area, Current().save, nullptr);
    backgroundSaved_ = true;
}

void QCursor::Refresh() {
    if (!initialised_ || !Selected()) return;
    backgroundSaved_ = false;
    SaveBackground();
    mustDraw_ = true; // the redrawn screen covered it
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
void QCursor::SetPrevPosition(Sint32 x, Sint32 y) {
    prevX_ = (float)x;
    prevY_ = (float)y;
}

void QCursor::Draw() {
    SDL_Surface *screen = qnl::Engine().screen();
    if (!initialised_ || !Selected() || !screen) return;
    if (UpdatePosition()) {
        RestoreBackground(nullptr); // at the previous rectangle
        SaveBackground();
        mustDraw_ = true;
    }
    // With the save-under, the cursor on the screen is still right.
    const bool saveUnder = SaveUnder();
    if (!mustDraw_ && saveUnder) return;
    if (saveUnder && !backgroundSaved_) SaveBackground();

    Slot &s = Current();
    SDL_Rect at = rect_;
    bool restored = false;
    qnl::BlitWithRestore(s.image, nullptr, screen, &at, &s.backup, &restored);
    // Video memory was lost: the saved background went with it.
    if (restored) backgroundSaved_ = false;
    mustDraw_ = false;
}
