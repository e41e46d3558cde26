// The rules of layout.xml as one table of rows. A row is one piece of the
// document (an element or an attribute) with the code returned when it is
// missing, where its value goes in SetupState, the longest text accepted,
// and the resource it makes the launcher load. The reader, the explanation
// of codes and the resource list all walk these rows (layout.cpp): a new
// widget is a new row.
#ifndef QUENLAR_SETUP_LAYOUT_ROWS_H
#define QUENLAR_SETUP_LAYOUT_ROWS_H

#include "setup/layout.h"

#include <cstddef>

// How a row's piece is read and where its value goes.
enum class LayoutStore : unsigned char {
    Element,       // the element must be there; nothing is stored
    MainButton,    // the element must be there; its button starts Normal
    Text,          // the attribute's text followed by the row's suffix
    Number,        // the attribute as a decimal integer
    State,         // the attribute as an IButton state: below 1 Disabled, else Normal
    Widget,        // the element's state, x and y, all three under the row's code
    Position,      // the element's x and y only: where a text is drawn
    ResourceNames, // nothing is read: here the skin's resource names are built
    Named,         // nothing is read: a resource named by the skin alone
    CustomButtons, // the optional link buttons, children of the element
};

// Where a value goes; which member is set depends on the row's store.
struct LayoutField {
    char *text = nullptr;
    size_t size = 0; // of `text`, terminator included
    Sint32 *number = nullptr;
    SetupWidget *widget = nullptr;

    template <size_t N> LayoutField(char (&field)[N]) : text(field), size(N) {}
    LayoutField(Sint32 &field) : number(&field) {}
    LayoutField(SetupWidget &field) : widget(&field) {}
};

// The launcher loads its resources phase by phase; within a phase by
// position, and rows of equal position in table order.
enum LoadPhase : unsigned char {
    kLoadIcon,
    kLoadCursor,
    kLoadBackgrounds,
    kLoadLogo,
    kLoadFont,
    kLoadMainButtons,
    kLoadSounds,
    kLoadMasters,
    kLoadTabs, // + the tab: its button, then its widgets on its own layer
};

struct LayoutLoad {
    LoadKind kind = LoadKind::None;
    SetupResource skin = RES_COUNT; // the skin name loaded (a clone's: its master)
    int phase = 0;
    int position = 0;
};

struct LayoutRow {
    int code;              // returned when the piece is missing; 0: never
    const char *element;   // path from the root, e.g. "layout/main/butexit"
    const char *attribute; // null: the element itself
    LayoutStore store;
    LayoutField (*field)(SetupState &); // Text, Number, State, MainButton
    const char *suffix;                 // Text: appended to the value
    int tab, slot;                      // the widget the element places, or -1
    int limit;                          // Text: the longest value accepted
    int tooLongCode;                    // Text: returned for a longer value
    LayoutLoad load;
};

// The table, in reading order.
const LayoutRow *LayoutRowsBegin();
const LayoutRow *LayoutRowsEnd();

// Lets `for (const LayoutRow &row : LayoutRows())` walk the table.
struct LayoutRows {
    const LayoutRow *begin() const { return LayoutRowsBegin(); }
    const LayoutRow *end() const { return LayoutRowsEnd(); }
};

// A custom button (layout/general/custombuttons) whose data or resource name
// is too long gives one of these plus its id (10..16).
constexpr int kCustomDataTooLong = 1100;
constexpr int kCustomNameTooLong = 1200;

#endif
