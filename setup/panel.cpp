// The settings panel.
//
// Index
//   Choice tables ....... every radio group: its slots, values and labels
//   Widgets ............. states of a tab's buttons
//   ShowTab ............. background, logo, buttons and texts of a tab
//   Refresh*Tab ......... widgets from the settings, with the renderer and
//                         window-mode rules
//   Choices ............. what a click on a panel widget changes
//   UpdateSaveButton .... Save allowed only when every setting is chosen
#include "setup/panel.h"

#include <quenlar/quenlar.h>

#include <cstdio>
#include <cstdlib>

namespace {

// ---------------------------------------------------------------------------
// Choice tables
// ---------------------------------------------------------------------------
// One radio button of a group: its slot, the value it stands for and the
// text beside it (none for the renderers that have no button).
struct Choice {
    int slot;
    int value;
    const char *label;
};

struct ChoiceGroup {
    int tab;
    const Choice *begin, *end;
    int (*get)(const QuenlarConfig &);
    void (*set)(QuenlarConfig &, int);
};

const Choice kRenderers[] = {
    {kSlotOpenGL, 64, "OpenGL"}, {kSlotWindib, 2, "Windib"}, {kSlotDirectX, 4, "DirectX"},
    {kSlotX11, 8, nullptr},      {kSlotFBCon, 16, nullptr},  {kSlotQuartz, 128, nullptr},
};
const Choice kDepths[] = {
    {kSlotDepth8, 8, "8bits"}, {kSlotDepth16, 16, "16bits"}, {kSlotDepth32, 32, "32bits"}};
const Choice kAccelerations[] = {{kSlotSoftware, 1, "Software"},
                                 {kSlotHardSmooth, 2, "Hardware(smooth)"},
                                 {kSlotHardSpeed, 3, "Hardware(speed)"}};
const Choice kWindowModes[] = {{kSlotWindow, 1, "Window"},
                               {kSlotFullScreen, 0, "Full screen"},
                               {kSlotNoFrame, 2, "Window no-frame"}};
const Choice kFormats[] = {{kSlotFormat8, 8, "8bits"}, {kSlotFormat16, 16, "16bits"}};
// The labels round the rates; the values are the device's.
const Choice kFrequencies[] = {{kSlotFreq44, 44100, "44000Hz"},
                               {kSlotFreq22, 22050, "22000Hz"},
                               {kSlotFreq11, 11025, "11000Hz"}};
const Choice kChannels[] = {
    {kSlotMono, 1, "Mono"}, {kSlotStereo, 2, "Stereo"}, {kSlotMulti, 4, "Multichannel"}};

#define QNL_GROUP(tab, choices, field)                                                             \
    {                                                                                              \
        tab, std::begin(choices), std::end(choices),                                               \
            [](const QuenlarConfig &c) { return static_cast<int>(c.field); },                      \
            [](QuenlarConfig &c, int v) { c.field = static_cast<decltype(c.field)>(v); }           \
    }
const ChoiceGroup kRenderer = QNL_GROUP(TAB_VIDEO, kRenderers, renderer);
const ChoiceGroup kDepth = QNL_GROUP(TAB_VIDEO, kDepths, colordepth);
const ChoiceGroup kAcceleration = QNL_GROUP(TAB_VIDEO, kAccelerations, accel);
const ChoiceGroup kWindowMode = QNL_GROUP(TAB_VIDEO, kWindowModes, window);
const ChoiceGroup kFormat = QNL_GROUP(TAB_AUDIO, kFormats, format);
const ChoiceGroup kFrequency = QNL_GROUP(TAB_AUDIO, kFrequencies, frequency);
const ChoiceGroup kChannelMode = QNL_GROUP(TAB_AUDIO, kChannels, mode);
#undef QNL_GROUP

const ChoiceGroup *const kVideoGroups[] = {&kRenderer, &kDepth, &kAcceleration, &kWindowMode};
const ChoiceGroup *const kAudioGroups[] = {&kFormat, &kFrequency, &kChannelMode};

// The choice of `group` standing for `value`, or null for a value outside it.
const Choice *Find(const ChoiceGroup &group, int value) {
    for (const Choice *c = group.begin; c != group.end; ++c)
        if (c->value == value) return c;
    return nullptr;
}

// The choice whose button is `id`, or null.
const Choice *FindButton(const SetupState &s, const ChoiceGroup &group, int id) {
    for (const Choice *c = group.begin; c != group.end; ++c)
        if (s.widget[group.tab][c->slot].id == id) return c;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Widgets
// ---------------------------------------------------------------------------
int IdOf(const SetupState &s, int tab, int slot) {
    return s.widget[tab][slot].id;
}

// IButton ignores the id -1 of an empty slot, and reports its state as -1.
int StateOf(const SetupState &s, int tab, int slot) {
    return IButton->GetState(IdOf(s, tab, slot));
}
bool IsPressed(const SetupState &s, int tab, int slot) {
    return StateOf(s, tab, slot) == BS_PRESSED;
}
void SetState(const SetupState &s, int tab, int slot, int state) {
    IButton->SetState(IdOf(s, tab, slot), state);
}

// Chooses a radio button or ticks a check box. One the layout or a rule
// disabled stays so: IButton would enable a check button again, with its
// old value, instead of pressing it.
void Press(const SetupState &s, int tab, int slot) {
    if (StateOf(s, tab, slot) != BS_DISABLED) SetState(s, tab, slot, BS_PRESSED);
}

// A check button leaving Disabled takes back the value it had before,
// whatever state is asked for; the second call then sets the one asked for.
void SetStateExactly(int id, int state) {
    IButton->SetState(id, state);
    if (state != BS_DISABLED) IButton->SetState(id, state);
}

// Every button of a tab but its tab button back to its layout state.
void ResetToLayout(const SetupState &s, int tab) {
    for (int slot = 1; slot < kTabSlots; ++slot) {
        const SetupWidget &w = s.widget[tab][slot];
        if (w.id != -1) SetStateExactly(w.id, w.state);
    }
}

void PressValue(const SetupState &s, const ChoiceGroup &group, int value) {
    if (const Choice *c = Find(group, value)) Press(s, group.tab, c->slot);
}

void DisableGroup(const SetupState &s, const ChoiceGroup &group) {
    for (const Choice *c = group.begin; c != group.end; ++c)
        SetState(s, group.tab, c->slot, BS_DISABLED);
}

// The offered resolution k (0..3) as numbers; a text that is no number is 0.
int ResolutionWidth(const SetupState &s, int k) {
    return std::atoi(s.resWidth[k]);
}
int ResolutionHeight(const SetupState &s, int k) {
    return std::atoi(s.resHeight[k]);
}

// The first offered resolution equal to the settings', or -1.
int MatchingResolution(const SetupState &s) {
    for (int k = 0; k < kResolutions; ++k)
        if (ResolutionWidth(s, k) == s.config.resolutionx &&
            ResolutionHeight(s, k) == s.config.resolutiony)
            return k;
    return -1;
}

// ---------------------------------------------------------------------------
// ShowTab
// ---------------------------------------------------------------------------
struct Size {
    int w = 0, h = 0;
};

// The size of a button's Normal picture; 0 x 0 for an empty slot.
Size NormalSize(const SetupState &s, int tab, int slot) {
    Size size;
    if (SDL_Surface *image = IButton->GetSurface(IdOf(s, tab, slot), BS_NORMAL)) {
        size.w = image->w;
        size.h = image->h;
    }
    return size;
}

// Where texts go beside the widgets: sizes of a check box, a radio button
// and a slider, and the font's height.
struct Metrics {
    Size check, radio, slider;
    int fontHeight = 0;
    // Centres a line of text on a widget of height h (negative for a font
    // taller than the widget: the text then overhangs both edges).
    int Offset(int h) const { return (h - fontHeight + 3) / 2; }
};

Metrics TakeMetrics(const SetupState &s) {
    Metrics m;
    m.check = NormalSize(s, TAB_AUDIO, kSlotAudioEnable);
    m.radio = NormalSize(s, TAB_AUDIO, kSlotFormat8);
    m.slider = NormalSize(s, TAB_AUDIO, kSlotMusicVolume);
    m.fontHeight = s.font ? s.font->GetHeight() : 0;
    return m;
}

void Text(const SetupState &s, int x, int y, const char *text) {
    if (s.font) s.font->PutString(Quenlar.screen, x, y, text);
}

// A label right of a radio button.
void RadioText(const SetupState &s, const Metrics &m, int tab, int slot, const char *text) {
    const SetupWidget &w = s.widget[tab][slot];
    Text(s, w.x + m.radio.w + 5, w.y + m.Offset(m.radio.h), text);
}

void DrawGroupTexts(const SetupState &s, const Metrics &m, const ChoiceGroup &group) {
    for (const Choice *c = group.begin; c != group.end; ++c)
        if (c->label) RadioText(s, m, group.tab, c->slot, c->label);
}

void DrawGeneralTexts(SetupState &s) {
    char line[128];
    const SetupWidget &cpu = s.widget[TAB_GENERAL][kSlotProcessorText];
    line[0] = '\0';
    if (!s.machine.describeCpu(line)) {
        // The game cannot run on this processor: nothing may be saved or started.
        s.processorRefused = true;
        IButton->SetState(s.playButton.id, BS_DISABLED);
        IButton->SetState(s.saveButton.id, BS_DISABLED);
    }
    line[sizeof line - 1] = '\0';
    Text(s, cpu.x, cpu.y, line);

    const SetupWidget &memory = s.widget[TAB_GENERAL][kSlotMemoryText];
    std::snprintf(line, sizeof line, "%llu Megabytes",
                  static_cast<unsigned long long>(s.machine.availableMemory() >> 20));
    Text(s, memory.x, memory.y, line);

    const SetupWidget &points = s.widget[TAB_GENERAL][kSlotPointsText];
    std::snprintf(line, sizeof line, "%d points", static_cast<int>(s.benchmarkPoints));
    Text(s, points.x, points.y, line);
}

void DrawVideoTexts(const SetupState &s, const Metrics &m) {
    for (const ChoiceGroup *group : kVideoGroups)
        DrawGroupTexts(s, m, *group);
    for (int k = 0; k < kResolutions; ++k) {
        char label[16];
        std::snprintf(label, sizeof label, "%sx%s", s.resWidth[k], s.resHeight[k]);
        RadioText(s, m, TAB_VIDEO, kSlotResolution1 + k, label);
    }
}

void DrawAudioTexts(const SetupState &s, const Metrics &m) {
    const SetupWidget &check = s.widget[TAB_AUDIO][kSlotAudioEnable];
    Text(s, check.x + m.check.w + 5, check.y + m.Offset(m.check.h), "Enable music and sound");
    for (const ChoiceGroup *group : kAudioGroups)
        DrawGroupTexts(s, m, *group);
    const SetupWidget &music = s.widget[TAB_AUDIO][kSlotMusicVolume];
    Text(s, music.x - 50, music.y + m.Offset(m.slider.h), "Music volume:");
    const SetupWidget &sound = s.widget[TAB_AUDIO][kSlotSoundVolume];
    Text(s, sound.x - 50, sound.y + m.Offset(m.slider.h), "Sound volume:");
}

} // namespace

void SetDefaults(QuenlarConfig &c) {
    c.mtfriendly = 1;
    c.accel = 1;
    c.window = 1;
    c.enable = 1;
    c.mode = 1;
    c.renderer = 2;
    c.colordepth = 32;
    c.resolutionx = 640;
    c.resolutiony = 480;
    c.format = 8;
    c.frequency = 11025;
    c.buffer = 4096;
    c.musicvol = 128;
    c.soundvol = 128;
}

void ShowTab(SetupState &s, int tab) {
    if (tab < 0 || tab >= TAB_COUNT) return;
    const int tabButton = IdOf(s, tab, kSlotTabButton);
    if (tab == s.currentTab) {
        IButton->SetState(tabButton, BS_PRESSED);
        return;
    }
    s.currentTab = tab;
    for (int i = 0; i < TAB_COUNT; ++i) {
        const int button = IdOf(s, i, kSlotTabButton);
        IButton->SetLayerVisible(i + 1, i == tab ? 1 : 0);
        if (i == tab)
            IButton->SetState(button, BS_PRESSED);
        else if (IButton->GetState(button) != BS_DISABLED)
            IButton->SetState(button, BS_NORMAL);
    }
    const Metrics m = TakeMetrics(s);

    SDL_Rect at = {0, 0, 0, 0};
    Quenlar.ScreenBlit(s.background[tab], nullptr, Quenlar.screen, &at);
    if (s.logo) s.logo->Draw(nullptr);
    ICursor->Refresh();
    IButton->Draw();
    IButton->SetState(tabButton, BS_PRESSED);

    // The texts stay until the next tab is shown: nothing else redraws the
    // background.
    if (tab == TAB_GENERAL) DrawGeneralTexts(s);
    if (tab == TAB_VIDEO) DrawVideoTexts(s, m);
    if (tab == TAB_AUDIO) DrawAudioTexts(s, m);
}

void RefreshGeneralTab(SetupState &s) {
    ResetToLayout(s, TAB_GENERAL);
    if (s.config.mtfriendly != 0) Press(s, TAB_GENERAL, kSlotMtfriendly);
}

void RefreshVideoTab(SetupState &s) {
    if (StateOf(s, TAB_VIDEO, kSlotTabButton) == BS_DISABLED) return;
    ResetToLayout(s, TAB_VIDEO);
    QuenlarConfig &c = s.config;

    // What each renderer can do.
    PressValue(s, kRenderer, c.renderer);
    switch (c.renderer) {
    case 64: // OpenGL is always accelerated
        if (c.accel == 1) c.accel = 2;
        SetState(s, TAB_VIDEO, kSlotSoftware, BS_DISABLED);
        break;
    case 2:   // Windib
    case 128: // Quartz
        SetState(s, TAB_VIDEO, kSlotHardSmooth, BS_DISABLED);
        c.accel = 1;
        SetState(s, TAB_VIDEO, kSlotHardSpeed, BS_DISABLED);
        break;
    case 8: // X11: windows only, no acceleration
        SetState(s, TAB_VIDEO, kSlotFullScreen, BS_DISABLED);
        c.window = 1;
        SetState(s, TAB_VIDEO, kSlotHardSmooth, BS_DISABLED);
        c.accel = 1;
        SetState(s, TAB_VIDEO, kSlotHardSpeed, BS_DISABLED);
        break;
    case 16: // FBCon: full screen only, accelerated
        SetState(s, TAB_VIDEO, kSlotWindow, BS_DISABLED);
        SetState(s, TAB_VIDEO, kSlotNoFrame, BS_DISABLED);
        c.window = 0;
        if (c.accel == 1) c.accel = 2;
        SetState(s, TAB_VIDEO, kSlotSoftware, BS_DISABLED);
        break;
    default: // DirectX allows everything; other values change nothing
        break;
    }

    // A window takes the desktop's depth; DirectX draws windows unaccelerated.
    PressValue(s, kWindowMode, c.window);
    if (c.window == 1 || c.window == 2) {
        c.colordepth = 0;
        DisableGroup(s, kDepth);
        if (c.renderer == 4) {
            SetState(s, TAB_VIDEO, kSlotHardSmooth, BS_DISABLED);
            c.accel = 1;
            SetState(s, TAB_VIDEO, kSlotHardSpeed, BS_DISABLED);
        }
    }

    const int k = MatchingResolution(s);
    if (k >= 0) Press(s, TAB_VIDEO, kSlotResolution1 + k);
    PressValue(s, kDepth, c.colordepth);
    PressValue(s, kAcceleration, c.accel);
}

void RefreshAudioTab(SetupState &s) {
    if (StateOf(s, TAB_AUDIO, kSlotTabButton) == BS_DISABLED) return;
    const auto disableOthers = [&s] {
        for (int slot = kSlotAudioEnable + 1; slot < kTabSlots; ++slot)
            SetState(s, TAB_AUDIO, slot, BS_DISABLED);
    };
    if (StateOf(s, TAB_AUDIO, kSlotAudioEnable) == BS_DISABLED) {
        disableOthers();
        return;
    }
    const QuenlarConfig &c = s.config;
    if (c.enable == 0) {
        SetState(s, TAB_AUDIO, kSlotAudioEnable, BS_NORMAL);
        disableOthers();
        return;
    }
    ResetToLayout(s, TAB_AUDIO);
    Press(s, TAB_AUDIO, kSlotAudioEnable);
    Press(s, TAB_AUDIO, c.format == 8 ? kSlotFormat8 : kSlotFormat16);
    Press(s, TAB_AUDIO,
          c.frequency == 11025   ? kSlotFreq11
          : c.frequency == 22050 ? kSlotFreq22
                                 : kSlotFreq44);
    Press(s, TAB_AUDIO, c.mode == 1 ? kSlotMono : c.mode == 2 ? kSlotStereo : kSlotMulti);
    IButton->SetValue(IdOf(s, TAB_AUDIO, kSlotMusicVolume), c.musicvol);
    IButton->SetValue(IdOf(s, TAB_AUDIO, kSlotSoundVolume), c.soundvol);
}

// ---------------------------------------------------------------------------
// Choices
// ---------------------------------------------------------------------------
namespace {

// The check box has already changed its own state.
void ToggleMtfriendly(SetupState &s) {
    if (!IsPressed(s, TAB_GENERAL, kSlotMtfriendly)) {
        s.config.mtfriendly = 0;
        return;
    }
    if (s.rememberedMtfriendly == 0) s.rememberedMtfriendly = 10;
    s.config.mtfriendly = static_cast<Sint8>(s.rememberedMtfriendly);
}

void ToggleAudio(SetupState &s) {
    s.config.enable = IsPressed(s, TAB_AUDIO, kSlotAudioEnable) ? 1 : 0;
    RefreshAudioTab(s);
}

void ChooseResolution(SetupState &s, int k) {
    s.config.resolutionx = static_cast<Uint16>(ResolutionWidth(s, k));
    s.config.resolutiony = static_cast<Uint16>(ResolutionHeight(s, k));
    RefreshVideoTab(s);
}

// An audio radio: the chosen one Pressed and the rest of its group Normal,
// even those the layout disabled.
void ChooseAudio(SetupState &s, const ChoiceGroup &group, const Choice &chosen) {
    group.set(s.config, chosen.value);
    for (const Choice *c = group.begin; c != group.end; ++c)
        SetStateExactly(IdOf(s, group.tab, c->slot), c == &chosen ? BS_PRESSED : BS_NORMAL);
}

} // namespace

bool ChoosePanelWidget(SetupState &s, int id) {
    if (id < 0) return false;
    if (id == IdOf(s, TAB_GENERAL, kSlotMtfriendly)) {
        ToggleMtfriendly(s);
        return true;
    }
    if (id == IdOf(s, TAB_GENERAL, kSlotBenchmark)) {
        RunBenchmark(s);
        return true;
    }
    for (const ChoiceGroup *group : kVideoGroups)
        if (const Choice *c = FindButton(s, *group, id)) {
            group->set(s.config, c->value);
            RefreshVideoTab(s);
            return true;
        }
    for (int k = 0; k < kResolutions; ++k)
        if (id == IdOf(s, TAB_VIDEO, kSlotResolution1 + k)) {
            ChooseResolution(s, k);
            return true;
        }
    if (id == IdOf(s, TAB_AUDIO, kSlotAudioEnable)) {
        ToggleAudio(s);
        return true;
    }
    for (const ChoiceGroup *group : kAudioGroups)
        if (const Choice *c = FindButton(s, *group, id)) {
            ChooseAudio(s, *group, *c);
            return true;
        }
    return false;
}

// ---------------------------------------------------------------------------
// UpdateSaveButton
// ---------------------------------------------------------------------------
void UpdateSaveButton(SetupState &s) {
    const QuenlarConfig &c = s.config;
    bool allowed = !s.processorRefused;
    // A value of the group must have its radio chosen; others pass.
    const auto chosen = [&](const ChoiceGroup &group, int value) {
        if (const Choice *choice = Find(group, value))
            allowed = allowed && IsPressed(s, group.tab, choice->slot);
    };
    // A tab the layout disabled is never refreshed, so its radios show no
    // choice: it asks nothing of Save. Likewise the audio radios when the
    // layout locked the sound switch.
    const bool video = StateOf(s, TAB_VIDEO, kSlotTabButton) != BS_DISABLED;
    const bool audio = StateOf(s, TAB_AUDIO, kSlotTabButton) != BS_DISABLED &&
                       StateOf(s, TAB_AUDIO, kSlotAudioEnable) != BS_DISABLED;
    if (video) {
        chosen(kRenderer, c.renderer);
        chosen(kAcceleration, c.accel);
        chosen(kWindowMode, c.window);
        // Full screen needs a depth of its own.
        if (c.window == 0) {
            allowed = allowed && c.colordepth != 0;
            chosen(kDepth, c.colordepth);
        }
        // The radio RefreshVideoTab presses: the first offered one that matches.
        const int k = MatchingResolution(s);
        if (k >= 0) allowed = allowed && IsPressed(s, TAB_VIDEO, kSlotResolution1 + k);
    }
    if (audio && c.enable != 0) {
        chosen(kFormat, c.format);
        chosen(kFrequency, c.frequency);
        chosen(kChannelMode, c.mode);
    }
    IButton->SetState(s.saveButton.id, allowed ? BS_NORMAL : BS_DISABLED);
}
