// Any bytes as an XML file: open, walk every element reading its name and
// attributes, print it, and open what was printed.
#include "core/engine.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFile(const char *tag) {
    return "/tmp/quenlar-fuzz-" + std::to_string(getpid()) + "-" + tag + ".xml";
}

void WriteBytes(const std::string &path, const uint8_t *data, size_t size) {
    if (FILE *f = fopen(path.c_str(), "wb")) {
        fwrite(data, 1, size, f);
        fclose(f);
    }
}

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
    const std::string in = ScratchFile("in"), out = ScratchFile("out");
    WriteBytes(in, data, size);
    int h = Quenlar.XMLOpen(in.c_str());
    if (h) {
        Walk(h, RootName(h));
        if (Quenlar.XMLSave(h, out.c_str())) Quenlar.XMLClose(Quenlar.XMLOpen(out.c_str()));
        Quenlar.XMLClose(h);
    }
    remove(in.c_str());
    remove(out.c_str());
    return 0;
}
