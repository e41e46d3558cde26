// Reading a resource block that may still be in its version 1.0 form
// ("SPR" for "SPR2", "TILE" for "TILE2", ...): the old block is converted
// in place on its first load, so that the package holds the new form from
// then on. SDK-internal.
#ifndef QUENLAR_GFX_VERSIONEDBLOCK_PRIVATE_H
#define QUENLAR_GFX_VERSIONEDBLOCK_PRIVATE_H

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

// The version 2.0 payload of a version 1.0 one; empty, with the reason
// recorded, when the old payload is damaged.
typedef std::vector<Uint8> (*UpgradeFn)(const Uint8 *data, size_t size);

enum class VersionedRead {
    kCurrent,   // the block was in its current form
    kUpgraded,  // an old block was converted: the new one added, the old one deleted
    kMissing,   // neither form is there (or readable): the reason is recorded
    kDamaged,   // an old block that cannot be converted; it stays as it was
    kNotStored, // the converted block could not be added; the old one stays
};

// Reads block `name` of type `current` into `payload`, else the one of type
// `previous`, which `upgrade` converts: the result is added under `current`
// (in the old block's mode) and the old block marked deleted. `payload`
// holds the current form after kCurrent and kUpgraded.
VersionedRead ReadVersionedBlock(int handle, const char *name, const char *current,
                                 const char *previous, UpgradeFn upgrade,
                                 std::vector<Uint8> &payload);

} // namespace qnl

#endif
