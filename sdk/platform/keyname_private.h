// Key names the same on every SDL 1.2 library.
#ifndef QUENLAR_PLATFORM_KEYNAME_PRIVATE_H
#define QUENLAR_PLATFORM_KEYNAME_PRIVATE_H

namespace qnl {
namespace platform {

// SDL_GetKeyName's text for an SDL key code, as classic SDL 1.2 gives it:
// a key that stands for a printable character is named by that character.
// sdl12-compat 1.2.60 names the semicolon key ");". The text is static.
const char *KeyName(int key);

} // namespace platform
} // namespace qnl

#endif
