// The launcher's start-up sequence, main loop and shutdown.
//
// Index
//   LoadResources .... everything the window needs from setup.dpf, in the
//                      order of the layout's resource list
//   FreeResources .... the reverse, before the engine shuts down
//   Dispatch ......... what each button does
//   RunMainLoop ...... one pass per logic step until the quit flag is set
//   StartLauncher .... start-up, step by step
//   RunLauncher ...... start-up, the loop, the normal end
#include "setup/launcher.h"

#include <quenlar/quenlar.h>
#include "setup/launch.h"
#include "setup/layout.h"
#include "setup/panel.h"

#include <quenlar/platform/text.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

const char *const kSetupResourceSuffix[RES_COUNT] = {
    "_cursor",   "_icon",     "_click", "_music", "_font",   "_bggeneral",
    "_bgaudio",  "_bgvideo",  "_play",  "_save",  "_exit",   "_tabgeneral",
    "_tabvideo", "_tabaudio", "_check", "_radio", "_slider", "_benchmark",
};

namespace {

// Every resource of the window comes from this package; the layout's
// setupdpf names only where the game's configuration lives.
const char kPackage[] = "setup.dpf";
const int kWindowWidth = 430;
const int kWindowHeight = 400;
const int kEscape = 27;
// The Exit wait polls the click's channel this often (ms), and gives up
// after this many polls should the sound device have stalled.
const Uint32 kClickPoll = 10;
const int kMostClickPolls = 1000;

// The launcher's window: a fixed size, framed, on the platform's windowed
// driver. The engine's other fields keep their values.
void ConfigureWindow(SetupState &state) {
    Quenlar.title = state.title;
    Quenlar.icon = IImage->Load(kPackage, state.resource[RES_ICON]); // optional
    Quenlar.resolutiony = kWindowHeight;
    Quenlar.resolutionx = kWindowWidth;
    Quenlar.mtfriendly = 1;
    Quenlar.window = 1;   // a window with a frame
    Quenlar.renderer = 2; // Windib; the platform maps it to its own windowed driver
}

// A start-up failure: the log line, and the same text once on stderr in
// UTF-8, naming the log, for a player who started the launcher from a
// terminal (the log is Windows-1252).
void FatalError(const char *format, ...) QUENLAR_PRINTF(1, 2);
void FatalError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ILogSystem.Msg(2, "%s", text);

    // " \xB7 [Init Error] - ...\n" becomes "setup: [Init Error] - ... (see Setup.log)".
    std::string line = text;
    const size_t start = line.find('[');
    line = line.substr(start == std::string::npos ? 0 : start);
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    const std::string log = ILogSystem.GetFileName();
    if (!log.empty()) line += " (see " + log + ")";
    std::fprintf(stderr, "setup: %s\n", qnl::platform::Utf8FromWindows1252(line.c_str()).c_str());
}

// ---------------------------------------------------------------------------
// LoadResources
// ---------------------------------------------------------------------------
// The name a step reports, as the state holds it (the step list is gone
// when the caller reads it).
const char *StateName(const SetupState &s, const LayoutResource &r) {
    if (r.kind == LoadKind::Logo) return s.logoName;
    if (r.skin == RES_COUNT) return s.custom[r.slot - kSlotFirstCustom].resource;
    return s.resource[r.skin];
}

// The widget a button or clone fills: Exit, Play, Save, or a tab's slot.
SetupWidget &WidgetOf(SetupState &s, const LayoutResource &r) {
    if (r.tab >= 0) return s.widget[r.tab][r.slot];
    if (r.skin == RES_EXIT) return s.exitButton;
    return r.skin == RES_PLAY ? s.playButton : s.saveButton;
}

// A normal button or a clone: its id, or -1 when it failed (0 or -1).
Sint32 ButtonId(int id) {
    return id > 0 ? id : -1;
}

// One step of the loading; false when it failed.
bool LoadStep(SetupState &s, const LayoutResource &r) {
    const char *name = StateName(s, r);
    switch (r.kind) {
    case LoadKind::Cursor:
        // The 8-bit id widened with its sign: 255, none, becomes -1.
        s.cursor = static_cast<Sint8>(ICursor->Load(kPackage, name, 0));
        return s.cursor != -1;
    case LoadKind::Background:
        s.background[r.tab] = IImage->Load(kPackage, name);
        return s.background[r.tab] != nullptr;
    case LoadKind::Logo:
        s.logo = new CSprite;
        if (s.logo->Load(kPackage, name, "SPR2") <= 0) return false;
        s.logo->SetPosition(static_cast<float>(s.logoX), static_cast<float>(s.logoY));
        return true;
    case LoadKind::Font:
        s.font = new CFont;
        return s.font->Load(kPackage, name) != 0;
    case LoadKind::Sound: // without sound the launcher runs silently
        if (!ISoundFX->IsInit()) return true;
        s.clickSound = ISoundFX->SoundLoad(kPackage, name);
        return s.clickSound != -1;
    case LoadKind::Music:
        if (!ISoundFX->IsInit()) return true;
        s.music = ISoundFX->MusicLoad(kPackage, name);
        return s.music != -1;
    case LoadKind::Master: {
        Sint32 &master = r.skin == RES_CHECK ? s.checkMaster : s.radioMaster;
        master = IButton->Load(kPackage, name, 1);
        return master != -1;
    }
    case LoadKind::Clone: {
        const Sint32 master = r.skin == RES_CHECK ? s.checkMaster : s.radioMaster;
        SetupWidget &w = WidgetOf(s, r);
        w.id = ButtonId(IButton->Clone(master));
        return w.id != -1;
    }
    case LoadKind::Button: {
        SetupWidget &w = WidgetOf(s, r);
        w.id = ButtonId(IButton->Load(kPackage, name, 0));
        return w.id != -1;
    }
    case LoadKind::Icon: // loaded with the window
    case LoadKind::None:
        return true;
    }
    return true;
}

void PlaceButton(const SetupWidget &w) {
    IButton->SetPosition(w.id, static_cast<Sint16>(w.x), static_cast<Sint16>(w.y));
    IButton->SetState(w.id, w.state);
}

} // namespace

const char *LoadResources(SetupState &s) {
    s.benchmarkPoints = 0;
    s.exitButton.id = s.playButton.id = s.saveButton.id = -1;
    s.clickSound = s.music = -1;
    for (auto &tab : s.widget)
        for (SetupWidget &w : tab)
            w.id = -1;

    // The layout lists the steps in loading order, with the layer each
    // button goes into.
    int layer = -1;
    for (const LayoutResource &r : LayoutResources(s)) {
        if (r.layer >= 0 && r.layer != layer) {
            layer = r.layer;
            IButton->SetWorkingLayer(layer);
        }
        if (!LoadStep(s, r)) return StateName(s, r);
    }

    for (const SetupWidget *w : {&s.exitButton, &s.playButton, &s.saveButton})
        PlaceButton(*w);
    for (const auto &tab : s.widget)
        for (const SetupWidget &w : tab)
            if (w.id != -1) PlaceButton(w);
    IButton->SetLayerVisible(0, 1);
    return nullptr;
}

void FreeResources(SetupState &s) {
    for (SDL_Surface *&background : s.background) {
        if (background) SDL_FreeSurface(background);
        background = nullptr;
    }
    delete s.logo;
    s.logo = nullptr;
    if (s.cursor != -1) {
        ICursor->Delete(s.cursor);
        s.cursor = -1;
    }
    if (s.clickSound != -1) ISoundFX->SoundFree(s.clickSound);
    if (s.music != -1) ISoundFX->MusicFree(s.music);
    s.clickSound = s.music = -1;
    // The buttons of the working layer; the rest go with IButton.
    IButton->Remove();
    delete s.font;
    s.font = nullptr;
}

// ---------------------------------------------------------------------------
// Dispatch
// ---------------------------------------------------------------------------
namespace {

// Lets the click finish before the window closes.
void WaitForClick() {
    for (int polls = 0; polls < kMostClickPolls && ISoundFX->IsPlaying(kClickChannel); ++polls)
        QuenlarDelay(kClickPoll);
}

// The sliders' volumes and the settings into the game's configuration;
// Play once they are written.
void Save(SetupState &s) {
    QuenlarConfig &c = s.config;
    const auto volume = [](int id) {
        const int value = IButton->GetValue(id);
        return static_cast<Uint8>(value < 0 ? 0 : value > 255 ? 255 : value);
    };
    c.musicvol = volume(s.widget[TAB_AUDIO][kSlotMusicVolume].id);
    c.soundvol = volume(s.widget[TAB_AUDIO][kSlotSoundVolume].id);
    if (c.window != 0) c.colordepth = 0; // a window takes the desktop's depth
    if (Quenlar.WriteConfig(s.configPackage, s.configBlock, &c) && !s.processorRefused)
        IButton->SetState(s.playButton.id, BS_NORMAL);
}

} // namespace

int Dispatch(SetupState &s, int id) {
    if (id < 0) return 0;
    if (id == s.exitButton.id) {
        WaitForClick();
        return 1;
    }
    if (id == s.playButton.id) return LaunchTarget(s);
    if (id == s.saveButton.id) {
        Save(s);
        return 0;
    }
    for (int tab = 0; tab < TAB_COUNT; ++tab)
        if (id == s.widget[tab][kSlotTabButton].id) {
            ShowTab(s, tab);
            return 0;
        }
    for (int i = 0; i < kCustomButtons; ++i)
        if (id == s.widget[TAB_GENERAL][kSlotFirstCustom + i].id) {
            OpenCustomLink(s, i);
            return 0;
        }
    ChoosePanelWidget(s, id);
    return 0;
}

int PressButton(SetupState &s, int id) {
    ISoundFX->SoundPlay(kClickChannel, s.clickSound, 0);
    const int quit = Dispatch(s, id);
    UpdateSaveButton(s);
    return quit;
}

void RunMainLoop(SetupState &s) {
    int quit = 0;
    do {
        if (s.logo) s.logo->Draw(nullptr);
        const int id = IButton->Draw();
        if (id != -1) quit = PressButton(s, id);
        // Escape, or the window system asking the program to close.
        if (Quenlar.KeyDown(kEscape) || Quenlar.QuitRequested()) quit = 1;
        // Until a logic step is due: events, frames, the mtfriendly sleep.
        while (Quenlar.Update()) {
        }
    } while (!quit);
}

// ---------------------------------------------------------------------------
// Start-up and the end
// ---------------------------------------------------------------------------
int StartLauncher(SetupState &s) {
    // A new Setup.log every run.
    ILogSystem.Init("Setup.log", LOG_NEWFILE, 2, "Quenlar SDK - Setup v1.1b");

    // The engine: timer, audio and video.
    if (Quenlar.Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        FatalError(" \xB7 [Init Error] - Couldn\xB4t initialize Quenlar: %s\n", SDL_GetError());
        return 1;
    }

    // The layout.
    if (int code = ParseLayout(s)) {
        FatalError(" \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: %d\n",
                   code);
        return 1;
    }

    // The window.
    ConfigureWindow(s);
    if (!Quenlar.SetVideoMode()) {
        std::string reason = SDL_GetError(); // read before SDL shuts down
        Quenlar.Quit();
        FatalError(" \xB7 [Init Error] - Couldn\xB4t set video mode %dx%d: %s\n", kWindowWidth,
                   kWindowHeight, reason.c_str());
        return 1;
    }
    ICursor->Init();

    // Sound is optional: without it the launcher runs silently.
    if (!ISoundFX->Init(44100, QUENLAR_AUDIO_S16, 2, 4096)) {
        ILogSystem.Msg(2, " \xB7 [Init Warning] - Couldn\xB4t init sound system: %s\n",
                       SDL_GetError());
        ISoundFX->Disable();
    }

    // Rendering at 60 frames and logic at 20 steps per second.
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);

    // The resources.
    if (const char *failed = LoadResources(s)) {
        FatalError(" \xB7 [Init Error] - Couldn't load graphic resource: '%s'.\n", failed);
        FreeResources(s);
        Quenlar.Quit();
        return 1;
    }
    ISoundFX->MusicPlay(s.music, 0);

    // The game's settings; without them Play waits for a Save.
    SetDefaults(s.config);
    if (!Quenlar.ReadConfig(s.configPackage, s.configBlock, &s.config))
        IButton->SetState(s.playButton.id, BS_DISABLED);
    s.rememberedMtfriendly = s.config.mtfriendly;
    RefreshGeneralTab(s);
    RefreshVideoTab(s);
    RefreshAudioTab(s);

    ICursor->Select(s.cursor);
    ICursor->SetBackgroundSave(1);
    s.currentTab = -1;
    ShowTab(s, TAB_GENERAL);
    return 0;
}

void StopLauncher(SetupState &s) {
    FreeResources(s);
    Quenlar.Quit();
}

int RunLauncher() {
    std::unique_ptr<SetupState> state(new SetupState);
    if (int status = StartLauncher(*state)) return status;
    RunMainLoop(*state);
    StopLauncher(*state);
    return 0;
}
