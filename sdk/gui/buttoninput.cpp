// Input: IButton->Update turns the pointer and keys of each logic step into
// states; IButton->Draw then does what the states imply (Activate,
// DragSlider, EditText).
//
// A click is a press and a release over the button, reported once by the
// next draw. An associated key held down presses the button for 120 ms,
// then activates it for one step, and again every 120 ms or so while held;
// a shorter tap activates it when released.
// A slider pressed by the pointer follows it, also out of its box, until
// the button is released. An input box has focus while the pointer is over
// it; meanwhile it takes typed keys and no button's key acts.
#include <quenlar/gui/button_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/gfx/font.h>

#include <algorithm>
#include <cstring>

using qnl::gui::ButtonRecord;
namespace gui = qnl::gui;

namespace {

bool HasKey(int type) {
    return type == BT_NORMAL || type == BT_ICON || type == BT_COMPLEX || type == BT_CHECK;
}

// The pointer's part: hover, press, and release over the button.
void PointerState(ButtonRecord &b, int x, int y, Uint32 down, Uint32 downBefore) {
    const bool held = (down & b.mouseMask) != 0;
    const bool heldBefore = (downBefore & b.mouseMask) != 0;
    if (b.box.Contains(x, y)) {
        b.state = BS_SELECTED; // an input box's focus
        if (b.type == BT_INPUTBOX) return;
        if (!held && heldBefore) {
            b.state = BS_ACTION;
            b.actionPending = true;
        } else if (held) {
            b.state = BS_PRESSED;
        }
    } else if (b.type == BT_SLIDER && b.lastState == BS_PRESSED && held) {
        b.state = BS_PRESSED; // dragged out of its box: the value clamps at the ends
    }
    if (b.type == BT_SLIDER && b.state == BS_PRESSED) qnl::Engine().refresh(1);
}

// The associated key's part, which overrides the pointer's: pressed while
// held, acting once the key has been held 120 ms and again every 120 ms
// after. A tap released before its first act acts on release, as a click.
void KeyState(ButtonRecord &b, bool inputFocus, Uint32 now) {
    // Key 0 is no key, even when SDL reports a key it has no code for.
    const bool held = b.key && !inputFocus && qnl::Engine().keyDown(b.key);
    if (!held) {
        if (b.keyTime && !b.keyActed && !inputFocus) b.state = BS_ACTION;
        b.keyTime = 0;
        b.keyActed = false;
        return;
    }
    if (!b.keyTime) b.keyTime = now ? now : 1; // 0 means not held
    if (b.keyTime + gui::kKeyDelayMs >= now) {
        b.state = BS_PRESSED;
    } else {
        b.state = BS_ACTION;
        b.keyTime = 0;
        b.keyActed = true;
    }
}

} // namespace

void QButton::Update() {
    const qnl::EngineLink &engine = qnl::Engine();
    const int x = *engine.mousex, y = *engine.mousey;
    const Uint32 down = *engine.mousebuttons, downBefore = *engine.lastmousebuttons;
    const Uint32 now = QuenlarTicks();
    for (int layer = 0; layer < gui::kLayers; ++layer) {
        if (!r_->layerVisible[layer]) continue;
        for (ButtonRecord &b : r_->slots.layers[layer]) {
            if (b.free || !b.visible || b.state == BS_DISABLED) continue;
            b.lastState = b.state;
            b.state = BS_NORMAL;
            b.reported = false;
            PointerState(b, x, y, down, downBefore);
            if (HasKey(b.type)) KeyState(b, r_->inputFocus, now);
            if (b.state != b.lastState) engine.refresh(1);
        }
    }
}

// ---------------------------------------------------------------------------
// What a draw does for input
// ---------------------------------------------------------------------------
bool gui::Activate(ButtonRecord &b) {
    if (b.type == BT_PROGRESSBAR || b.type == BT_INPUTBOX || b.reported) return false;
    b.reported = true;
    // Only a click runs the callback and toggles a check button.
    if (!b.actionPending) return true;
    b.actionPending = false;
    if (b.callback) b.callback(b.first, b.second);
    if (b.type == BT_CHECK && !b.free) b.range = b.range == BS_NORMAL ? BS_PRESSED : BS_NORMAL;
    return true;
}

void gui::DragSlider(ButtonRecord &b) {
    CTile *track = b.Tile(kNormalImage);
    const int travel = (track ? track->GetWidth() : 0) - 2 * kSliderMargin;
    if (travel <= 0 || b.range <= 0) return;
    // The value of the step nearest the pointer.
    const int step = (int)((double)travel / b.range);
    const long long t = (long long)((*qnl::Engine().mousex - b.x - kSliderMargin) + step * 0.5);
    b.value = (Sint32)std::max(0LL, std::min(b.range * t / travel, (long long)b.range));
}

void gui::EditText(ButtonRecord &b) {
    const qnl::EngineLink &engine = qnl::Engine();
    const int c = engine.readKey(kTypingDelayMs);
    if (!b.font) return;
    size_t length = std::strlen(b.text);
    if ((c == 127 || c == 8) && length) b.text[--length] = '\0';
    const char *typed = engine.keyText(c);
    if (!typed || length + std::strlen(typed) > (size_t)kTextLength) return;
    // Only what fits the text rectangle.
    const int width =
        (int)length * b.font->GetSpacing() + b.font->GetWidth(b.text) + b.font->GetWidth(typed);
    if (width < b.textWidth - 1) std::strcat(b.text, typed);
}
