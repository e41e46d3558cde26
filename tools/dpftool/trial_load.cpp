#include "trial_load.h"

#include "command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace dpftool {

bool TrialLoad(const char *name, const char *type, const std::vector<unsigned char> &payload,
               const std::function<bool(int handle)> &load) {
    const char *dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/dpftool-trial-XXXXXX";
    const int fd = mkstemp(&path[0]);
    if (fd < 0) {
        qnl::SetError(qnl::ErrorCode::kIo, "no scratch file can be made in %s", path.c_str());
        return false;
    }
    close(fd);
    const int handle = IStuffDPF->Create(path.c_str());
    bool loaded = false;
    if (handle > 0) {
        DPFBlock block;
        std::memset(&block, 0, sizeof block);
        std::snprintf(block.name, sizeof block.name, "%s", name);
        std::snprintf(block.type, sizeof block.type, "%s", type);
        block.mode = 1; // stored: only the loader is on trial
        block.size = (unsigned int)payload.size();
        block.data = reinterpret_cast<char *>(const_cast<unsigned char *>(payload.data()));
        loaded = IStuffDPF->AddData(handle, &block) > 0 && load(handle);
        IStuffDPF->Close(handle);
    }
    std::remove(path.c_str());
    return loaded;
}

} // namespace dpftool
