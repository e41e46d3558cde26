// Any bytes as an XML file: open, walk every element reading its name and
// attributes, print it, and open what was printed.
#include <quenlar/core/engine.h>
#include "input_file.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Visits the document in order with the handle's own moves, no recursion.
void Walk(int h, const char *root) {
    if (!root || !Quenlar.XMLNodePointTo(h, 1, root)) return;
    int depth = 0;
    for (;;) {
        const char *name = Quenlar.XMLNodeGetName(h);
        const char *text;
        int value;
        Quenlar.XMLAttributeGet(h, "x", &value);
        Quenlar.XMLAttributeGet(h, name ? name : "id", &text);
        if (Quenlar.XMLNodeChild(h)) {
            ++depth;
            continue;
        }
        while (!Quenlar.XMLNodeNext(h)) {
            if (depth == 0 || !Quenlar.XMLNodeParent(h)) return;
            --depth;
        }
    }
}

// The root's name, found by trying the first element after the prologue.
const char *RootName(int h) {
    for (const char *guess : {"layout", "setup", "r", "a"})
        if (Quenlar.XMLNodePointTo(h, 1, guess)) return guess;
    return nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInputFile in(data, size, "in.xml"), out(nullptr, 0, "out.xml");
    int h = Quenlar.XMLOpen(in.path());
    if (h) {
        Walk(h, RootName(h));
        if (Quenlar.XMLSave(h, out.path())) Quenlar.XMLClose(Quenlar.XMLOpen(out.path()));
        Quenlar.XMLClose(h);
    }
    return 0;
}
