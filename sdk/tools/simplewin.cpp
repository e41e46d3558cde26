// cSimpleWin
//
// Index
//   Life ........... construction, the built-in font, destruction
//   Validate, Animate (the fades), Show
//   Place .......... Move, Resize
//   Background ..... SetColor, SetColorRGB, SetImage, alpha, drawing
#include <quenlar/tools/simplewin.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/font.h>
#include <quenlar/gfx/image.h>
#include <quenlar/gfx/screenfx.h>
#include <quenlar/gfx/surface.h>
#include <quenlar/tools/builtinfont_private.h>

#include <algorithm>

using qnl::ErrorCode;

namespace {
constexpr int kMinAlpha = 64;
const char kBuiltinFontName[] = "ZOLT builtin font";
constexpr Uint8 kBuiltinCaret = '_';

SDL_Surface *Screen() {
    return qnl::Engine().screen();
}

void RequestRefresh() {
    qnl::Engine().refresh(1);
}

// Validate's warnings, which leave the window disabled.
void Refuse(const char *reason) {
    ILogSystem.Msg(LOG_WARNING, " \xB7 [SimpleWin] Warning: %s\n", reason);
    qnl::SetError(ErrorCode::kInvalidArgument, "%s", reason);
}
} // namespace

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------
cSimpleWin::cSimpleWin() {
    LoadBuiltinFont();
}

cSimpleWin::~cSimpleWin() {
    ReplaceBackground(nullptr, nullptr);
}

// The font compiled into the SDK; absent when IImage does not exist (the
// engine has not started) or the picture cannot be made into a font.
void cSimpleWin::LoadBuiltinFont() {
    if (font_ || !IImage) return;
    // The picture keeps its 24 bits: a font cannot be made from an 8-bit
    // screen's format, and Create converts its own copy to the screen's.
    const bool conversion = qnl::ImageConversion();
    qnl::SetImageConversion(false);
    SDL_Surface *sheet = IImage->LoadPNG(qnl::kBuiltinFontPng, qnl::kBuiltinFontPngSize);
    qnl::SetImageConversion(conversion);
    if (!sheet) return;
    std::unique_ptr<CFont> font(new CFont);
    const bool made = font->Create(sheet) == 96; // CFont logs its own failures
    SDL_FreeSurface(sheet);
    if (!made) return;
    font->SetCursor(kBuiltinCaret);
    font->SetAlpha(alpha_);
    font->SetName(kBuiltinFontName);
    font_ = std::move(font);
}

// ---------------------------------------------------------------------------
// Validate, Animate, Show
// ---------------------------------------------------------------------------
int cSimpleWin::Validate() {
    if (!Screen()) return 0;
    if (width_ < kMinWidth || height_ < kMinHeight) {
        Refuse(qnl::Format("the window size is too small (%dx%d)", width_, height_).c_str());
        return 0;
    }
    if (!background_) {
        Refuse("a background image or color is needed for the window");
        return 0;
    }
    if (!font_) {
        Refuse("a font is needed for the window");
        return 0;
    }
    enabled_ = true;
    return 1;
}

bool cSimpleWin::Animate() {
    if (!enabled_ || fade_ == kHidden) return false;
    if (fade_ == kShown) return true;

    const Uint32 now = QuenlarTicks();
    if (!fading_) {
        fading_ = true;
        fadeStart_ = now;
    }
    const Uint32 t = now - fadeStart_;
    RequestRefresh();
    if (t <= kFadeMs) {
        const int part = (int)(t * alpha_ / kFadeMs);
        ApplyAlpha(fade_ == kFadingIn ? part : alpha_ - part);
        return true;
    }
    fading_ = false;
    fadeStart_ = 0;
    if (fade_ == kFadingIn) {
        fade_ = kShown;
        ApplyAlpha(-1);
        return true;
    }
    fade_ = kHidden;
    ApplyAlpha(0);
    return false;
}

void cSimpleWin::Show(int flag) {
    if (!enabled_) return;
    const bool show = flag >= 1;
    if (features_ & kInstant) {
        fading_ = false;
        fade_ = show ? kShown : kHidden;
        // A fade-out that ended left alpha 0 applied: showing at once must
        // put the window's alpha back, or it would stay invisible.
        if (show) ApplyAlpha(-1);
    } else {
        if (fade_ == kFadingIn || fade_ == kFadingOut) return;
        if (show == (fade_ == kShown)) return;
        fade_ = show ? kFadingIn : kFadingOut;
        if (show) ApplyAlpha(0);
    }
    RequestRefresh();
}

// ---------------------------------------------------------------------------
// Place
// ---------------------------------------------------------------------------
void cSimpleWin::Move(int x, int y) {
    SDL_Surface *screen = Screen();
    if (!enabled_ || !screen) return;
    if (x >= 0) x_ = (Sint16)std::min(x, screen->w - width_);
    if (y >= 0) y_ = (Sint16)std::min(y, screen->h - height_);
    Relayout();
    RequestRefresh();
}

void cSimpleWin::Resize(int width, int height) {
    SDL_Surface *screen = Screen();
    if (!enabled_ || !screen) return;
    int w = width_, h = height_;
    if (width >= kMinWidth) w = std::min(width, screen->w - x_);
    if (height >= kMinHeight) h = std::min(height, screen->h - y_);
    // A window placed off the screen's edge gets no size of 0 or less.
    if (w < 1) w = width_;
    if (h < 1) h = height_;
    if (w == width_ && h == height_) return;
    width_ = (Uint16)w;
    height_ = (Uint16)h;

    if (image_) {
        SDL_Surface *scaled = IScreenFX ? IScreenFX->Resize(image_, true, w, h) : nullptr;
        if (scaled) {
            ReplaceBackground(qnl::ConvertToDisplayFormat(scaled, false), image_);
            ApplyAlpha(-1);
        }
    } else {
        SetColor(color_);
    }
    Relayout();
    RequestRefresh();
}

// ---------------------------------------------------------------------------
// Background
// ---------------------------------------------------------------------------
// Takes `background` and `image` (owned), freeing the ones they replace.
void cSimpleWin::ReplaceBackground(SDL_Surface *background, SDL_Surface *image) {
    if (background_) SDL_FreeSurface(background_);
    if (image_ && image_ != image) SDL_FreeSurface(image_);
    background_ = background;
    image_ = image;
}

int cSimpleWin::SetColor(Uint32 pixel) {
    if (!enabled_) return 0;
    color_ = pixel;
    SDL_Surface *plain =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width_, height_, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (!plain) {
        qnl::SetError(ErrorCode::kNoMemory, "no %dx%d background: %s", width_, height_,
                      SDL_GetError());
        return 0;
    }
    plain = qnl::ConvertToDisplayFormat(plain, false);
    SDL_FillRect(plain, nullptr, pixel);
    ReplaceBackground(plain, nullptr);
    ApplyAlpha(-1);
    return 1;
}

int cSimpleWin::SetColorRGB(int red, int green, int blue) {
    SDL_Surface *screen = Screen();
    if (!enabled_ || !screen) return 0;
    return SetColor(SDL_MapRGB(screen->format, (Uint8)red, (Uint8)green, (Uint8)blue));
}

int cSimpleWin::SetImage(SDL_Surface *image) {
    if (!enabled_ || !image || !IScreenFX) return 0;
    SDL_Surface *copy =
        SDL_ConvertSurface(image, image->format, image->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA));
    if (!copy) {
        qnl::SetError(ErrorCode::kNoMemory, "no copy of the background image: %s", SDL_GetError());
        return 0;
    }
    SDL_Surface *scaled = IScreenFX->Resize(copy, true, width_, height_);
    if (!scaled) {
        SDL_FreeSurface(copy); // IScreenFX recorded why
        return 0;
    }
    ReplaceBackground(qnl::ConvertToDisplayFormat(scaled, false), copy);
    ApplyAlpha(-1);
    return 1;
}

void cSimpleWin::ApplyAlpha(int alpha) {
    if (alpha < 0) alpha = alpha_;
    if (background_) SDL_SetAlpha(background_, alpha == 255 ? 0 : SDL_SRCALPHA, (Uint8)alpha);
    if (font_) font_->SetAlpha(alpha);
}

void cSimpleWin::SetAlpha(int alpha) {
    if (!enabled_) return;
    alpha_ = (Uint8)std::min(std::max(alpha, kMinAlpha), 255);
    ApplyAlpha(-1);
}

int cSimpleWin::GetAlpha() const {
    return alpha_;
}

SDL_Rect cSimpleWin::GetRect() const {
    SDL_Rect rect = {x_, y_, width_, height_};
    return rect;
}

Uint32 cSimpleWin::GetColor() const {
    SDL_Surface *screen = Screen();
    if (!screen) return color_;
    Uint8 r, g, b;
    SDL_GetRGB(color_, screen->format, &r, &g, &b);
    return SDL_MapRGB(screen->format, r, g, b);
}

int cSimpleWin::IsEnabled() const {
    return enabled_ ? 1 : 0;
}

void cSimpleWin::Disable() {
    enabled_ = false;
}

bool cSimpleWin::DrawBackground() {
    SDL_Surface *screen = Screen();
    if (!enabled_ || fade_ == kHidden || !screen || !background_) return false;
    SDL_Rect place = GetRect(); // SDL writes the clipped rectangle back
    qnl::ScreenBlit(background_, nullptr, screen, &place);
    return true;
}
