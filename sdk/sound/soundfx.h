// ISoundFX: sound effects and music.
#ifndef QUENLAR_SOUND_SOUNDFX_H
#define QUENLAR_SOUND_SOUNDFX_H

class QSoundFX {
public:
    QSoundFX();
    ~QSoundFX();
    QSoundFX(const QSoundFX &) = delete;
    QSoundFX &operator=(const QSoundFX &) = delete;

    // 1 once the audio device is open; Quenlar.Init clears it, the
    // application starts audio itself.
    int started = 0;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QSoundFX *ISoundFX;

#endif
