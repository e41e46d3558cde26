// IButton->Draw: every visible button of the visible layers drawn by its
// kind and state, in layer and slot order; the activations found on the
// way (buttoninput.cpp) are reported.
//
//   State      Normal, Icon   Complex  Slider          ProgressBar  Check     InputBox
//   Normal     normal         normal   track and knob  bar          by value  idle box
//   Selected   normal, box    select   track and knob  bar          by value  focused box
//   Pressed    pressed        pressed  drag, t. and k. bar          by value  -
//   Action     normal         normal   track and knob  bar          by value  -
//   Disabled   off            off      off             off bar      off       off
//
// "by value": the normal image while unchecked, else the pressed one.
#include <quenlar/gui/button_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/gfx/font.h>
#include <quenlar/gfx/primitives.h>

#include <cstring>

using qnl::gui::ButtonRecord;
namespace gui = qnl::gui;

void gui::DrawTileAt(CTile *tile, int x, int y) {
    if (!tile) return;
    tile->SetPosition(x, y); // clones share their tiles: each draw places its own
    tile->Draw();
}

namespace {

int Width(CTile *tile) {
    return tile ? tile->GetWidth() : 0;
}
int Height(CTile *tile) {
    return tile ? tile->GetHeight() : 0;
}

// The track (normal image) at the slider's place, the knob (pressed image)
// along it by the value: 25 pixels of track on each side stay uncovered.
void DrawTrackAndKnob(const ButtonRecord &b) {
    CTile *track = b.Tile(gui::kNormalImage), *knob = b.Tile(gui::kPressedImage);
    gui::DrawTileAt(track, b.x, b.y);
    const long travel = Width(track) - 2 * gui::kSliderMargin - Width(knob);
    const long along = b.range > 0 ? travel * b.value / b.range : 0;
    gui::DrawTileAt(knob, b.x + gui::kSliderMargin + (int)along,
                    b.y + Height(track) / 2 - Height(knob) / 2);
}

// `range` cells side by side from the button's place: the first `filled`
// of them `full`, the others `empty`. Cells past the screen's right edge
// are left out.
void DrawBar(const ButtonRecord &b, CTile *full, CTile *empty, int filled) {
    SDL_Surface *screen = qnl::Engine().screen();
    const long cell = Width(full);
    for (long j = 0; j < b.range; ++j) {
        const long x = b.x + j * cell;
        if (x >= screen->w) break;
        gui::DrawTileAt(j < filled ? full : empty, (int)x, b.y);
    }
}

// An input box's text, clipped to its text rectangle; with the caret
// after the last character when `caret`, blinking twice a second.
void DrawText(const ButtonRecord &b, bool caret) {
    if (!b.font) return;
    const int x = b.x + b.textX, y = b.y + b.textY;
    SDL_Rect clip = {(Sint16)x, (Sint16)y, b.textWidth, b.textHeight};
    SDL_Surface *screen = qnl::Engine().screen();
    if (caret)
        b.font->PutStringCursor(screen, x, y, b.text, (int)std::strlen(b.text), &clip,
                                QuenlarTicks() % 1000 <= 500);
    else
        b.font->PutString(screen, x, y, b.text, &clip);
}

} // namespace

// Draws one button; true when it reports its activation.
static bool DrawButton(QButton::Registry &r, ButtonRecord &b) {
    const int valueBefore = b.range; // a check button draws its value from before a toggle
    const bool reported = b.state == BS_ACTION && gui::Activate(b);
    if (b.free) return reported; // its callback removed it
    CTile *normal = b.Tile(gui::kNormalImage), *pressed = b.Tile(gui::kPressedImage);
    CTile *off = b.Tile(gui::kOffImage);
    const bool disabled = b.state == BS_DISABLED;
    switch (b.type) {
    case BT_NORMAL:
    case BT_ICON:
        gui::DrawTileAt(disabled ? off : b.state == BS_PRESSED ? pressed : normal, b.x, b.y);
        if (b.state == BS_SELECTED && b.selectColor)
            IPrimitives->Rect(qnl::Engine().screen(), b.box.x1, b.box.y1, b.box.x2, b.box.y2,
                              b.selectColor);
        break;
    case BT_COMPLEX:
        gui::DrawTileAt(disabled                 ? off
                        : b.state == BS_PRESSED  ? pressed
                        : b.state == BS_SELECTED ? b.Tile(gui::kSelectImage)
                                                 : normal,
                        b.x, b.y);
        break;
    case BT_SLIDER:
        if (disabled) {
            gui::DrawTileAt(off, b.x, b.y);
            break;
        }
        if (b.state == BS_PRESSED) gui::DragSlider(b);
        DrawTrackAndKnob(b);
        break;
    case BT_PROGRESSBAR:
        // Hovering or clicking a bar does not hide it.
        if (disabled)
            DrawBar(b, off, off, b.range);
        else
            DrawBar(b, normal, pressed, b.value);
        break;
    case BT_CHECK:
        gui::DrawTileAt(disabled ? off : valueBefore == BS_NORMAL ? normal : pressed, b.x, b.y);
        break;
    case BT_INPUTBOX:
        if (disabled) {
            gui::DrawTileAt(off, b.x, b.y);
        } else if (b.state == BS_SELECTED) {
            gui::EditText(b);
            gui::DrawTileAt(pressed, b.x, b.y);
            DrawText(b, true);
            qnl::Engine().refresh(2); // the caret blinks: redraw every frame
            r.inputFocus = true;
        } else if (b.state == BS_NORMAL) {
            if (!r.inputFocus) qnl::Engine().refresh(0);
            gui::DrawTileAt(normal, b.x, b.y);
            DrawText(b, false);
        }
        break;
    default:
        break;
    }
    return reported;
}

int QButton::Draw() {
    if (!qnl::Engine().screen()) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, "IButton->Draw()",
                         "Quenlar.screen was not initialized.");
        return -1;
    }
    // Changes the program made since the last draw show without a request:
    // a request made between two draws is gone with the next flip.
    if (!qnl::Engine().needRefresh() && !r_->changed) return -1;
    r_->changed = false;
    r_->inputFocus = false;
    int result = -1;
    for (int layer = 0; layer < gui::kLayers; ++layer) {
        if (!r_->layerVisible[layer]) continue;
        for (ButtonRecord &b : r_->slots.layers[layer]) {
            if (b.free || !b.visible) continue;
            const int id = b.id;
            if (DrawButton(*r_, b)) result = id;
        }
    }
    return result;
}
