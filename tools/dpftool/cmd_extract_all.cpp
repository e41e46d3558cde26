// dpftool extract-all: every live block as DIR/TYPE/NAME. Files are made
// through DIR's descriptor and never through a link or a second name of a
// file, so nothing outside DIR is written whatever DIR already holds.
#include "command.h"

#include <quenlar/platform/fileio_private.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {
// A name that stays one path component inside DIR.
bool SafeComponent(const char *text) {
    std::string s = text;
    return !s.empty() && s != "." && s != ".." && s.find_first_of("/\\") == std::string::npos;
}

// Why a file or folder inside DIR cannot be written.
std::string Refusal() {
    if (errno == ELOOP) return "a symbolic link, not followed";
    if (errno == EMLINK) return "a file with other names (hard links), not written through";
    return qnl::platform::LastErrorText();
}

// The descriptors of DIR and of its TYPE folders, closed at the end.
class Folders {
public:
    explicit Folders(int top) : top_(top) {}
    ~Folders() {
        for (const auto &f : folders_)
            qnl::platform::CloseFile(f.second);
        qnl::platform::CloseFile(top_);
    }
    // The folder of a type, made when missing; -1 with errno set.
    int Of(const std::string &type) {
        auto it = folders_.find(type);
        if (it != folders_.end()) return it->second;
        int fd = qnl::platform::OpenSubdirectory(top_, type.c_str());
        if (fd >= 0) folders_[type] = fd;
        return fd;
    }

private:
    int top_;
    std::map<std::string, int> folders_;
};

int Run(int argc, char **argv) {
    dpftool::Args args("extract-all", argc, argv, {}, 2, 2);
    if (!args.ok()) return args.status();
    const char *path = args[0];
    const std::string dir = args[1];

    dpftool::Sdk sdk;
    int handle = dpftool::OpenPackage(path, dpftool::kReadOnly | dpftool::kNeedBlocks);
    if (!handle) return dpftool::kFailed;
    int top = -1;
    if ((mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) ||
        (top = qnl::platform::OpenDirectory(dir.c_str())) < 0) {
        IStuffDPF->Close(handle);
        return dpftool::Fail("%s: %s", dir.c_str(), qnl::platform::LastErrorText());
    }
    Folders folders(top);

    int status = dpftool::kOk;
    std::set<std::pair<std::string, std::string>> seen;
    DPFBlock b;
    int r = IStuffDPF->FindFirst(handle, &b);
    for (; r == 1; r = IStuffDPF->FindNext(handle, &b)) {
        if (dpftool::IsDeleted(b)) continue;
        // Readers find the first block of a name and type; later ones are shadowed.
        if (!seen.insert({b.name, b.type}).second) continue;
        const std::string name = dpftool::Printable(b.name), type = dpftool::Printable(b.type);
        if (!SafeComponent(b.name) || !SafeComponent(b.type)) {
            status = dpftool::Fail(
                "%s: block '%s' of type '%s' is not extracted: its name would leave %s", path,
                name.c_str(), type.c_str(), dir.c_str());
            continue;
        }
        const std::string file = dir + "/" + type + "/" + name;
        int folder = folders.Of(b.type);
        if (folder < 0) {
            status = dpftool::Fail("%s/%s: %s", dir.c_str(), type.c_str(), Refusal().c_str());
            continue;
        }
        DPFBlock loaded;
        int size = b.size > 0 ? IStuffDPF->LoadFound(handle, &loaded) : 0;
        if (b.size > 0 && size <= 0) {
            status = dpftool::Fail("%s: block '%s' (%s): %s", path, name.c_str(), type.c_str(),
                                   dpftool::SdkReason().c_str());
            continue;
        }
        int fd = qnl::platform::CreateFileIn(folder, b.name);
        bool written = fd >= 0 && qnl::platform::WriteAll(fd, size > 0 ? loaded.data : "",
                                                          (size_t)(size > 0 ? size : 0));
        std::string why = written ? "" : Refusal();
        qnl::platform::CloseFile(fd);
        if (size > 0) delete[] loaded.data;
        if (!written) status = dpftool::Fail("%s: %s", file.c_str(), why.c_str());
    }
    IStuffDPF->Close(handle);
    if (r != 0) return dpftool::Fail("%s: the package is damaged after the blocks extracted", path);
    return status;
}
} // namespace

DPFTOOL_COMMAND("extract-all", "extract-all PACKAGE DIR", Run);
