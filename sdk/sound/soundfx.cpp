// ISoundFX over SDL_mixer.
//
// Index
//   Tables ........ the sound and music entries, registration, freeing
//   The device .... Init, Quit, Disable
//   Loading ....... SoundLoad, MusicLoad
//   Playing ....... SoundPlay, MusicPlay, IsPlaying
//   Shutdown ...... the destructor's report
#include <quenlar/sound/soundfx.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/sound/audiodata_private.h>

#include <SDL_mixer.h>
#include <cstring>

QSoundFX *ISoundFX = nullptr;

namespace {

enum MusicKind {
    kDecodedAtLoad = 0, // Ogg Vorbis: decoded by MusicLoad
    kDeferred = 1,      // decoded by MusicPlay, from the kept bytes
};

struct MusicEntry {
    bool inUse = false;
    int kind = kDecodedAtLoad;
    bool decoded = false;        // kDeferred: `music` exists
    Mix_Music *music = nullptr;  // reads from `stream` while it lives
    SDL_RWops *stream = nullptr; // over `payload`
    char *payload = nullptr;     // the block's bytes, new[]'d by IStuffDPF->LoadBlock
};

// The sound volume chunks get: the engine's setting (0..255; the mixer caps
// it at 128). The one fact this layer takes from the engine object.
int EngineSoundVolume() {
    return qnl::Engine().config->soundvol;
}

const char *ArchiveName(int dpf) {
    const char *name = IStuffDPF->GetName(dpf);
    return name ? name : "";
}

// The data of a block, new[]'d (the caller delete[]s it), or null when the
// block is absent or empty.
char *LoadPayload(int dpf, const char *type, const char *name, int *size) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    *size = IStuffDPF->LoadBlock(dpf, type, name, &block);
    if (*size > 0) return block.data;
    delete[] block.data;
    return nullptr;
}

// The path forms: open the package, load by handle, close it again.
template <class LoadFromHandle> int LoadFromPath(const char *path, LoadFromHandle load) {
    if (!IStuffDPF || !path) return -1;
    const int dpf = IStuffDPF->Open(path); // logs why it cannot
    if (dpf <= 0) return -1;
    const int id = load(dpf);
    IStuffDPF->Close(dpf);
    return id;
}

} // namespace

struct QSoundFX::State {
    Mix_Chunk *sounds[kMaxSounds] = {}; // owned; null for an empty entry
    MusicEntry musics[kMaxMusics];
    // Successful Mix_OpenAudio calls not closed yet: Disable, or a second
    // Init, leaves the device open, and the shutdown closes it all the same.
    int opens = 0;

    // The lowest empty entry's index, or -1 (and the table's warning).
    int FreeSound() const;
    int FreeMusic() const;
    // Decodes `payload` into the lowest free music entry, which then owns
    // it. The index, or -1 with the payload still the caller's.
    int RegisterMusic(char *payload, int size);
    void Release(MusicEntry &m);
    void Undecode(MusicEntry &m);
};

// ---------------------------------------------------------------------------
// Tables
// ---------------------------------------------------------------------------
int QSoundFX::State::FreeSound() const {
    for (int i = 0; i < kMaxSounds; ++i)
        if (!sounds[i]) return i;
    ILogSystem.Msg(2, " . [ISoundFX] Warning: reached maximum limit of sound objects opened(%d)\n",
                   kMaxSounds);
    return -1;
}

int QSoundFX::State::FreeMusic() const {
    for (int i = 0; i < kMaxMusics; ++i)
        if (!musics[i].inUse) return i;
    ILogSystem.Msg(2, " . [ISoundFX] Warning: reached maximum limit of music objects opened(%d)\n",
                   kMaxMusics);
    return -1;
}

int QSoundFX::State::RegisterMusic(char *payload, int size) {
    const int id = FreeMusic();
    if (id < 0) return -1;
    SDL_RWops *stream = SDL_RWFromConstMem(payload, size);
    if (!stream) return -1;
    MusicEntry &m = musics[id];
    if (qnl::IsOggPayload(payload, (size_t)size)) {
        m.music = Mix_LoadMUS_RW(stream);
        if (!m.music) {
            SDL_FreeRW(stream);
            return -1;
        }
        m.kind = kDecodedAtLoad;
    } else {
        m.kind = kDeferred;
    }
    m.inUse = true;
    m.decoded = false;
    m.stream = stream;
    m.payload = payload;
    return id;
}

// Frees a deferred music's decoded form; its bytes stay for the next play.
void QSoundFX::State::Undecode(MusicEntry &m) {
    if (m.music) Mix_FreeMusic(m.music);
    m.music = nullptr;
    m.decoded = false;
}

void QSoundFX::State::Release(MusicEntry &m) {
    if (m.music) Mix_FreeMusic(m.music); // before the stream it reads from
    if (m.stream) SDL_FreeRW(m.stream);
    delete[] m.payload;
    m = MusicEntry();
}

void QSoundFX::SoundFree(int sound) {
    if (!started || sound < 0 || sound >= kMaxSounds || !state_->sounds[sound]) return;
    Mix_FreeChunk(state_->sounds[sound]); // stops the channels playing it
    state_->sounds[sound] = nullptr;
}

void QSoundFX::MusicFree(int music) {
    if (!started || music < 0 || music >= kMaxMusics || !state_->musics[music].inUse) return;
    state_->Release(state_->musics[music]);
}

// ---------------------------------------------------------------------------
// The device
// ---------------------------------------------------------------------------
QSoundFX::QSoundFX() : state_(new State) {
    ILogSystem.Msg(5, " . [ISoundFX] Interfaz created.\n");
}

bool QSoundFX::Init(int frequency, Uint16 format, int channels, int chunkSize) {
    if (Mix_OpenAudio(frequency, format, channels, chunkSize) != 0) return false;
    ++state_->opens;
    started = 1;
    return true;
}

void QSoundFX::Quit() {
    if (!started) return;
    Mix_CloseAudio();
    if (state_->opens > 0) --state_->opens;
    started = 0;
}

void QSoundFX::Disable() {
    started = 0;
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
int QSoundFX::SoundLoad(const char *path, const char *name) {
    return LoadFromPath(path, [&](int dpf) { return SoundLoad(dpf, name); });
}

int QSoundFX::MusicLoad(const char *path, const char *name) {
    return LoadFromPath(path, [&](int dpf) { return MusicLoad(dpf, name); });
}

int QSoundFX::SoundLoad(int dpf, const char *name) {
    if (!started || dpf <= 0 || !IStuffDPF || !name) return -1;
    const char *archive = ArchiveName(dpf);
    int size = 0;
    char *payload = LoadPayload(dpf, qnl::kSoundBlockType, name, &size);
    if (!payload) {
        ILogSystem.Msg(0, " . [ISoundFX->SoundLoad('%s','%s')] Error: sound not found.\n", archive,
                       name);
        return -1;
    }
    SDL_RWops *stream = SDL_RWFromConstMem(payload, size);
    if (!stream) {
        ILogSystem.Msg(0,
                       " . [ISoundFX->SoundLoad('%s','%s')] Error: loading from RWops failed "
                       "(%s).\n",
                       archive, name, SDL_GetError());
        delete[] payload;
        return -1;
    }
    Mix_Chunk *chunk = Mix_LoadWAV_RW(stream, 1); // frees the stream
    delete[] payload;                             // the chunk holds its own samples
    if (!chunk) {
        ILogSystem.Msg(0, " . [ISoundFX->SoundLoad('%s','%s')] Error: sound format unknown.\n",
                       archive, name);
        return -1;
    }
    const int id = state_->FreeSound();
    if (id < 0) {
        Mix_FreeChunk(chunk);
        return -1;
    }
    Mix_VolumeChunk(chunk, EngineSoundVolume());
    state_->sounds[id] = chunk;
    return id;
}

int QSoundFX::MusicLoad(int dpf, const char *name) {
    if (!started || dpf <= 0 || !IStuffDPF || !name) return -1;
    const char *archive = ArchiveName(dpf);
    int size = 0;
    char *payload = LoadPayload(dpf, qnl::kMusicBlockType, name, &size);
    if (!payload) {
        ILogSystem.Msg(0, " . [ISoundFX->MusicLoad('%s','%s')] Error: music not found.\n", archive,
                       name);
        return -1;
    }
    const int id = state_->RegisterMusic(payload, size);
    if (id < 0) {
        delete[] payload;
        ILogSystem.Msg(0,
                       " . [ISoundFX->MusicLoad('%s','%s')] Error: music format unknown ('%s').\n",
                       archive, name, SDL_GetError());
    }
    return id;
}

// ---------------------------------------------------------------------------
// Playing
// ---------------------------------------------------------------------------
void QSoundFX::SoundPlay(int channel, int sound, int loops) {
    if (!started || sound < 0 || sound >= kMaxSounds || !state_->sounds[sound]) return;
    Mix_PlayChannelTimed(channel, state_->sounds[sound], loops, -1); // -1: no time limit
}

int QSoundFX::MusicPlay(int music, int loops) {
    if (!started || music < 0 || music >= kMaxMusics || !state_->musics[music].inUse) return -1;
    MusicEntry &m = state_->musics[music];
    if (m.kind == kDeferred) {
        // At most one deferred music is decoded at a time.
        for (MusicEntry &other : state_->musics)
            if (&other != &m && other.inUse && other.kind == kDeferred && other.decoded)
                state_->Undecode(other);
        if (!m.music) {
            SDL_RWseek(m.stream, 0, RW_SEEK_SET);
            m.music = Mix_LoadMUS_RW(m.stream);
            m.decoded = m.music != nullptr;
        }
    }
    return Mix_PlayMusic(m.music, loops); // -1 for a music the mixer could not decode
}

int QSoundFX::IsPlaying(int channel) {
    return started ? Mix_Playing(channel) : 0;
}

// ---------------------------------------------------------------------------
// Shutdown
// ---------------------------------------------------------------------------
QSoundFX::~QSoundFX() {
    State &s = *state_;
    int musics = 0, sounds = 0;
    for (MusicEntry &m : s.musics) {
        if (!m.inUse) continue;
        s.Release(m);
        ++musics;
    }
    for (Mix_Chunk *&chunk : s.sounds) {
        if (!chunk) continue;
        Mix_FreeChunk(chunk);
        chunk = nullptr;
        ++sounds;
    }
    Quit();
    for (; s.opens > 0; --s.opens)
        Mix_CloseAudio();
    // SDL_mixer 1.2.12's Mix_Quit frees its sound-font list without
    // forgetting it, so a second start and stop in the process freed it
    // twice; clearing the list first frees it once.
    Mix_SetSoundFonts(nullptr);
    Mix_Quit(); // the decoders the loaders started
    if (sounds)
        ILogSystem.Msg(2,
                       " . [ISoundFX] Warning! your application has left %d sounds without "
                       "deleting.",
                       sounds);
    if (musics)
        ILogSystem.Msg(2,
                       " . [ISoundFX] Warning! your application has left %d music without "
                       "deleting.",
                       musics);
    ILogSystem.Msg(5, " . [ISoundFX] Interfaz deleted.\n");
}
