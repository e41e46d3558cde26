// cSimpleWin: the base of the overlay windows the engine draws above the
// application (the console and the debug window).
//
// A window is a rectangle with a background (a plain colour, or a picture
// scaled to the window), a translucency of 64 to 255, the built-in font,
// and a one-second fade in and out. It starts disabled and hidden;
// Validate enables it once it has a screen, a size of at least 150x100, a
// background and a font. While disabled, every operation but Validate,
// GetRect, GetAlpha, GetColor, IsEnabled and Disable does nothing (and
// returns 0). Fades run on the engine's clock (QuenlarTicks) as
// Quenlar.Update calls Animate once per logic step.
//
// Main thread only.
#ifndef QUENLAR_TOOLS_SIMPLEWIN_H
#define QUENLAR_TOOLS_SIMPLEWIN_H

#include <SDL.h>
#include <atomic>
#include <memory>
#include <string>

class CFont;

class cSimpleWin {
public:
    // Fade states (GetFadeState).
    enum : Uint8 { kHidden = 0, kShown = 1, kFadingIn = 33, kFadingOut = 223 };
    // Feature bits (SetFeatures).
    enum : Uint8 {
        kNoToggle = 1, // the back-quote key does not show or hide the console
        kNoInput = 2,  // the console neither reads nor draws its input line
        kInstant = 4,  // Show switches at once, without fading
    };
    static constexpr int kMinWidth = 150, kMinHeight = 100;
    static constexpr Uint32 kFadeMs = 1000;

    // 150x100 at (0, 0), alpha 128, no background, the built-in font when
    // the engine runs (IImage exists).
    cSimpleWin();
    virtual ~cSimpleWin();
    cSimpleWin(const cSimpleWin &) = delete;
    cSimpleWin &operator=(const cSimpleWin &) = delete;

    // ---- Overridden by the windows -------------------------------------------
    // Advances the fade, once per logic step; true while the window is
    // enabled and not hidden.
    virtual bool Animate();
    // Enables the window when it can be shown; otherwise logs the first
    // thing missing (level 2). 1 when enabled.
    virtual int Validate();
    // Draws the window onto the screen.
    virtual void Draw() = 0;
    // Recomputes what depends on position and size (after Move, Resize).
    virtual void Relayout() {}

    // ---- Showing, placing, colouring ----------------------------------------
    void Show(int flag); // 1 or more shows, 0 or less hides
    // A negative coordinate keeps the current one; the window stays on screen.
    void Move(int x, int y);
    // A width below 150 or a height below 100 keeps the current one; the
    // window is cut to the screen's right and bottom edges.
    void Resize(int width, int height);
    // A plain background of `pixel` (the screen's format). 0 on failure.
    int SetColor(Uint32 pixel);
    int SetColorRGB(int red, int green, int blue);
    // A background scaled (smoothly) from a copy of `image`, again after
    // every resize; the caller keeps `image`. 0 on failure.
    int SetImage(SDL_Surface *image);
    void SetAlpha(int alpha); // raised to 64 when below
    int GetAlpha() const;
    // x, y, width, height: the four 16-bit values of an SDL_Rect.
    SDL_Rect GetRect() const;
    // The background colour, through red, green and blue, in the screen's format.
    Uint32 GetColor() const;
    int IsEnabled() const;
    void Disable();

    Uint8 GetFadeState() const { return fade_; }
    Uint8 GetFeatures() const { return features_; }
    void SetFeatures(Uint8 features) { features_ = features; }
    const std::string &GetTitle() const { return title_; }
    // The window's font (the built-in one), or null when it could not be made.
    CFont *GetFont() const { return font_.get(); }

protected:
    // Sets the background's and the font's alpha; -1 means the stored alpha.
    void ApplyAlpha(int alpha);
    // Draws the background at the window's place; false when there is
    // nothing to draw (disabled, hidden, no screen or no background).
    bool DrawBackground();

    Sint16 x_ = 0, y_ = 0;
    Uint16 width_ = kMinWidth, height_ = kMinHeight;
    Uint8 fade_ = kHidden;
    Uint32 color_ = 0;                  // the screen's pixel format
    SDL_Surface *background_ = nullptr; // owned; in the display format
    SDL_Surface *image_ = nullptr;      // owned; what background_ is scaled from, or null
    Uint8 alpha_ = 128;
    std::unique_ptr<CFont> font_;
    // Read by the console's Print, which the log may call from any thread.
    std::atomic<bool> enabled_{false};
    std::string title_;
    Uint32 fadeStart_ = 0; // QuenlarTicks() at the running fade's first step
    bool fading_ = false;  // fadeStart_ is set
    Uint8 features_ = 0;

private:
    void LoadBuiltinFont();
    void ReplaceBackground(SDL_Surface *background, SDL_Surface *image);
};

#endif
