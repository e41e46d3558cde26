#include <quenlar/gfx/versionedblock_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/dpf/stuffdpf.h>

#include <cstdio>
#include <cstring>

namespace qnl {

namespace {
// Block `name` of `type` into `payload`; its record (without data) in `block`.
bool Read(int handle, const char *name, const char *type, DPFBlock &block,
          std::vector<Uint8> &payload) {
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, type, name, &block);
    if (size > 0) payload.assign(block.data, block.data + size);
    delete[] block.data;
    block.data = nullptr;
    return size > 0;
}
} // namespace

VersionedRead ReadVersionedBlock(int handle, const char *name, const char *current,
                                 const char *previous, UpgradeFn upgrade,
                                 std::vector<Uint8> &payload) {
    DPFBlock block;
    if (Read(handle, name, current, block, payload)) return VersionedRead::kCurrent;
    const ErrorRecord missing = LastError();
    if (!Read(handle, name, previous, block, payload)) {
        // A current block that is there but unreadable says more.
        if (missing.code != ErrorCode::kNotFound) SetError(missing.code, "%s", missing.reason);
        return VersionedRead::kMissing;
    }
    payload = upgrade(payload.data(), payload.size());
    if (payload.empty()) return VersionedRead::kDamaged;
    DPFBlock upgraded = block;
    std::snprintf(upgraded.type, sizeof upgraded.type, "%s", current);
    upgraded.size = (unsigned int)payload.size();
    upgraded.data = reinterpret_cast<char *>(payload.data());
    if (IStuffDPF->AddData(handle, &upgraded) <= 0) return VersionedRead::kNotStored;
    IStuffDPF->Delete(handle, &block);
    return VersionedRead::kUpgraded;
}

} // namespace qnl
