#include <quenlar/platform/filesystem.h>

#include <string>
#include <sys/stat.h>

namespace qnl {
namespace platform {

void MakeParentDirectories(const char *path) {
    if (!path) return;
    std::string dir(path);
    for (char &c : dir)
        if (c == '\\') c = '/';
    size_t end = dir.rfind('/');
    if (end == std::string::npos) return;
    dir.resize(end);
    // Each growing prefix, from the top; an absolute path starts after "/".
    for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        std::string prefix = dir.substr(0, at);
        if (!prefix.empty()) mkdir(prefix.c_str(), 0777);
        if (at == std::string::npos) break;
    }
}

} // namespace platform
} // namespace qnl
