// The SDK's identity texts, shared by the layers that print or store them:
// the log's header box shows the version, new packages record the creator.
#ifndef QUENLAR_CORE_VERSION_PRIVATE_H
#define QUENLAR_CORE_VERSION_PRIVATE_H

namespace qnl {

constexpr char kVersionText[] = "Quenlar SDK Win32 v5.20 (build 3278)";
// Stored in every package this SDK creates (at most 31 characters).
constexpr char kCreditsText[] = "Quenlar team";

} // namespace qnl

#endif
