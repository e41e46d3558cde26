// dpftool add-sound and add-music: an audio file as a "SND" or "MUS" block,
// stored only after SDL_mixer has read it the way ISoundFX will.
#include "command.h"

#include <quenlar/sound/audiodata_private.h>

#include <SDL_mixer.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The mixer open on SDL's dummy driver for the life of a command: decoding
// needs an open device, and checking a file must not need a sound card.
class CheckingMixer {
public:
    CheckingMixer() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ok_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 &&
              Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096) == 0;
    }
    ~CheckingMixer() {
        if (ok_) Mix_CloseAudio();
        qnl::QuitMixer();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    CheckingMixer(const CheckingMixer &) = delete;
    CheckingMixer &operator=(const CheckingMixer &) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct AudioKind {
    const char *command; // "add-sound"
    const char *type;    // the block type
    const char *what;    // "sound", for messages
    bool (*reads)(const void *data, size_t size);
};

int Add(const AudioKind &kind, int argc, char **argv) {
    dpftool::Args args(kind.command, argc, argv, {{"--mode", true}, {"--replace", false}}, 3, 3);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *file = args[2];
    if (!*name || std::strlen(name) > 31)
        return dpftool::UsageError(kind.command, "NAME must have 1 to 31 characters");
    const int mode = dpftool::ModeFromName(args.Value("--mode", "compressed"));
    if (mode < 0)
        return dpftool::UsageError(kind.command, "unknown mode '%s'", args.Value("--mode"));

    std::string bytes;
    if (!dpftool::ReadWholeFile(file, bytes)) return dpftool::Fail("%s: cannot be read", file);
    {
        CheckingMixer mixer;
        if (!mixer.ok()) return dpftool::Fail("the mixer cannot start: %s", Mix_GetError());
        if (!kind.reads(bytes.data(), bytes.size()))
            return dpftool::Fail("%s: not a %s the mixer can play: %s", file, kind.what,
                                 Mix_GetError());
    }
    dpftool::Sdk sdk;
    return dpftool::StoreBlock(path, name, kind.type, mode, bytes.data(), bytes.size(),
                               args.Has("--replace"));
}

const AudioKind kSound = {"add-sound", qnl::kSoundBlockType, "sound", qnl::MixerReadsSound};
const AudioKind kMusic = {"add-music", qnl::kMusicBlockType, "music", qnl::MixerReadsMusic};

int RunSound(int argc, char **argv) {
    return Add(kSound, argc, argv);
}
int RunMusic(int argc, char **argv) {
    return Add(kMusic, argc, argv);
}

} // namespace

DPFTOOL_COMMAND("add-sound",
                "add-sound PACKAGE NAME FILE [--mode compressed|stored|scrambled] [--replace]",
                RunSound);
DPFTOOL_COMMAND("add-music",
                "add-music PACKAGE NAME FILE [--mode compressed|stored|scrambled] [--replace]",
                RunMusic);
