// Sound and music.
#ifndef QUENLAR_SOUND_SOUND_H
#define QUENLAR_SOUND_SOUND_H

#include <quenlar/sound/soundfx.h>

#endif
