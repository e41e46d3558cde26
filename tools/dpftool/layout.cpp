// dpftool layout: reads layout.xml from a package exactly as the setup
// launcher does, explains the first missing piece, and checks that every
// resource the layout names is in the package.
#include "command.h"

#include "setup/layout.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// 1 when the package holds a live block of that name and type.
bool HasBlock(int dpf, const std::string &name, const char *type) {
    if (!type) return false;
    DPFBlock b;
    memset(&b, 0, sizeof b);
    snprintf(b.name, sizeof b.name, "%s", name.c_str());
    snprintf(b.type, sizeof b.type, "%s", type);
    return IStuffDPF->Find(dpf, &b) == 1;
}

int Run(int argc, char **argv) {
    dpftool::Args args("layout", argc, argv, {}, 1, 1);
    if (!args.ok()) return args.status();
    // Reading XML from a package needs the whole engine, as in the launcher.
    dpftool::Sdk sdk(true);
    if (!sdk.ok()) return dpftool::Fail("the SDK could not be started");

    std::unique_ptr<SetupState> state(new SetupState);
    int code = ParseLayoutFrom(args[0], *state);
    if (code == 0)
        printf("ok\n");
    else if (code == 1)
        printf("1: %s (%s)\n", DescribeLayoutError(code).c_str(), dpftool::SdkReason().c_str());
    else
        printf("%d: %s\n", code, DescribeLayoutError(code).c_str());

    // The resource names exist once the layout got past its main part.
    bool complete = code == 0;
    if (state->resource[RES_CURSOR][0]) {
        int dpf = dpftool::OpenPackage(args[0], dpftool::kReadOnly | dpftool::kNeedBlocks);
        if (!dpf) return dpftool::kFailed;
        printf("resources:\n");
        for (const LayoutResource &r : LayoutResources(*state)) {
            if (!r.firstUse) continue; // a clone, or a block already listed
            bool present = HasBlock(dpf, r.name, r.type) || HasBlock(dpf, r.name, r.fallback);
            const char *mark = present ? "" : r.optional ? "  missing (optional)" : "  missing";
            printf("  %-32s %s%s\n", r.name.c_str(), r.type, mark);
            if (!present && !r.optional) complete = false;
        }
        IStuffDPF->Close(dpf);
    }
    return complete ? dpftool::kOk : dpftool::kFailed;
}

} // namespace

DPFTOOL_COMMAND("layout", "layout PACKAGE", Run);
