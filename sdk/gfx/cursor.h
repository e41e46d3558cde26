// ICursor: the software mouse cursor.
//
// Up to 32 cursor images, one of them current, drawn at the pointer with a
// hot spot (mode 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right,
// 4 centre) and interpolated between logic steps from the engine's frame
// accumulator. On a single-buffered screen the cursor keeps the screen area
// under it (the save-under) and is drawn only when it moved or was taken
// off; every drawing operation on the screen protects it through
// qnl::CursorGuard (gfx/blit.h): RestoreBackground with the rectangle it
// draws over, SaveBackground afterwards when that returned 1.
// Quenlar.Update hands over the previous pointer position once per logic
// step and calls Draw before each flip.
//
// Cursor handles are 0 to 31; 255 means none or failure.
#ifndef QUENLAR_GFX_CURSOR_H
#define QUENLAR_GFX_CURSOR_H

#include <quenlar/gfx/surface.h>

#include <SDL.h>
#include <array>

class QCursor {
public:
    static constexpr int kSlots = 32;
    static constexpr Uint8 kNone = 255;

    QCursor();
    ~QCursor();
    QCursor(const QCursor &) = delete;
    QCursor &operator=(const QCursor &) = delete;

    // After the video mode is set: hides the system cursor, clamps the
    // pointer to the screen, warps it to the centre and turns the save-under
    // on when the screen is single-buffered (never under OpenGL).
    void Init();
    // Shows the system cursor again and deletes every cursor.
    void Quit();

    // A cursor from a copy of `surface` (the caller keeps it), in the
    // screen's format; an image without alpha per pixel and colour key takes
    // its top-left pixel as key. The slot, or 255.
    Uint8 Create(SDL_Surface *surface, int mode);
    // A cursor from the "IMG" block `name` of the package at `path`, loaded
    // in its stored format. The slot, or 255.
    Uint8 Load(const char *path, const char *name, int mode);
    // Frees the cursor in `slot`; deleting the current one takes it off
    // the screen and leaves none selected.
    void Delete(int slot);
    // Makes `slot` the current cursor (nothing for the current or an empty
    // slot).
    void Select(int slot);
    // Turns the save-under on or off; it stays off under OpenGL.
    void SetBackgroundSave(int on);

    // Puts the screen area under the cursor back when `rect` (null: any
    // place) overlaps it (edges included). 1 when it did; the caller then
    // calls SaveBackground after its drawing.
    int RestoreBackground(SDL_Rect *rect);
    // Takes the screen area under the cursor again after a drawing.
    void SaveBackground();
    // Takes the background again after the application redrew the screen
    // behind the cursor; the cursor is drawn at the next flip.
    void Refresh();

    // The pointer position of the previous logic step, in screen pixels.
    void SetPrevPosition(Sint32 x, Sint32 y);
    // Draws the cursor; called before every flip.
    void Draw();

private:
    struct Slot {
        SDL_Surface *image = nullptr; // in the screen's format
        SDL_Surface *save = nullptr;  // the save-under; none under OpenGL
        qnl::PixelBackup backup;      // refills `image` when video memory is lost
        int mode = 0;
    };

    bool Selected() const { return current_ != kNone; }
    // The save-under is in use: on, and not under OpenGL (a mode set after
    // Init may have switched the renderer).
    bool SaveUnder() const;
    Slot &Current() { return slots_[current_]; }
    // Clamps and reads the pointer, interpolates and places both
    // rectangles; true when the cursor moved since the last restore.
    bool UpdatePosition();

    std::array<Slot, kSlots> slots_;
    Uint8 current_ = kNone;
    bool initialised_ = false;
    bool saveUnder_ = false;
    bool backgroundSaved_ = false; // the save surface holds the area under rect_
    bool mustDraw_ = false;
    bool moved_ = false;
    bool interpolate_ = true;
    // Pointer positions in screen pixels: current and previous pointer,
    // drawn (interpolated) and previously drawn.
    float x_ = 0, y_ = 0, prevX_ = 0, prevY_ = 0;
    float drawnX_ = 0, drawnY_ = 0, prevDrawnX_ = 0, prevDrawnY_ = 0;
    int maxX_ = 0, maxY_ = 0;          // the clamp range is 0..max, both included
    SDL_Rect rect_ = {0, 0, 0, 0};     // where the cursor is drawn
    SDL_Rect prevRect_ = {0, 0, 0, 0}; // where it was drawn before
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QCursor *ICursor;

#endif
