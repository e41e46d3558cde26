#include <quenlar/gfx/cursor.h>

#include <quenlar/core/log.h>

QCursor *ICursor = nullptr;

QCursor::QCursor() {
    ILogSystem.Msg(5, " . [ICursor] Interfaz created.\n");
}

QCursor::~QCursor() {
    ILogSystem.Msg(5, " . [ICursor] Interfaz deleted.\n");
}

// No cursor image can be selected, so no background is ever saved: the
// protection calls have nothing to put back or take again.
int QCursor::RestoreBackground(SDL_Rect *) {
    return 0;
}

void QCursor::SaveBackground() {}

void QCursor::SetPrevPosition(Sint32, Sint32) {}

void QCursor::Draw() {}
