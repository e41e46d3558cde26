// The payload of a "BUT" block: a button's description as 24 little-endian
// bytes, read and written field by field.
//
//   0  callback (reserved, written 0)   4  key (u16)   6  type (u8)   7  padding
//   8  select-box colour 0x00RRGGBB     12 x (s16)     14 y (s16)
//   16 range (s16)                      18 padding     20 value (s32)
//
// Only the first 24 bytes are read; more may follow. SDK-internal; dpftool
// writes and describes blocks with it.
#ifndef QUENLAR_GUI_BUTTONDESC_PRIVATE_H
#define QUENLAR_GUI_BUTTONDESC_PRIVATE_H

#include <quenlar/gui/button.h>

#include <cstddef>
#include <vector>

namespace qnl {

constexpr size_t kButtonDescSize = 24;

// The description in the first 24 bytes (no callback). false, with the
// reason recorded, for a shorter payload.
bool ParseButtonDesc(const Uint8 *data, size_t size, ButtonDesc &desc);

// The 24-byte payload of `desc` (its callback is not stored).
std::vector<Uint8> EncodeButtonDesc(const ButtonDesc &desc);

} // namespace qnl

#endif
