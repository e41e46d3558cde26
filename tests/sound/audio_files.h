// Audio files the sound tests make themselves.
#ifndef QUENLAR_TESTS_SOUND_AUDIO_FILES_H
#define QUENLAR_TESTS_SOUND_AUDIO_FILES_H

#include <string>

namespace audio_files {

const int kRate = 44100;
const int kLevel = 8000;

// A RIFF WAVE file: 16-bit mono PCM at kRate, `frames` samples of a square
// wave of +-kLevel. No sample is 0, so every frame of it is audible.
std::string Wave(int frames);

// The same sound as Ogg Vorbis, made with Debian's oggenc (vorbis-tools,
// installed by scripts/install-deps.sh); empty if oggenc failed.
std::string OggVorbis(int frames);

// Bytes no decoder of the mixer takes.
std::string Garbage();

} // namespace audio_files

#endif
