#include <quenlar/tools/windowcommand_private.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace qnl {

int WordNumber(const ConsoleWords &words, size_t i) {
    if (i >= words.size()) return 0;
    const long value = std::strtol(words[i].c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

namespace {
int Clamp(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}
} // namespace

bool WindowCommand(cSimpleWin &window, cConsole &console, const ConsoleWords &words,
                   const char *noun) {
    if (words.size() < 2) return false;
    const std::string &what = words[1];
    const size_t values = words.size() - 2; // the words after the sub-command
    if (what == "alpha") {
        if (values < 1) {
            console.Print(" Current alpha value: %d", window.GetAlpha());
        } else {
            window.SetAlpha(Clamp(WordNumber(words, 2), 64, 255));
            console.Print(" New alpha value %d set", window.GetAlpha());
        }
    } else if (what == "color") {
        if (values < 3) {
            console.Print(" Current background color value (0x00%x)", (unsigned)window.GetColor());
        } else {
            const int r = Clamp(WordNumber(words, 2), 0, 255);
            const int g = Clamp(WordNumber(words, 3), 0, 255);
            const int b = Clamp(WordNumber(words, 4), 0, 255);
            window.SetColorRGB(r, g, b);
            console.Print(" New background color (%d,%d,%d) set", r, g, b);
        }
    } else if (what == "move") {
        if (values >= 2) window.Move(WordNumber(words, 2), WordNumber(words, 3));
        const SDL_Rect rect = window.GetRect();
        if (values < 2)
            console.Print(" Current %s position (%d,%d)", noun, rect.x, rect.y);
        else
            console.Print(" New position (%d,%d) set", rect.x, rect.y);
    } else if (what == "resize") {
        if (values >= 2) window.Resize(WordNumber(words, 2), WordNumber(words, 3));
        const SDL_Rect rect = window.GetRect();
        if (values < 2)
            console.Print(" Current %s size (%dx%d)", noun, rect.w, rect.h);
        else
            console.Print(" New size (%dx%d) set", rect.w, rect.h);
    } else {
        return false;
    }
    return true;
}

} // namespace qnl
