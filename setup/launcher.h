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

#endif
