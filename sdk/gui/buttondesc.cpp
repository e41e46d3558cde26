#include <quenlar/gui/buttondesc_private.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/error_private.h>

namespace qnl {

bool ParseButtonDesc(const Uint8 *data, size_t size, ButtonDesc &desc) {
    desc = ButtonDesc();
    if (!data || size < kButtonDescSize) {
        SetError(ErrorCode::kCorrupted, "button block shorter than its %d bytes",
                 (int)kButtonDescSize);
        return false;
    }
    desc.key = GetLE16(data + 4);
    desc.type = data[6];
    desc.selectColor = GetLE32(data + 8);
    desc.x = (Sint16)GetLE16(data + 12);
    desc.y = (Sint16)GetLE16(data + 14);
    desc.range = (Sint16)GetLE16(data + 16);
    desc.value = (Sint32)GetLE32(data + 20);
    return true;
}

std::vector<Uint8> EncodeButtonDesc(const ButtonDesc &desc) {
    std::vector<Uint8> out(kButtonDescSize, 0);
    PutLE16(&out[4], desc.key);
    out[6] = desc.type;
    PutLE32(&out[8], desc.selectColor);
    PutLE16(&out[12], (Uint16)desc.x);
    PutLE16(&out[14], (Uint16)desc.y);
    PutLE16(&out[16], (Uint16)desc.range);
    PutLE32(&out[20], (Uint32)desc.value);
    return out;
}

} // namespace qnl
