// ICursor: the software mouse cursor.
//
// Every drawing operation on the screen protects the cursor through
// qnl::CursorGuard (gfx/blit.h): RestoreBackground with its destination
// rectangle before drawing, SaveBackground afterwards when that returned 1.
// Quenlar.Update hands the previous pointer position over once per logic
// step and calls Draw before each flip. No cursor image can be selected, so
// nothing is drawn and no background is saved: these calls do nothing.
#ifndef QUENLAR_GFX_CURSOR_H
#define QUENLAR_GFX_CURSOR_H

#include <SDL.h>

class QCursor {
public:
    QCursor();
    ~QCursor();
    QCursor(const QCursor &) = delete;
    QCursor &operator=(const QCursor &) = delete;

    // Puts the screen area under the cursor back when `rect` (null: any
    // place) overlaps it. 1 when it did; the caller then calls SaveBackground.
    int RestoreBackground(SDL_Rect *rect);
    // Takes the screen area under the cursor again after a drawing.
    void SaveBackground();
    // The pointer position of the previous logic step, in screen pixels.
    void SetPrevPosition(Sint32 x, Sint32 y);
    // Draws the cursor; called before every flip.
    void Draw();
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QCursor *ICursor;

#endif
