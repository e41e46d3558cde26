// The registry behind IButton: the record of one button, the slots that
// hold them, and what the registry's files share (ids, hit boxes, images).
// SDK-internal.
#ifndef QUENLAR_GUI_BUTTON_PRIVATE_H
#define QUENLAR_GUI_BUTTON_PRIVATE_H

#include <quenlar/gui/button.h>

#include <quenlar/gfx/tile.h>

#include <memory>
#include <string>

namespace qnl {
namespace gui {

constexpr int kLayers = 8;
constexpr int kSlots = 32; // per layer
constexpr int kMasters = 100;
constexpr int kMasterBase = 1000;   // id of master slot 0
constexpr int kNameLength = 24;     // characters of a button's name
constexpr int kTextLength = 31;     // characters of an input box's text
constexpr Uint32 kKeyDelayMs = 120; // a held key presses this long before it acts
constexpr Uint32 kTypingDelayMs = 150;
constexpr int kSliderMargin = 25; // track pixels on each side that the knob never covers

// The state images, in the record's order. Images are shared: a clone holds
// its master's, and they are deleted with the last button holding them.
enum Image { kNormalImage, kSelectImage, kPressedImage, kOffImage, kImages };
typedef std::shared_ptr<CTile> TilePtr;

struct HitBox {
    Sint16 x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    // Strictly inside.
    bool Contains(int x, int y) const { return x1 < x && x < x2 && y1 < y && y < y2; }
};

struct ButtonRecord {
    ButtonCallback callback = nullptr;
    Uint16 key = 0;         // SDL key code; 0 none
    Uint8 type = 0;         // ButtonType
    Uint32 selectColor = 0; // pixel value in the screen's format; 0 no select box
    Sint16 x = 0, y = 0;
    // Sliders, progress bars: steps. Check buttons: their value (BS_NORMAL
    // unchecked, BS_PRESSED checked, BS_DISABLED while disabled).
    Sint16 range = 0;
    bool visible = false;
    bool clone = false;
    // Sliders, progress bars: 0..range. Check buttons: the value saved
    // while disabled.
    Sint32 value = 0;
    Sint32 id = 0;
    bool free = true;
    Uint8 state = BS_NORMAL;
    Uint8 lastState = BS_NORMAL;
    HitBox box;
    Uint32 keyTime = 0; // tick at which the key was first seen held; 0 not held
    TilePtr images[kImages];
    char text[kTextLength + 1] = {0};
    CFont *font = nullptr; // not owned
    // The input box's text rectangle, relative to the button's position.
    Sint16 textX = 0, textY = 0;
    Uint16 textWidth = 0, textHeight = 0;
    char name[kNameLength + 1] = {0};
    // A clone: its master's id. A master: the number of its clones.
    Sint32 masterLink = 0;
    Uint32 first = 0, second = 0; // the callback's words
    Uint32 mouseMask = SDL_BUTTON_LMASK;
    bool actionPending = false; // a click activated it; the callback has not run
    // Beyond the record of the format: a clone whose master was freed (its
    // master link no longer counts it), an activation already reported by a
    // draw of this logic step, and a held key that has acted already.
    bool orphan = false;
    bool reported = false;
    bool keyActed = false;

    CTile *Tile(Image i) const { return images[i].get(); }
};

// Slots are addressed by layer 0..7 and slot 0..31, or master slot 0..99.
struct QButtonSlots {
    ButtonRecord layers[kLayers][kSlots];
    ButtonRecord masters[kMasters];
};

// The name of a kind or a state in the information dump; "none" for 0.
const char *TypeName(int type);
const char *StateName(int state);

// Recomputes the hit box (and places the images) after a move.
void PlaceButton(ButtonRecord &b);

// Why these images cannot make a button of kind `type`, or "" when they
// can: each of `images` (null where absent) must be there when the kind
// uses it and absent when it does not, and have the size the kind needs.
// Shared with dpftool, which refuses the same pictures.
std::string ImagesProblem(int type, const SDL_Surface *const images[kImages]);

// Draws `tile` on the screen with its top-left corner at (x, y).
void DrawTileAt(CTile *tile, int x, int y);

// What a draw does for input (buttoninput.cpp). Activate: a button in the
// Action state runs its callback and, a check button, toggles when a click
// activated it; true when the draw reports it (once per activation).
bool Activate(ButtonRecord &b);
// A pressed slider takes the value under the pointer.
void DragSlider(ButtonRecord &b);
// The focused input box takes the key typed.
void EditText(ButtonRecord &b);

} // namespace gui
} // namespace qnl

struct QButton::Registry {
    qnl::gui::QButtonSlots slots;
    int workingLayer = 0;
    bool layerVisible[qnl::gui::kLayers] = {true};
    // An input box had focus in the last drawn frame: associated keys are
    // ignored meanwhile.
    bool inputFocus = false;
    // The program changed a button since the last draw: the next one draws.
    bool changed = false;

    // The button of `id` when it is in use (or, with `allowFree`, a free
    // working slot), else null.
    qnl::gui::ButtonRecord *Find(int id, bool allowFree = false);
    qnl::gui::ButtonRecord &Slot(int layer, int slot) { return slots.layers[layer][slot]; }
    qnl::gui::ButtonRecord &Master(int slot) { return slots.masters[slot]; }
};

#endif
