// SDL 1.2's key names ("return", "escape", "a", "f1", "left shift" ...), the
// names button commands take and show associated keys by.
#ifndef DPFTOOL_KEY_NAMES_H
#define DPFTOOL_KEY_NAMES_H

#include <string>

namespace dpftool {

// The SDL key code named `name` (case does not matter), or 0 for none.
int KeyFromName(const std::string &name);
// SDL's name of key code `key`; "key N" for a code SDL has no name for.
std::string KeyName(int key);

} // namespace dpftool

#endif
