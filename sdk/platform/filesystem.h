// Files and directories: how the SDK's file names map onto this system.
#ifndef QUENLAR_PLATFORM_FILESYSTEM_H
#define QUENLAR_PLATFORM_FILESYSTEM_H

#include <string>

namespace qnl {
namespace platform {

// The name to give the system for a file name of the SDK: "\\" is a path
// separator as "/" is (games written for Windows use it). Every file the
// SDK opens, creates, renames or removes is named through this.
std::string NativePath(const char *path);

// Creates the missing directories of the directory part of `path` (what
// precedes its last separator), one level at a time from the top.
// Failures are not reported: the caller's write fails instead.
void MakeParentDirectories(const char *path);

// The directory part of `path` when that directory does not exist, else "".
std::string MissingParentDirectory(const char *path);

} // namespace platform
} // namespace qnl

#endif
