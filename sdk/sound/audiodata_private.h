// Sound and music payloads as the SDK takes them: their block types, the
// one thing ISoundFX looks at in a music's bytes, and whether the mixer
// decodes a payload. Shared by ISoundFX and the package tools, so a tool
// refuses exactly what the loaders would fail on. SDK-internal.
#ifndef QUENLAR_SOUND_AUDIODATA_PRIVATE_H
#define QUENLAR_SOUND_AUDIODATA_PRIVATE_H

#include <cstddef>

namespace qnl {

constexpr char kSoundBlockType[] = "SND";
constexpr char kMusicBlockType[] = "MUS";

// An Ogg Vorbis music (it begins with "OggS") is decoded when loaded; any
// other music is kept as bytes and decoded when played.
bool IsOggPayload(const void *data, size_t size);

// Whether the mixer, which must be open, decodes `size` bytes as a sound
// (what Mix_LoadWAV_RW reads) or as a music (what Mix_LoadMUS_RW reads).
// On false, SDL_GetError() says why.
bool MixerReadsSound(const void *data, size_t size);
bool MixerReadsMusic(const void *data, size_t size);

// Mix_Quit, safe to follow by another Mix_OpenAudio in the same process:
// SDL_mixer 1.2 frees its soundfont path at Mix_Quit without forgetting it,
// and the next open would read the freed text.
void QuitMixer();

} // namespace qnl

#endif
