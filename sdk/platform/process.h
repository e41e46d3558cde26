// Starting other programs: the game's executable and the desktop's handler
// for links, documents and folders.
#ifndef QUENLAR_PLATFORM_PROCESS_H
#define QUENLAR_PLATFORM_PROCESS_H

#include <string>
#include <vector>

namespace qnl {
namespace platform {

// Splits a command line into arguments as Windows programs split theirs:
// spaces and tabs separate; double quotes group and may sit inside a word;
// "" inside quotes is a literal quote; 2n backslashes before a quote give n
// backslashes and the quote groups, 2n+1 give n backslashes and a literal
// quote; other backslashes are literal. The first word only honours quotes.
std::vector<std::string> SplitCommandLine(const std::string &line);

// The file a program name stands for: a name holding "/" is a path (relative
// ones start at the working directory); a bare name is looked for in the
// working directory first, then along PATH. "" when nothing executable is
// found.
std::string FindProgram(const std::string &name);

// Starts argv[0] (found by FindProgram) with the arguments, in the working
// directory and with the environment of the caller, and returns at once.
// The new process gets no descriptors beyond the standard three, and is
// reaped in the background when it ends, so it never lingers as a zombie.
// False when the program could not be started.
bool StartProgram(const std::vector<std::string> &argv);

// StartProgram of a command line split by SplitCommandLine.
bool StartCommandLine(const char *commandLine);

// Hands `text` (a web address, a file or a folder) to the desktop, which
// opens it with its associated program (xdg-open); does not wait.
bool OpenWithAssociatedProgram(const char *text);

} // namespace platform
} // namespace qnl

#endif
