// Keyboard functions of the engine: key state, repeat and the US layout.
#include <quenlar/core/engine_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/platform/keyname_private.h>

namespace {

// Shifted characters of the United States layout.
struct ShiftedKey {
    int key;
    int shifted;
};
const ShiftedKey kShifted[] = {
    {'\'', '"'}, {',', '<'}, {'-', '_'}, {'.', '>'}, {'/', '?'}, {'[', '{'}, {']', '}'},
    {'0', ')'},  {'1', '!'}, {'2', '@'}, {'3', '#'}, {'4', '$'}, {'5', '%'}, {'6', '^'},
    {'7', '&'},  {'8', '*'}, {'9', '('}, {';', ':'}, {'=', '+'}, {'`', '~'}, {'\\', '|'},
};

// Keypad keys without Num Lock act as the navigation keys.
int KeypadNavigation(int key) {
    switch (key) {
    case SDLK_KP0:
        return SDLK_INSERT;
    case SDLK_KP1:
        return SDLK_END;
    case SDLK_KP2:
        return SDLK_DOWN;
    case SDLK_KP3:
        return SDLK_PAGEDOWN;
    case SDLK_KP4:
        return SDLK_LEFT;
    case SDLK_KP6:
        return SDLK_RIGHT;
    case SDLK_KP7:
        return SDLK_HOME;
    case SDLK_KP8:
        return SDLK_UP;
    case SDLK_KP9:
        return SDLK_PAGEUP;
    case SDLK_KP_PERIOD:
        return SDLK_DELETE;
    default:
        return key; // keypad 5 stays keypad 5
    }
}

} // namespace

// Down in SDL's state, or pressed since the step before this one.
static bool IsDown(const qnl::EngineState &s, int key) {
    if (!s.keys || key < 0 || key >= SDLK_LAST) return false;
    return (key < s.keyCount && s.keys[key]) || s.stepKeys[(size_t)key];
}

Uint8 QuenlarEngine::KeyDown(int key) {
    return IsDown(*state_, key) ? 1 : 0;
}

int QuenlarEngine::ReadKey(Uint32 delay) {
    qnl::EngineState &s = *state_;
    if (!s.keys) return 0;
    const Uint32 now = QuenlarTicks();
    for (int key = 8; key <= 295; ++key) {
        if (!IsDown(s, key) || !(s.lastRepeat[key] + delay < now)) continue;
        s.lastRepeat[key] = now;
        return TranslateKey(key);
    }
    return 0;
}

int QuenlarEngine::TranslateKey(int key) {
    const SDLMod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) {
        if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
        for (const ShiftedKey &k : kShifted)
            if (k.key == key) return k.shifted;
    }
    switch (key) {
    case SDLK_KP_DIVIDE:
        return '/';
    case SDLK_KP_MULTIPLY:
        return '*';
    case SDLK_KP_MINUS:
        return '-';
    case SDLK_KP_PLUS:
        return '+';
    case SDLK_KP_ENTER:
        return 13;
    default:
        break;
    }
    const bool keypad = (key >= SDLK_KP0 && key <= SDLK_KP9) || key == SDLK_KP_PERIOD;
    if (!keypad) return key;
    if (mod & KMOD_NUM) return key == SDLK_KP_PERIOD ? '.' : '0' + (key - SDLK_KP0);
    return KeypadNavigation(key);
}

const char *QuenlarEngine::KeyText(int code) {
    // One NUL-terminated text per printable code, built once.
    static char text[127][2];
    if (code < 32 || code > 126) return nullptr;
    const bool own =
        code == ' ' || code == '%' || (code >= 'A' && code <= 'Z') || (code >= '{' && code <= '~');
    if (!own) return qnl::platform::KeyName(code);
    text[code][0] = static_cast<char>(code);
    text[code][1] = '\0';
    return text[code];
}
