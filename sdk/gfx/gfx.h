// Graphics: images, cursors, primitives, screen effects and video, with the
// surface and blit helpers the resources share.
#ifndef QUENLAR_GFX_GFX_H
#define QUENLAR_GFX_GFX_H

#include "gfx/image.h"
#include "gfx/cursor.h"
#include "gfx/primitives.h"
#include "gfx/screenfx.h"
#include "gfx/video.h"
#include "gfx/surface.h"
#include "gfx/blit.h"

#endif
