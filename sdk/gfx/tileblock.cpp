#include <quenlar/gfx/tileblock_private.h>

#include <quenlar/core/bytes_private.h>
#include <quenlar/core/error_private.h>

namespace qnl {

namespace {
constexpr size_t kHeadSize = kTileRecordOffset + kImageRecordSize; // 64

// Records why a payload cannot be a tile; returns false.
bool Damaged(const char *reason) {
    SetError(ErrorCode::kCorrupted, "tile block %s", reason);
    return false;
}

// The picture of a payload whose pixels end `trailer` bytes before its end.
bool ParsePicture(const Uint8 *data, size_t size, size_t trailer, TileBlock &t) {
    if (!data || size < kHeadSize + trailer) return Damaged("shorter than its head");
    t.x = (Sint32)GetLE32(data + 8);
    t.y = (Sint32)GetLE32(data + 12);
    t.tileSet = GetLE32(data + 16) != 0;
    t.cellWidth = (Sint32)GetLE32(data + 20);
    return ParseImageRecord(data + kTileRecordOffset, size - kTileRecordOffset - trailer,
                            (Sint32)GetLE32(data + 0), (Sint32)GetLE32(data + 4), t.image);
}
} // namespace

bool ParseTileBlock(const Uint8 *data, size_t size, TileBlock &t) {
    t = TileBlock();
    if (!ParsePicture(data, size, kTileTrailerSize, t)) return false;
    t.cellHeight = (Sint32)GetLE32(data + size - kTileTrailerSize);
    return true;
}

std::vector<Uint8> UpgradeTileBlock(const Uint8 *data, size_t size) {
    TileBlock old;
    if (!ParsePicture(data, size, 0, old)) return {};
    std::vector<Uint8> out(data, data + size);
    out.resize(size + kTileTrailerSize, 0);
    PutLE32(&out[size], (Uint32)old.cellWidth); // one cell size served as both
    Uint8 *key = &out[kTileRecordOffset + kImageRecordColorKey];
    if (GetLE32(key) == 0) PutLE32(key, kNoColorKey); // 0 meant no key
    return out;
}

std::vector<Uint8> EncodeTileBlock(const TileBlock &t, SDL_Surface *picture, Uint32 colorkey,
                                   Uint8 alpha) {
    const std::vector<Uint8> image = EncodeImageBlock(picture, colorkey, alpha);
    if (image.empty()) return {};
    std::vector<Uint8> out(kTileRecordOffset, 0);
    PutLE32(&out[0], (Uint32)picture->w);
    PutLE32(&out[4], (Uint32)picture->h);
    PutLE32(&out[8], (Uint32)t.x);
    PutLE32(&out[12], (Uint32)t.y);
    PutLE32(&out[16], t.tileSet ? 1 : 0);
    PutLE32(&out[20], (Uint32)t.cellWidth);
    out.insert(out.end(), image.begin() + kImageRecordOffset, image.end());
    out.resize(out.size() + kTileTrailerSize, 0);
    PutLE32(&out[out.size() - kTileTrailerSize], (Uint32)t.cellHeight);
    return out;
}

} // namespace qnl
