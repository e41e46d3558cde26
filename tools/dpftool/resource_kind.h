// The resource kinds dpftool knows: how `list` describes a block of the type
// and how `preview` draws one. A kind lives in a file of its own (next to
// its importer) and registers itself:
//
//   static std::string Describe(const unsigned char *data, size_t size);
//   static int Preview(int handle, const char *name, const char *out);
//   DPFTOOL_RESOURCE_KIND("FONT2", Describe, Preview);
//
// A kind may register several block types (a version 1.0 type beside its
// current one) and leave either function null.
#ifndef DPFTOOL_RESOURCE_KIND_H
#define DPFTOOL_RESOURCE_KIND_H

#include "command.h"

#include <cstddef>
#include <string>

namespace dpftool {

// A few words on a block's payload for `list` ("font, 13 pixels high"), or
// "" when the payload does not parse. Must not trust the payload.
typedef std::string (*DescribeFn)(const unsigned char *data, size_t size);
// Draws block `name` of the package open as `handle` as a person wants to
// see it, into the PNG file `out`. The engine runs with video on (SDL's
// dummy driver when no display is set). Prints the reason of a failure;
// returns the exit status.
typedef int (*PreviewFn)(int handle, const char *name, const char *out);

struct ResourceKind {
    const char *type; // the block type, e.g. "FONT2"
    DescribeFn describe;
    PreviewFn preview;
};
struct ResourceKindRegistrar {
    explicit ResourceKindRegistrar(const ResourceKind &kind);
};
// The kind of a block type, or null.
const ResourceKind *FindResourceKind(const char *type);

#define DPFTOOL_RESOURCE_KIND(type, describe, preview)                                             \
    static ::dpftool::ResourceKindRegistrar DPFTOOL_CONCAT(dpftool_kind_, __LINE__)(               \
        ::dpftool::ResourceKind{type, describe, preview})

} // namespace dpftool

#endif
