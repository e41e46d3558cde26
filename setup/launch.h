// Starting the game and opening the general tab's links.
#ifndef QUENLAR_SETUP_LAUNCH_H
#define QUENLAR_SETUP_LAUNCH_H

#include "setup/setup_state.h"

// Longest link text that is opened; longer ones are refused.
constexpr int kMaxLinkData = 213;

// Starts the game's command line (the layout's target_win) without waiting.
// 1 when it was started (the launcher then ends), 0 when not.
int LaunchTarget(const SetupState &state);

// Opens the data of custom button entry `index` (0..6, the id minus 10)
// with the desktop's associated program; a free entry does nothing.
void OpenCustomLink(const SetupState &state, int index);

#endif
