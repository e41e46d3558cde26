// ISoundFX: sound effects and music over SDL_mixer.
//
// Sounds come from "SND" blocks and musics from "MUS" blocks of a package;
// each payload is a whole audio file as the mixer reads it (sounds: WAVE,
// AIFF, VOC, Ogg Vorbis; musics: Ogg Vorbis, the mixer's module formats and
// what else its music loader knows). A sound or music id is its index in a
// fixed table (sounds 0..255, musics 0..31); -1 means none or failure.
//
// Index
//   The device ............. Init, Quit, Disable, IsInit, started
//   Loading ................ SoundLoad, MusicLoad (by package handle or path)
//   Playing ................ SoundPlay, MusicPlay, IsPlaying
//   Freeing ................ SoundFree, MusicFree; the destructor frees the
//                            rest and warns about it
//
// While audio is not started every operation does nothing: loads return -1,
// MusicPlay -1, IsPlaying 0. A music whose payload is Ogg Vorbis ("OggS") is
// decoded when loaded; any other is kept as bytes and decoded when played,
// and at most one of those is decoded at any time. Everything runs on the
// main thread; the mixer mixes on SDL's audio thread with its own locking.
#ifndef QUENLAR_SOUND_SOUNDFX_H
#define QUENLAR_SOUND_SOUNDFX_H

#include <SDL.h>

#include <memory>

class QSoundFX {
public:
    static const int kMaxSounds = 256;
    static const int kMaxMusics = 32;

    QSoundFX();
    // Frees every sound and music still loaded (with a warning naming how
    // many) and closes the device.
    ~QSoundFX();
    QSoundFX(const QSoundFX &) = delete;
    QSoundFX &operator=(const QSoundFX &) = delete;

    // 1 while audio is started (Init succeeded, no Quit or Disable since).
    // Quenlar.Init clears it; the application starts audio itself.
    int started = 0;

    // ---- The device --------------------------------------------------------------
    // Opens the mixer: samples per second, SDL sample format (AUDIO_S16LSB =
    // 0x8010), channels, samples per mixing chunk. False, audio still off,
    // when the device cannot be opened (SDL_GetError says why).
    bool Init(int frequency, Uint16 format, int channels, int chunkSize);
    // Closes the device if audio is started.
    void Quit();
    // Turns audio off without touching the device (after a failed Init).
    void Disable();
    bool IsInit() const { return started != 0; }

    // ---- Loading: the id, or -1 --------------------------------------------------
    // The "SND" block `name` of the open package `dpf`. The chunk's volume
    // is the engine's sound volume.
    int SoundLoad(int dpf, const char *name);
    // The same from the package file at `path`, opened and closed again.
    int SoundLoad(const char *path, const char *name);
    // The "MUS" block `name` of the open package `dpf`.
    int MusicLoad(int dpf, const char *name);
    int MusicLoad(const char *path, const char *name);

    // ---- Playing -------------------------------------------------------------------
    // Plays a sound on a mixer channel (-1: the first free one), `loops`
    // more times after the first (-1: forever). Nothing for an empty id.
    void SoundPlay(int channel, int sound, int loops);
    // Plays a music `loops` times (0 and 1: once; -1: forever), decoding a
    // deferred one first. 0, or -1 when audio is off, the id is empty or
    // the mixer fails (a payload it cannot decode fails here).
    int MusicPlay(int music, int loops);
    // Whether a channel is playing (-1: how many are), 0 while audio is off.
    // A caller waiting for a sound to end polls this.
    int IsPlaying(int channel);

    // ---- Freeing (ignored for empty or out-of-range ids, and while audio is off)
    void SoundFree(int sound);
    void MusicFree(int music);

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QSoundFX *ISoundFX;

#endif
