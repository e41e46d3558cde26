// IScreenFX: mirror, flip, resize, zoom and rotate surfaces.
#ifndef QUENLAR_GFX_SCREENFX_H
#define QUENLAR_GFX_SCREENFX_H

class QScreenFX {
public:
    QScreenFX();
    ~QScreenFX();
    QScreenFX(const QScreenFX &) = delete;
    QScreenFX &operator=(const QScreenFX &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QScreenFX *IScreenFX;

#endif
