// layout.xml: the document in setup.dpf that describes a game's setup
// window. ParseLayout (launcher.h) reads it from "setup.dpf"; the calls
// below let tools read it from any package and explain what they find.
// Its rules are the rows of layout_rows.cpp.
#ifndef QUENLAR_SETUP_LAYOUT_H
#define QUENLAR_SETUP_LAYOUT_H

#include "setup/setup_state.h"

#include <string>
#include <vector>

// ParseLayout of the "layout.xml" block of `package`: 0, or the code of the
// first missing piece (1: the document cannot be opened or parsed).
int ParseLayoutFrom(const char *package, SetupState &state);

// The same for a document already open as XML handle `h`, left open.
int ParseLayoutDocument(int h, SetupState &state);

// What a ParseLayout code means, e.g. "layout/video/vidrenderer_x11 (or its
// state, x or y) is missing"; "" for 0.
std::string DescribeLayoutError(int code);

// How the launcher gets one resource.
enum class LoadKind : unsigned char {
    None,       // (a row that names no resource)
    Icon,       // the window icon, loaded before the window opens
    Cursor,     // through ICursor
    Background, // the background of `tab`
    Logo,       // the logo sprite
    Font,       // the window's font
    Button,     // a button of its own
    Master,     // a master the check boxes or radio buttons are cloned from
    Clone,      // a clone of the master named `skin`: no block of its own
    Sound,      // the click sound (only with sound)
    Music,      // the music (only with sound)
};

// One step of the launcher's loading.
struct LayoutResource {
    std::string name;               // the block's name; reported when this step fails
    const char *type = nullptr;     // block type; null for a clone
    const char *fallback = nullptr; // an older type accepted in its place, or null
    bool optional = false;          // the launcher starts without it
    bool firstUse = false;          // the first step that reads this block (false for
                                    // a clone and for a block read again, as the slider)
    LoadKind kind = LoadKind::None;
    SetupResource skin = RES_COUNT; // which skin name; RES_COUNT: the logo or a link button
    int tab = -1, slot = -1;        // the widget a button or clone fills, a background's
                                    // tab; -1 for the others (Exit, Play, Save: by `skin`)
    int layer = -1;                 // IButton layer of a button or clone
};

// Every resource a parsed layout makes the launcher load, in loading order:
// the icon first (loaded with the window), then LoadResources' steps.
std::vector<LayoutResource> LayoutResources(const SetupState &state);

#endif
