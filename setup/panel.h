// The settings panel: the three tabs and what they show.
#ifndef QUENLAR_SETUP_PANEL_H
#define QUENLAR_SETUP_PANEL_H

#include "setup/setup_state.h"

// Shows tab `tab` (TAB_GENERAL, TAB_VIDEO, TAB_AUDIO): its background.
void ShowTab(SetupState &state, int tab);

#endif
