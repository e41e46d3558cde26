#include <quenlar/platform/keyname_private.h>

#include <SDL.h>

namespace qnl {
namespace platform {

namespace {
// SDL 1.2's key codes for printable characters: punctuation and digits
// from '!' to '@' ('%' has no key) and '[' to 'z' (lower-case letters).
bool IsCharacterKey(int key) {
    return (key >= '!' && key <= '@' && key != '%') || (key >= '[' && key <= 'z');
}
} // namespace

const char *KeyName(int key) {
    static const struct Texts {
        char text[128][2] = {};
        Texts() {
            for (int c = 0; c < 128; ++c)
                text[c][0] = (char)c;
        }
    } texts;
    if (IsCharacterKey(key)) return texts.text[key];
    return SDL_GetKeyName(static_cast<SDLKey>(key));
}

} // namespace platform
} // namespace qnl
