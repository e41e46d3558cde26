// dpftool extract-all: every live block as DIR/TYPE/NAME.
#include "command.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {
// A name that stays one path component inside DIR.
bool SafeComponent(const char *text) {
    std::string s = text;
    return !s.empty() && s != "." && s != ".." && s.find_first_of("/\\") == std::string::npos;
}

bool MakeDirectory(const std::string &path) {
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

int Run(int argc, char **argv) {
    dpftool::Args args("extract-all", argc, argv, {}, 2, 2);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    const std::string dir = args[1];

    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    if (!MakeDirectory(dir)) {
        IStuffDPF->Close(handle);
        return dpftool::Fail("%s: %s", dir.c_str(), strerror(errno));
    }

    int status = dpftool::kOk;
    std::set<std::pair<std::string, std::string>> seen;
    DPFBlock b;
    int r = IStuffDPF->FindFirst(handle, &b);
    for (; r == 1; r = IStuffDPF->FindNext(handle, &b)) {
        if (dpftool::IsDeleted(b)) continue;
        // Readers find the first block of a name and type; later ones are shadowed.
        if (!seen.insert({b.name, b.type}).second) continue;
        if (!SafeComponent(b.name) || !SafeComponent(b.type)) {
            status = dpftool::Fail(
                "%s: block '%s' of type '%s' is not extracted: its name would leave %s", path,
                b.name, b.type, dir.c_str());
            continue;
        }
        const std::string folder = dir + "/" + b.type, file = folder + "/" + b.name;
        DPFBlock loaded;
        int size = b.size > 0 ? IStuffDPF->LoadFound(handle, &loaded) : 0;
        if (b.size > 0 && size <= 0) {
            status = dpftool::Fail("%s: block '%s' (%s): %s", path, b.name, b.type,
                                   dpftool::SdkReason().c_str());
            continue;
        }
        bool written = MakeDirectory(folder) &&
                       dpftool::WriteWholeFile(file, size > 0 ? loaded.data : "", (size_t)size);
        if (size > 0) delete[] loaded.data;
        if (!written) status = dpftool::Fail("%s: %s", file.c_str(), strerror(errno));
    }
    IStuffDPF->Close(handle);
    if (r != 0) return dpftool::Fail("%s: the package is damaged after the blocks extracted", path);
    return status;
}
} // namespace

DPFTOOL_COMMAND("extract-all", "extract-all PACKAGE DIR", Run);
