// The setup launcher.
#ifndef QUENLAR_SETUP_LAUNCHER_H
#define QUENLAR_SETUP_LAUNCHER_H

#include "setup/setup_state.h"

// Runs the launcher in the working directory; returns the exit status
// (0 after a normal end, 1 after a start-up failure).
int RunLauncher();

// Reads layout.xml from setup.dpf into `state`: 0, or the code of the first
// missing piece (1: the document cannot be opened or parsed).
int ParseLayout(SetupState &state);

// Loads the window's resources from setup.dpf: null, or the name of the
// first one that failed.
const char *LoadResources(SetupState &state);
// Frees what LoadResources loaded; safe on a partly loaded state.
void FreeResources(SetupState &state);
// Runs passes until Escape (or another quit) ends the run.
void RunMainLoop(SetupState &state);

#endif
