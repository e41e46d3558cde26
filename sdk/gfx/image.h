// IImage: images from package blocks and PNG data.
//
// Loaded surfaces belong to the caller, who frees them with SDL_FreeSurface.
// While the image conversion switch is on (gfx/surface.h) they are converted
// to the screen's format when that pays, and uploaded as textures under the
// OpenGL renderer. A surface without colour key carries -1 (0xFFFFFFFF) as
// its recorded key.
#ifndef QUENLAR_GFX_IMAGE_H
#define QUENLAR_GFX_IMAGE_H

#include <SDL.h>

// What IImage->Load loaded, filled when the caller passes one.
struct ImageDesc {
    Sint32 width;
    Sint32 height;
    Sint32 bpp;      // stored bits per pixel: 8, 16, 24 or 32
    Sint32 alpha;    // stored per-surface alpha, 255 opaque
    Sint32 colorkey; // stored colour key, -1 for none
    char name[32];   // the image name as given, cut to 31 characters
};

class QImage {
public:
    QImage();
    ~QImage();
    QImage(const QImage &) = delete;
    QImage &operator=(const QImage &) = delete;

    // The "IMG" block `name` of the package at `path` (opened and closed
    // again), or null. `desc` may be null.
    SDL_Surface *Load(const char *path, const char *name, ImageDesc *desc = nullptr);
    // The same from a package already open under `handle`.
    SDL_Surface *Load(int handle, const char *name, ImageDesc *desc = nullptr);
    // Decodes `size` bytes of PNG data, or null.
    SDL_Surface *LoadPNG(const void *data, int size);
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QImage *IImage;

#endif
