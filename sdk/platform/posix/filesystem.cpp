#include <quenlar/platform/filesystem.h>

#include <sys/stat.h>

namespace qnl {
namespace platform {

std::string NativePath(const char *path) {
    std::string native(path ? path : "");
    for (char &c : native)
        if (c == '\\') c = '/';
    return native;
}

namespace {
// The directory part of a native path: what precedes its last "/"; "" when
// there is none.
std::string DirectoryPart(const std::string &path) {
    size_t end = path.rfind('/');
    return end == std::string::npos ? std::string() : path.substr(0, end);
}
} // namespace

void MakeParentDirectories(const char *path) {
    if (!path) return;
    std::string dir = DirectoryPart(NativePath(path));
    if (dir.empty()) return;
    // Each growing prefix, from the top; an absolute path starts after "/".
    for (size_t at = dir.find('/', 1);; at = dir.find('/', at + 1)) {
        std::string prefix = dir.substr(0, at);
        if (!prefix.empty()) mkdir(prefix.c_str(), 0777);
        if (at == std::string::npos) break;
    }
}

std::string MissingParentDirectory(const char *path) {
    std::string dir = DirectoryPart(NativePath(path));
    struct stat st;
    if (dir.empty() || (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return "";
    return dir;
}

} // namespace platform
} // namespace qnl
