// The settings panel: the three tabs, how each widget maps to a value of
// the game's settings (SetupState::config), which combinations are allowed,
// and when Save is.
#ifndef QUENLAR_SETUP_PANEL_H
#define QUENLAR_SETUP_PANEL_H

#include "setup/setup_state.h"

// The launcher's settings before the game's configuration is read.
void SetDefaults(QuenlarConfig &config);

// Shows tab `tab` (TAB_GENERAL, TAB_VIDEO, TAB_AUDIO): its layer of buttons,
// background, logo and texts.
void ShowTab(SetupState &state, int tab);

// Set the widgets of a tab from the settings, enforcing the combinations
// the renderers and window modes allow (which may change the settings).
void RefreshGeneralTab(SetupState &state);
void RefreshVideoTab(SetupState &state);
void RefreshAudioTab(SetupState &state);

// Save is Normal when every setting has its widget chosen, else Disabled.
void UpdateSaveButton(SetupState &state);

// Acts on a click of a panel widget (a tab's slot 1..19): true when `id`
// is one.
bool ChoosePanelWidget(SetupState &state, int id);

// Measures the machine for about eight seconds and shows the points.
void RunBenchmark(SetupState &state);

// The benchmark's counts, each taken over one second.
struct BenchmarkCounts {
    uint64_t ticksBefore = 0; // clock reads
    uint64_t crcPasses = 0;   // CRC-32 passes over 32 MiB
    uint64_t ticksAfter = 0;  // clock reads, again
    uint64_t blits[5] = {};   // blits of 16, 32, 64, 128 and 256 pixel squares
};
BenchmarkCounts MeasureBenchmark(const MachineProbes &machine);
int BenchmarkPoints(const BenchmarkCounts &counts);

#endif
