// ICursor: the software mouse cursor.
#ifndef QUENLAR_GFX_CURSOR_H
#define QUENLAR_GFX_CURSOR_H

class QCursor {
public:
    QCursor();
    ~QCursor();
    QCursor(const QCursor &) = delete;
    QCursor &operator=(const QCursor &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QCursor *ICursor;

#endif
