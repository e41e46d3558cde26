// dpftool preview: a graphic resource drawn into a PNG picture, so that a
// modder sees what the game will show.
#include "resource_kind.h"

#include <cstdlib>
#include <cstring>

namespace {
int Run(int argc, char **argv) {
    dpftool::Args args("preview", argc, argv, {}, 4, 4);
    if (!args.ok()) return args.status();
    const char *path = args[0], *name = args[1], *type = args[2], *out = args[3];
    const dpftool::ResourceKind *kind = dpftool::FindResourceKind(type);
    if (!kind || !kind->preview)
        return dpftool::UsageError("preview", "no preview for blocks of type '%s'", type);

    // Resources load only once the engine has started; the dummy driver
    // starts SDL's video without a window.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    dpftool::Sdk sdk(true, SDL_INIT_VIDEO);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not start");
    const int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    const int status = kind->preview(handle, name, out);
    IStuffDPF->Close(handle);
    return status;
}
} // namespace

DPFTOOL_COMMAND("preview", "preview PACKAGE NAME TYPE OUT.png", Run);
