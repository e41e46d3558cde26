// layout.xml: the document in setup.dpf that describes a game's setup
// window. ParseLayout (launcher.h) reads it from "setup.dpf"; the calls
// below let tools read it from any package and explain what they find.
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

// What a ParseLayout code means, e.g. "layout/video/vidrenderer_x11 is
// missing"; "" for 0.
std::string DescribeLayoutError(int code);

// One package block the launcher will look for after a successful parse.
struct LayoutResource {
    std::string name;
    const char *type;     // block type: "IMG", "SPR2", "FONT2", "BUT", "SND", "MUS"
    const char *fallback; // an older type accepted in its place, or null
    bool optional;        // the launcher starts without it
};

// Every resource a parsed layout makes the launcher load, in loading order.
std::vector<LayoutResource> LayoutResources(const SetupState &state);

#endif
