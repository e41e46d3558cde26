// Files and directories.
#ifndef QUENLAR_PLATFORM_FILESYSTEM_H
#define QUENLAR_PLATFORM_FILESYSTEM_H

namespace qnl {
namespace platform {

// Creates the missing directories of the directory part of `path` (what
// precedes its last separator), one level at a time from the top. "\\"
// counts as "/". Failures are not reported: the caller's write fails instead.
void MakeParentDirectories(const char *path);

} // namespace platform
} // namespace qnl

#endif
