// The settings panel.
#include "setup/panel.h"

#include <quenlar/quenlar.h>

void ShowTab(SetupState &state, int tab) {
    if (tab == state.currentTab) return;
    state.currentTab = tab;
    // The background stays on the screen until the next tab is shown:
    // nothing else redraws it.
    SDL_Rect at = {0, 0, 0, 0};
    Quenlar.ScreenBlit(state.background[tab], nullptr, Quenlar.screen, &at);
}
