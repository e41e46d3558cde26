// Graphics: images, sprites, tiles, cursors, primitives, screen effects and
// video, with the surface and blit helpers the resources share.
#ifndef QUENLAR_GFX_GFX_H
#define QUENLAR_GFX_GFX_H

#include <quenlar/gfx/image.h>
#include <quenlar/gfx/sprite.h>
#include <quenlar/gfx/tile.h>
#include <quenlar/gfx/cursor.h>
#include <quenlar/gfx/font.h>
#include <quenlar/gfx/primitives.h>
#include <quenlar/gfx/screenfx.h>
#include <quenlar/gfx/video.h>
#include <quenlar/gfx/surface.h>
#include <quenlar/gfx/blit.h>

#endif
