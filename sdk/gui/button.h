// IButton: the button widget system. Push buttons, check buttons, sliders,
// progress bars and input boxes whose looks are tiles of a package.
//
//   int exit = IButton->Load("game.dpf", "exit", 0); // from its "BUT" block
//   ...
//   int id = IButton->Draw();          // once per logic step: -1, or an activated button
//   if (id == exit) ...
//   // Quenlar.Update runs IButton->Update once per logic step.
//
// Buttons live in 8 working layers of 32 slots; a working button in layer
// L, slot s has the id L * 100 + s + 1. 100 master slots hold buttons that
// are never drawn, only cloned (id 1000 + slot); clones share the master's
// images. New buttons and clones go into the working layer; layer 0 is the
// working layer at first and the only one visible.
//
// A button named N takes its images from the "TILB2" blocks N_n (normal),
// N_p (pressed), N_o (off) and, for a Complex button, N_s (select), in the
// package of its "BUT" block (`dpftool add-button` makes them all).
//
// Buttons redraw only while the engine's refresh request is set
// (Quenlar.Refresh), which every state change from input sets, or after the
// program changed one of them.
#ifndef QUENLAR_GUI_BUTTON_H
#define QUENLAR_GUI_BUTTON_H

#include <SDL.h>
#include <cstddef>
#include <memory>

class CFont;

// The kind of a button: one bit each.
enum ButtonType : Uint8 {
    BT_NORMAL = 1,
    BT_ICON = 2, // behaves as BT_NORMAL
    BT_COMPLEX = 4,
    BT_SLIDER = 8,
    BT_PROGRESSBAR = 16,
    BT_CHECK = 32,
    BT_INPUTBOX = 64,
};

// The state of a button: one bit each.
enum ButtonState : Uint8 {
    BS_NORMAL = 1,
    BS_SELECTED = 2, // the pointer is over it
    BS_PRESSED = 4,
    BS_ACTION = 8,    // activated: the next IButton->Draw reports it
    BS_DISABLED = 16, // ignores input, shows its off image
};

// Called by IButton->Draw when a click activates the button, with the two
// words set by IButton->SetCallback.
typedef void (*ButtonCallback)(Uint32 first, Uint32 second);

// What IButton->Create makes. A "BUT" block stores these fields as a
// 24-byte little-endian record (gui/buttondesc_private.h), never this
// struct's memory: its callback is a pointer, 4 bytes wide only on 32-bit
// processors.
struct ButtonDesc {
    ButtonCallback callback; // null for none; not stored
    Uint16 key;              // SDL key code of the associated key; 0 for none
    Uint8 type;              // ButtonType
    Uint8 padding1;
    Uint32 selectColor; // 0x00RRGGBB of the select box; 0 none; 0xFFFFFFFF is invalid
    Sint16 x, y;
    Sint16 range; // Slider, ProgressBar: steps (1 or more); InputBox: vertical text margin
    Sint16 padding2;
    Sint32 value; // Slider, ProgressBar: initial value; InputBox: horizontal text margin
};
// The 24-byte layout on 32-bit processors; elsewhere the same fields after
// a wider callback.
static_assert(offsetof(ButtonDesc, key) == sizeof(ButtonCallback), "ButtonDesc layout");
static_assert(offsetof(ButtonDesc, selectColor) == offsetof(ButtonDesc, key) + 4,
              "ButtonDesc layout");
static_assert(offsetof(ButtonDesc, value) == offsetof(ButtonDesc, key) + 16, "ButtonDesc layout");
static_assert(sizeof(void *) != 4 || sizeof(ButtonDesc) == 24, "ButtonDesc is 24 bytes");

class QButton {
public:
    // Allocates the registry; logs " . [IButton] Interfaz created.".
    QButton();
    // Warns about and dumps buttons left registered, then deletes them.
    ~QButton();
    QButton(const QButton &) = delete;
    QButton &operator=(const QButton &) = delete;

    // ---- Making buttons: the new id, or -1 (logged) ---------------------------------
    // A button in the lowest free slot of the working layer, or with
    // `master` non-zero in the lowest free master slot, its images loaded
    // from the package open as `dpf`.
    int Create(const ButtonDesc *desc, const char *name, Uint8 master, int dpf);
    // The button of "BUT" block `name` in the package open as `dpf`.
    int Load(int dpf, const char *name, Uint8 master);
    // The same from the package at `path`, opened and closed again; 0 when
    // it cannot be opened.
    int Load(const char *path, const char *name, Uint8 master);
    // A working button sharing the images of master `masterId`.
    int Clone(int masterId);

    // ---- Deleting ---------------------------------------------------------------------
    // Every button of the working layer.
    void Remove();
    // Master `which` (1000 to 1099; 0 is master slot 0), or all of them when
    // negative. Clones keep the images they share until they are removed.
    void FreeMaster(int which);

    // ---- Layers: numbers outside 0 to 7 are ignored -----------------------------------
    // Hides every layer but `layer`, which becomes the working layer.
    void SetWorkingLayer(int layer);
    // Shows (1 or more) or hides (0 or less) a layer.
    void SetLayerVisible(int layer, Sint8 visible);

    // ---- One button: an invalid id or a free slot is ignored (-1, null) -------------
    // BS_NORMAL, BS_SELECTED, BS_PRESSED, BS_ACTION or BS_DISABLED. A check
    // button is checked with BS_PRESSED and unchecked with BS_NORMAL; after
    // BS_DISABLED any other state brings back its value from before.
    void SetState(int id, int state);
    // The state; for a check button its value (BS_PRESSED when checked).
    int GetState(int id);
    // Moves the button and its hit box.
    void SetPosition(int id, Sint16 x, Sint16 y);
    // Sliders and progress bars: the value, clamped to 0..range.
    void SetValue(int id, int value);
    int GetValue(int id);
    // The picture of one state: BS_NORMAL, BS_SELECTED (a Complex button's
    // select image), BS_PRESSED or BS_DISABLED (the off image).
    SDL_Surface *GetSurface(int id, int state);
    // Writes the information dump of button `id` to the log (-1: of all,
    // -2: nothing). The number of masters, working buttons and clones.
    int Info(int id);

    // ---- Settings a "BUT" block does not hold: 1 done, 0 for an invalid id ----------
    // `callback` (null for none) runs with the two words when a click
    // activates the button.
    int SetCallback(int id, ButtonCallback callback, Uint32 first = 0, Uint32 second = 0);
    // The mouse buttons that operate it: 1 left, 2 middle, 4 right (or'ed).
    int SetMouseMask(int id, Uint32 mask);
    // The font an input box writes with; not taken over (the caller deletes
    // it after the button).
    int SetFont(int id, CFont *font);
    // An input box's text: at most 31 characters are kept.
    int SetText(int id, const char *text);
    // An input box's text, or null. Valid until the button changes.
    const char *GetText(int id);

    // ---- Every frame --------------------------------------------------------------------
    // Draws the visible buttons of the visible layers, runs the callbacks of
    // clicked buttons, toggles clicked check buttons, moves dragged sliders
    // and edits the focused input box. The id of the activated button (the
    // last in layer and slot order), or -1; -1 at once when no refresh is
    // requested.
    int Draw();
    // Turns the pointer and keys of this logic step into states. Called by
    // Quenlar.Update; an application does not call it.
    void Update();

    struct Registry;

private:
    std::unique_ptr<Registry> r_;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QButton *IButton;

#endif
