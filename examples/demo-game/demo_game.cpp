// demo-game: the game the demo skin's Play starts. It reads the settings
// the launcher saved, opens its window with them (renderer, resolution,
// colour depth, window mode), shows them with its own font, plays its music
// when sound is on, and ends on Escape or when its window is closed.
//
//   demo-game [--frames N]     N: end after N logic steps, as on Escape
//
// It runs in the folder of its package "demo-game.dpf" (two fonts and the
// music, packed from demo/game-manifest.xml) and the saved settings. It
// prints the settings it got to standard output, one "name: value" line
// each, named as in the configuration file, then what it opened:
// "video: WxHxBITS" and "audio: ..." ("playing", "off", or why the music is not playing).
// The log goes to "demo-game.log". Exit status: 0 normal end, 1 when the
// engine or the window cannot start, 2 bad arguments.
#include <quenlar/quenlar.h>

#include <SDL_mixer.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// Where the demo skin's layout.xml has the launcher save the settings
// (setupdpf="" setupxml="setup.xml": a plain file in the working folder).
const char kConfigPackage[] = "";
const char kConfigFile[] = "setup.xml";
const char kPackage[] = "demo-game.dpf";
const int kEscape = 27;

// ---- What the settings mean, for the screen ---------------------------------------------
const char *RendererName(int code) {
    switch (code) {
    case 2:
        return "Windib";
    case 4:
        return "DirectX";
    case 8:
        return "X11";
    case 16:
        return "FBCon";
    case 64:
        return "OpenGL";
    case 128:
        return "Quartz";
    default:
        return "default";
    }
}

const char *WindowName(int mode) {
    return mode == 0 ? "full screen" : mode == 2 ? "window without frame" : "window";
}

const char *AccelName(int accel) {
    return accel == 2 ? "hardware (smooth)" : accel == 3 ? "hardware (speed)" : "software";
}

const char *ChannelsName(int mode) {
    return mode == 1 ? "mono" : mode == 2 ? "stereo" : "multichannel";
}

// The configuration keeps SDL's sample format code; its low byte is the
// sample size in bits.
int SampleBits(Sint32 format) {
    return format & 0xFF;
}

std::string Format(const char *format, ...) QUENLAR_PRINTF(1, 2);
std::string Format(const char *format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// ---- Standard output: what a test checks ---------------------------------------------------
void PrintSettings(bool read) {
    printf("config: %s %s\n", read ? "read" : "not read (defaults)", kConfigFile);
    printf("renderer: %d\n", Quenlar.renderer);
    printf("resolution: %dx%d\n", Quenlar.resolutionx, Quenlar.resolutiony);
    printf("colordepth: %d\n", Quenlar.colordepth);
    printf("window: %d\n", Quenlar.window);
    printf("accel: %d\n", Quenlar.accel);
    printf("mtfriendly: %d\n", Quenlar.mtfriendly);
    printf("enable: %d\n", Quenlar.enable);
    printf("format: %d\n", SampleBits(Quenlar.format));
    printf("frequency: %d\n", (int)Quenlar.frequency);
    printf("mode: %d\n", (int)Quenlar.mode);
    printf("buffer: %d\n", (int)Quenlar.buffer);
    printf("musicvol: %d\n", Quenlar.musicvol);
    printf("soundvol: %d\n", Quenlar.soundvol);
}

// ---- Sound ------------------------------------------------------------------------------------
// Starts audio as configured and plays the music forever (its id in
// `music`, -1 for none); what happened, for the screen and standard output.
std::string StartMusic(int &music) {
    music = -1;
    if (!Quenlar.enable) return "off";
    if (!ISoundFX->Init((int)Quenlar.frequency, (Uint16)Quenlar.format, (int)Quenlar.mode,
                        (int)Quenlar.buffer)) {
        ISoundFX->Disable();
        return std::string("no sound device (") + SDL_GetError() + ")";
    }
    music = ISoundFX->MusicLoad(kPackage, "music");
    if (music < 0) return "no music in " + std::string(kPackage);
    Mix_VolumeMusic(Quenlar.musicvol * MIX_MAX_VOLUME / 255);
    if (ISoundFX->MusicPlay(music, -1) != 0) return "the music cannot be played";
    return "playing";
}

// ---- The screen ---------------------------------------------------------------------------------
struct Screen {
    CFont title, text;
    std::vector<std::pair<std::string, std::string>> rows; // label, value
    int ballX = 40, ballY = 40, stepX = 3, stepY = 2;
};

void DescribeSettings(Screen &s, const std::string &audio) {
    SDL_Surface *screen = Quenlar.screen;
    const std::string depth =
        Quenlar.colordepth ? Format("%d bits", Quenlar.colordepth) : "the desktop's";
    s.rows = {
        {"Renderer", Format("%s (%d)", RendererName(Quenlar.renderer), Quenlar.renderer)},
        {"Screen", Format("%dx%d, %d bits, %s", screen->w, screen->h, screen->format->BitsPerPixel,
                          WindowName(Quenlar.window))},
        {"Colour depth asked", depth},
        {"Acceleration", AccelName(Quenlar.accel)},
        {"Time left to others", Format("%d ms a frame", Quenlar.mtfriendly)},
        {"Audio", Quenlar.enable ? Format("%d-bit, %d Hz, %s", SampleBits(Quenlar.format),
                                          (int)Quenlar.frequency, ChannelsName(Quenlar.mode))
                                 : std::string("off")},
        {"Volumes", Format("music %d, sound %d (of 255)", Quenlar.musicvol, Quenlar.soundvol)},
        {"Music", audio},
    };
}

// Redraws the whole screen: the texts and a ball that shows frames going by.
void Draw(Screen &s) {
    SDL_Surface *screen = Quenlar.screen;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 20, 27, 40));
    SDL_Rect band = {0, 0, (Uint16)screen->w, 4};
    SDL_FillRect(screen, &band, SDL_MapRGB(screen->format, 61, 143, 214));

    const int ball = 12;
    s.ballX += s.stepX, s.ballY += s.stepY;
    if (s.ballX < 0 || s.ballX + ball > screen->w) s.stepX = -s.stepX;
    if (s.ballY < 4 || s.ballY + ball > screen->h) s.stepY = -s.stepY;
    SDL_Rect dot = {(Sint16)s.ballX, (Sint16)s.ballY, ball, ball};
    SDL_FillRect(screen, &dot, SDL_MapRGB(screen->format, 246, 196, 83));

    const int left = 32, line = s.text.GetHeight() + 6;
    s.title.PutString(screen, left, 28, "QUENLAR DEMO");
    int y = 28 + s.title.GetHeight() + 12;
    s.text.PutString(screen, left, y, "The settings the launcher saved:");
    y += line * 3 / 2;
    for (const auto &row : s.rows) {
        s.text.PutString(screen, left + 16, y, (row.first + ":").c_str());
        s.text.PutString(screen, left + 220, y, row.second.c_str());
        y += line;
    }
    s.text.PutString(screen, left, y + line / 2, "Press Escape to quit.");
}

int Run(long frames) {
    ILogSystem.Init("demo-game.log", LOG_NEWFILE, LOG_WARNING, "Quenlar Demo");
    if (Quenlar.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) {
        fprintf(stderr, "demo-game: the engine cannot start: %s\n", SDL_GetError());
        return 1;
    }
    const bool read = Quenlar.ReadConfig(kConfigPackage, kConfigFile) == 1;
    PrintSettings(read);

    Quenlar.title = "Quenlar Demo";
    if (!Quenlar.SetVideoMode()) {
        printf("video: failed\n");
        fprintf(stderr, "demo-game: no window: %s (see demo-game.log)\n", SDL_GetError());
        Quenlar.Quit();
        return 1;
    }
    printf("video: %dx%dx%d\n", Quenlar.screen->w, Quenlar.screen->h,
           Quenlar.screen->format->BitsPerPixel);
    int music = -1;
    const std::string audio = StartMusic(music);
    printf("audio: %s\n", audio.c_str());
    fflush(stdout);

    {
        Screen s;
        if (!s.title.Load(kPackage, "title") || !s.text.Load(kPackage, "text"))
            fprintf(stderr, "demo-game: the fonts of %s are missing; no text\n", kPackage);
        DescribeSettings(s, audio);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(60, 30);
        for (long step = 0; frames < 0 || step < frames; ++step) {
            Draw(s);
            while (Quenlar.Update())
                ;
            if (Quenlar.KeyDown(kEscape) || Quenlar.QuitRequested()) break;
        }
    } // the fonts go before the engine
    ISoundFX->MusicFree(music);
    Quenlar.Quit();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    long frames = -1;
    if (argc == 3 && strcmp(argv[1], "--frames") == 0) {
        char *end = nullptr;
        frames = strtol(argv[2], &end, 10);
        if (*end || frames < 0) frames = -2;
    }
    if ((argc != 1 && argc != 3) || frames < -1) {
        fprintf(stderr, "usage: demo-game [--frames N]\n");
        return 2;
    }
    return Run(frames);
}
