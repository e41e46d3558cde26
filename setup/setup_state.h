// SetupState: everything the launcher knows during a run. Filled from
// layout.xml at start-up, edited by the settings panel.
#ifndef QUENLAR_SETUP_SETUP_STATE_H
#define QUENLAR_SETUP_SETUP_STATE_H

#include <SDL.h>

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
    char resWidth[4][5] = {};      // offered resolutions, as texts
    char resHeight[4][5] = {};

    // ---- Loaded resources (owned by the launcher) ---------------------------
    SDL_Surface *background[TAB_COUNT] = {nullptr, nullptr, nullptr};

    // ---- Widgets ----------------------------------------------------------------
    SetupWidget exitButton, playButton, saveButton;
    SetupWidget widget[TAB_COUNT][kTabSlots];
    CustomButton custom[kCustomButtons];

    Sint32 currentTab = -1;
};

#endif
