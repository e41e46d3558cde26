// How an importer proves that what it stores will load: the block goes
// into a scratch package of its own, which the SDK's class then reads, in
// the same process, before the real package is touched.
#ifndef DPFTOOL_TRIAL_LOAD_H
#define DPFTOOL_TRIAL_LOAD_H

#include <functional>
#include <vector>

namespace dpftool {

// Stores `payload` as block `name` of `type` in a scratch package and calls
// `load` with the package's handle; the package is removed afterwards.
// Needs the engine started (Sdk(true)). load's result, or false (reason in
// the SDK's record) when the scratch package cannot be written.
bool TrialLoad(const char *name, const char *type, const std::vector<unsigned char> &payload,
               const std::function<bool(int handle)> &load);

} // namespace dpftool

#endif
