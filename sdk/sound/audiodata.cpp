#include <quenlar/sound/audiodata_private.h>

#include <SDL_mixer.h>
#include <climits>
#include <cstring>

namespace qnl {

bool IsOggPayload(const void *data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "OggS", 4) == 0;
}

bool MixerReadsSound(const void *data, size_t size) {
    if (!data || size == 0 || size > INT_MAX) {
        SDL_SetError("no sound data");
        return false;
    }
    SDL_RWops *stream = SDL_RWFromConstMem(data, (int)size);
    Mix_Chunk *chunk = stream ? Mix_LoadWAV_RW(stream, 1) : nullptr; // frees the stream
    if (!chunk) return false;
    Mix_FreeChunk(chunk);
    return true;
}

bool MixerReadsMusic(const void *data, size_t size) {
    if (!data || size == 0 || size > INT_MAX) {
        SDL_SetError("no music data");
        return false;
    }
    SDL_RWops *stream = SDL_RWFromConstMem(data, (int)size);
    if (!stream) return false;
    Mix_Music *music = Mix_LoadMUS_RW(stream); // reads from the stream while it lives
    if (music) Mix_FreeMusic(music);
    SDL_FreeRW(stream);
    return music != nullptr;
}

void QuitMixer() {
    Mix_SetSoundFonts(nullptr);
    Mix_Quit();
}

} // namespace qnl
