// The setup launcher.
#ifndef QUENLAR_SETUP_LAUNCHER_H
#define QUENLAR_SETUP_LAUNCHER_H

#include "setup/setup_state.h"

// Runs the launcher in the working directory; returns the exit status
// (0 after a normal end, 1 after a start-up failure).
int RunLauncher();

// The pieces of RunLauncher, for tests that act between them.
// Start-up up to the first tab shown: 0 when the loop may run, else the
// exit status (1), with everything already shut down that the failure
// shuts down.
int StartLauncher(SetupState &state);
// Runs passes until Exit, Escape, a started game or a closed window.
void RunMainLoop(SetupState &state);
// The normal end: FreeResources, then the engine's shutdown.
void StopLauncher(SetupState &state);

// Reads layout.xml from setup.dpf into `state`: 0, or the code of the first
// missing piece (1: the document cannot be opened or parsed).
int ParseLayout(SetupState &state);

// Loads the window's resources from setup.dpf: null, or the name of the
// first one that failed.
const char *LoadResources(SetupState &state);
// Frees what LoadResources loaded; safe on a partly loaded state.
void FreeResources(SetupState &state);

// What the loop does with a button IButton->Draw reported: the click
// sound, Dispatch, then UpdateSaveButton. Returns the quit flag.
int PressButton(SetupState &state, int id);
// Acts on button `id`; returns the quit flag (1 after Exit and after a
// successful start of the game).
int Dispatch(SetupState &state, int id);

// The mixer channel of the click sound.
constexpr int kClickChannel = 1;

#endif
