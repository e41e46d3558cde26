// SetupState: everything the launcher knows during a run. Filled from
// layout.xml at start-up, edited by the settings panel.
#ifndef QUENLAR_SETUP_SETUP_STATE_H
#define QUENLAR_SETUP_SETUP_STATE_H

#include <quenlar/core/config.h>

#include <SDL.h>
#include <cstddef>
#include <cstdint>

class CFont;
class CSprite;

// Resources of setup.dpf; each name is the layout's skin prefix + a suffix.
enum SetupResource {
    RES_CURSOR,
    RES_ICON,
    RES_CLICK,
    RES_MUSIC,
    RES_FONT,
    RES_BGGENERAL,
    RES_BGAUDIO,
    RES_BGVIDEO,
    RES_PLAY,
    RES_SAVE,
    RES_EXIT,
    RES_TABGENERAL,
    RES_TABVIDEO,
    RES_TABAUDIO,
    RES_CHECK,
    RES_RADIO,
    RES_SLIDER,
    RES_BENCHMARK,
    RES_COUNT
};

// Name suffixes, indexed by SetupResource.
extern const char *const kSetupResourceSuffix[RES_COUNT];

enum { TAB_GENERAL, TAB_VIDEO, TAB_AUDIO, TAB_COUNT };
constexpr int kTabSlots = 20;
constexpr int kCustomButtons = 7; // ids 10..16

// The widget slots of each tab. Slot 0 of every tab is its tab button.
enum GeneralSlot {
    kSlotTabButton = 0,
    kSlotBenchmark = 1,
    kSlotMtfriendly = 2,
    kSlotProcessorText = 3, // text positions only: no button
    kSlotMemoryText = 4,
    kSlotPointsText = 5,
    kSlotFirstCustom = 10, // custom buttons with ids 10..16
};
enum VideoSlot {
    kSlotOpenGL = 1,
    kSlotWindib = 2,
    kSlotDirectX = 3,
    kSlotX11 = 4, // X11, FBCon and Quartz: a position, no button
    kSlotFBCon = 5,
    kSlotQuartz = 6,
    kSlotResolution1 = 7, // .. 10
    kSlotDepth8 = 11,
    kSlotDepth16 = 12,
    kSlotDepth32 = 13,
    kSlotSoftware = 14,
    kSlotHardSmooth = 15,
    kSlotHardSpeed = 16,
    kSlotWindow = 17,
    kSlotFullScreen = 18,
    kSlotNoFrame = 19,
};
enum AudioSlot {
    kSlotAudioEnable = 1,
    kSlotFormat8 = 2,
    kSlotFormat16 = 3,
    kSlotFreq44 = 4,
    kSlotFreq22 = 5,
    kSlotFreq11 = 6,
    kSlotMono = 7,
    kSlotStereo = 8,
    kSlotMulti = 9,
    kSlotMusicVolume = 10,
    kSlotSoundVolume = 11,
};
constexpr int kResolutions = 4;

// One button (or text position) of the window.
struct SetupWidget {
    Sint32 id = -1;      // IButton id; -1: no button in this slot
    Sint32 state = 0;    // initial IButton state: 1 Normal or 16 Disabled
    Sint32 x = 0, y = 0; // window pixels, top-left corner
};

// A link button of the general tab.
struct CustomButton {
    Sint32 type = -1;        // -1 free, 1 or 2
    char data[255] = {0};    // what the shell opens
    char resource[33] = {0}; // button block name: skin + "_" + element name
};

// What the launcher asks of the machine. Tests replace these to play any
// processor, memory size or speed at once.
struct MachineProbes {
    int (*describeCpu)(char *buffer);                  // 1 usable, 0 refused; 64+ bytes
    uint64_t (*availableMemory)();                     // bytes
    unsigned int (*crc32)(const void *data, int size); // the benchmark's work
};
// Quenlar.GetCPUFeatures, the platform's memory status, Quenlar.CRC32.
MachineProbes DefaultMachineProbes();

struct SetupState {
    // ---- From layout.xml ----------------------------------------------------
    char skin[21] = {0}; // prefix of every resource name
    char resource[RES_COUNT][32] = {};
    char logoName[32] = {0}; // logotype name + "_win"
    Sint32 logoX = 0, logoY = 0;
    char title[46] = {0};          // appname + " - Setup"
    char target[66] = {0};         // the game's command line
    char configPackage[256] = {0}; // package holding the game's configuration, "" = plain file
    char configBlock[256] = {0};   // its block name (or plain file name)
    char resWidth[kResolutions][5] = {}; // offered resolutions, as texts
    char resHeight[kResolutions][5] = {};

    // ---- Loaded resources (owned by the launcher) ---------------------------
    Sint32 cursor = -1; // ICursor id; -1 none
    SDL_Surface *background[TAB_COUNT] = {nullptr, nullptr, nullptr};
    CSprite *logo = nullptr;
    CFont *font = nullptr;
    Sint32 clickSound = -1, music = -1; // ISoundFX ids; -1 none
    Sint32 checkMaster = -1, radioMaster = -1;

    // ---- Widgets ----------------------------------------------------------------
    SetupWidget exitButton, playButton, saveButton;
    SetupWidget widget[TAB_COUNT][kTabSlots];
    CustomButton custom[kCustomButtons];

    // ---- The panel ----------------------------------------------------------------
    Sint32 currentTab = -1; // -1: none shown yet
    Sint32 benchmarkPoints = 0;
    Sint32 rememberedMtfriendly = 0; // the configuration's, as read at start-up
    bool processorRefused = false;   // the game cannot run here: Play and Save stay off
    QuenlarConfig config;            // the game's settings being edited
    MachineProbes machine = DefaultMachineProbes();
};

#endif
