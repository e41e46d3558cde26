// Starting the game and opening links: the launcher's side. How a process
// is started is the platform layer's business.
#include "setup/launch.h"

#include <quenlar/core/log.h>
#include <quenlar/platform/process.h>

#include <cstring>
#include <string>

int LaunchTarget(const SetupState &state) {
    std::string target(state.target, strnlen(state.target, sizeof state.target));
    if (!qnl::platform::StartCommandLine(target.c_str())) {
        ILogSystem.Msg(2, " \xB7 [Execute Error] - Couldn\xB4t execute the target application\n");
        return 0;
    }
    ILogSystem.Msg(2, " \xB7 [Execute Info] - '%s' was successfully executed!\n", target.c_str());
    return 1;
}

void OpenCustomLink(const SetupState &state, int index) {
    if (index < 0 || index >= kCustomButtons) return;
    const CustomButton &entry = state.custom[index];
    if (entry.type != 1 && entry.type != 2) return;
    // Data is handed over as one argument, spaces and all.
    size_t length = strnlen(entry.data, sizeof entry.data);
    if (length > static_cast<size_t>(kMaxLinkData) ||
        !qnl::platform::OpenWithAssociatedProgram(entry.data))
        ILogSystem.Msg(2, " \xB7 [OpenData() Error] - Couldn\xB4t open '%.*s'\n",
                       static_cast<int>(length), entry.data);
}
