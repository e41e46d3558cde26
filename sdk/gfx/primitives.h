// IPrimitives: pixels, lines, rectangles and surface locking.
#ifndef QUENLAR_GFX_PRIMITIVES_H
#define QUENLAR_GFX_PRIMITIVES_H

class QPrimitives {
public:
    QPrimitives();
    ~QPrimitives();
    QPrimitives(const QPrimitives &) = delete;
    QPrimitives &operator=(const QPrimitives &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QPrimitives *IPrimitives;

#endif
