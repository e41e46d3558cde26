// QuenlarConfig: the settings record shared by the engine object and by the
// launcher's copy of a game's settings. Field names are the XML keys of the
// setup configuration file.
#ifndef QUENLAR_CORE_CONFIG_H
#define QUENLAR_CORE_CONFIG_H

#include <SDL.h>

// Audio sample formats understood by the configuration record.
enum {
    QUENLAR_AUDIO_S8 = 0x8008,  // signed 8-bit
    QUENLAR_AUDIO_S16 = 0x8010, // signed 16-bit little-endian
};

struct QuenlarConfig {
    const char *title = "Quenlar SDK Application"; // window caption (not owned)
    SDL_Surface *icon = nullptr;                    // window icon; freed by Quenlar.Quit
    Sint8 mtfriendly = 0;  // ms slept at the end of every Quenlar.Update; 0 = none
    Uint8 renderer = 1;    // 1 default, 2 windib, 4 DirectX, 8 X11, 16 FBCon, 64 OpenGL, 128 Quartz
    Uint8 accel = 1;       // 1 software, 2 hardware smooth, 3 hardware speed
    Uint8 window = 1;      // 0 full screen, 1 window, 2 window without frame
    Uint8 colordepth = 0;  // bits per pixel; 0 = the desktop's depth
    Uint16 resolutionx = 640;
    Uint16 resolutiony = 480;
    Uint8 enable = 0;                   // audio on (1) or off (0)
    Sint32 format = QUENLAR_AUDIO_S8;   // SDL audio sample format, or the bare size 8 or 16
    Sint32 frequency = 11025;           // samples per second
    Sint32 mode = 1;                    // channels: 1 mono, 2 stereo, 4 surround
    Sint32 buffer = 4096;               // audio buffer in bytes
    Uint8 musicvol = 128;               // 0..255
    Uint8 soundvol = 128;               // 0..255
};

#endif
