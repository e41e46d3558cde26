// Graphics: images, cursors, primitives, screen effects and video.
#ifndef QUENLAR_GFX_GFX_H
#define QUENLAR_GFX_GFX_H

#include "gfx/image.h"
#include "gfx/cursor.h"
#include "gfx/primitives.h"
#include "gfx/screenfx.h"
#include "gfx/video.h"

#endif
