#include <quenlar/gfx/spriteblock_private.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/error_private.h>

#include <algorithm>

namespace qnl {

namespace {
constexpr size_t kHeadSize = 24;
constexpr size_t kAnimationSize = 64; // "SPR": 12
constexpr size_t kFrameSize = 16;     // "SPR": 4, the duration alone
constexpr size_t kOldAnimationSize = 12;
constexpr size_t kOldFrameSize = 4;
// SDL surfaces address rows with 16-bit values.
constexpr Sint64 kMaxSide = 32767;

// Records why a payload cannot be a sprite; returns false.
bool Damaged(const char *reason) {
    SetError(ErrorCode::kCorrupted, "sprite block %s", reason);
    return false;
}

void ReadAnimation(const Uint8 *p, SpriteAnimation &a) {
    a.mode = (Sint32)GetLE32(p + 0);
    a.current = GetLE16(p + 6);
    a.first = GetLE16(p + 12);
    a.end = GetLE16(p + 14);
    a.anchorX = (Sint16)GetLE16(p + 16);
    a.anchorY = (Sint16)GetLE16(p + 18);
}
} // namespace

bool ParseSpriteBlock(const Uint8 *data, size_t size, SpriteBlock &s) {
    s = SpriteBlock();
    if (!data || size < kHeadSize) return Damaged("shorter than its head");
    s.frameWidth = (Sint32)GetLE32(data + 0);
    s.frameHeight = (Sint32)GetLE32(data + 4);
    s.x = (Sint32)GetLE32(data + 8);
    s.y = (Sint32)GetLE32(data + 12);
    const Sint32 count = (Sint32)GetLE32(data + 16);
    s.sheetWidth = (Sint32)GetLE32(data + 20);
    if (s.frameWidth <= 0 || s.frameHeight <= 0) return Damaged("with frames of no size");
    if (count <= 0) return Damaged("without animations");
    if (s.sheetWidth < s.frameWidth) return Damaged("with a sheet narrower than one frame");
    if ((Sint64)count * s.frameHeight > kMaxSide) return Damaged("with a sheet too tall");

    // Every record is checked against the bytes left before it is read, so
    // a count that runs past the block stops at its end.
    size_t at = kHeadSize;
    for (Sint32 i = 0; i < count; ++i) {
        if (size - at < kAnimationSize) return Damaged("whose animations run past its end");
        SpriteAnimation a;
        ReadAnimation(data + at, a);
        const size_t frames = GetLE16(data + at + 4);
        at += kAnimationSize;
        if ((size - at) / kFrameSize < frames) return Damaged("whose frames run past its end");
        a.durations.resize(frames);
        for (size_t f = 0; f < frames; ++f, at += kFrameSize)
            a.durations[f] = GetLE32(data + at);
        if (a.first > a.end || a.end > frames)
            return Damaged("with an animation whose first and end frames are out of its frames");
        if ((Sint64)a.end * s.frameWidth > s.sheetWidth)
            return Damaged("whose sheet does not hold the frames of an animation");
        s.animations.push_back(std::move(a));
    }
    s.record = at;
    return ParseImageRecord(data + at, size - at, s.sheetWidth, count * s.frameHeight, s.sheet);
}

std::vector<Uint8> UpgradeSpriteBlock(const Uint8 *data, size_t size) {
    std::vector<Uint8> out;
    if (!data || size < kHeadSize) {
        Damaged("shorter than its head");
        return out;
    }
    const Sint32 count = (Sint32)GetLE32(data + 16);
    out.assign(data, data + kHeadSize);
    size_t at = kHeadSize;
    for (Sint32 i = 0; i < count; ++i) {
        if (size - at < kOldAnimationSize) {
            Damaged("whose animations run past its end");
            return {};
        }
        const Uint16 frames = GetLE16(data + at + 4);
        const size_t record = out.size();
        out.resize(record + kAnimationSize, 0);
        std::copy(data + at, data + at + kOldAnimationSize, out.begin() + record);
        PutLE16(&out[record + 12], 0);      // first frame
        PutLE16(&out[record + 14], frames); // end frame
        at += kOldAnimationSize;
        if ((size - at) / kOldFrameSize < frames) {
            Damaged("whose frames run past its end");
            return {};
        }
        for (size_t f = 0; f < frames; ++f, at += kOldFrameSize) {
            out.resize(out.size() + kFrameSize, 0);
            PutLE32(&out[out.size() - kFrameSize], GetLE32(data + at));
        }
    }
    const size_t record = out.size();
    out.insert(out.end(), data + at, data + size);
    // A key of 0 meant no key.
    if (size - at >= kImageRecordSize && GetLE32(&out[record + kImageRecordColorKey]) == 0)
        PutLE32(&out[record + kImageRecordColorKey], kNoColorKey);
    SpriteBlock check;
    if (!ParseSpriteBlock(out.data(), out.size(), check)) return {};
    return out;
}

std::vector<Uint8> EncodeSpriteBlock(const SpriteBlock &s, SDL_Surface *sheet, Uint32 colorkey,
                                     Uint8 alpha) {
    const std::vector<Uint8> image = EncodeImageBlock(sheet, colorkey, alpha);
    if (image.empty()) return {};
    std::vector<Uint8> out(kHeadSize, 0);
    PutLE32(&out[0], (Uint32)s.frameWidth);
    PutLE32(&out[4], (Uint32)s.frameHeight);
    PutLE32(&out[8], (Uint32)s.x);
    PutLE32(&out[12], (Uint32)s.y);
    PutLE32(&out[16], (Uint32)s.animations.size());
    PutLE32(&out[20], (Uint32)sheet->w);
    for (const SpriteAnimation &a : s.animations) {
        const size_t record = out.size();
        out.resize(record + kAnimationSize + a.durations.size() * kFrameSize, 0);
        Uint8 *p = &out[record];
        PutLE32(p + 0, (Uint32)a.mode);
        PutLE16(p + 4, (Uint16)a.durations.size());
        PutLE16(p + 6, a.current);
        PutLE16(p + 12, a.first);
        PutLE16(p + 14, a.end);
        PutLE16(p + 16, (Uint16)a.anchorX);
        PutLE16(p + 18, (Uint16)a.anchorY);
        for (size_t f = 0; f < a.durations.size(); ++f)
            PutLE32(p + kAnimationSize + f * kFrameSize, a.durations[f]);
    }
    out.insert(out.end(), image.begin() + kImageRecordOffset, image.end());
    return out;
}

} // namespace qnl
