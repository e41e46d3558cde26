#include "resource_kind.h"

#include <cstring>
#include <vector>

namespace dpftool {

namespace {
std::vector<ResourceKind> &Kinds() {
    static std::vector<ResourceKind> kinds; // filled by static registrars
    return kinds;
}
} // namespace

ResourceKindRegistrar::ResourceKindRegistrar(const ResourceKind &kind) {
    Kinds().push_back(kind);
}

const ResourceKind *FindResourceKind(const char *type) {
    for (const ResourceKind &kind : Kinds())
        if (std::strcmp(kind.type, type) == 0) return &kind;
    return nullptr;
}

} // namespace dpftool
