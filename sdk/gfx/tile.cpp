#include <quenlar/gfx/tile.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/resourcesurface_private.h>
#include <quenlar/gfx/surface.h>
#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/gfx/versionedblock_private.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

struct CTile::State {
    int x = 0, y = 0;
    SDL_Surface *surface = nullptr;
    int width = 0, height = 0;
    qnl::ResourceLook look; // alpha and colour key as set on the surface
    bool loaded = false;
    char name[32] = {0};
    qnl::PixelBackup backup;
    // Tile-set mode: a grid of columns x rows cells.
    bool tileSet = false;
    int columns = 0, rows = 0, cells = 0;
    int cellWidth = 0, cellHeight = 0;

    void Clear() {
        SDL_FreeSurface(surface);
        *this = State();
    }
};

CTile::CTile() : s_(new State) {
    ++*qnl::Engine().tilecount;
}

CTile::~CTile() {
    s_->Clear();
    --*qnl::Engine().tilecount;
}

// ---------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------
bool CTile::Load(int handle, const char *name, const char *type) {
    State &s = *s_;
    if (handle < 1 || !name || !type) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument,
                      "no package handle, tile name or type was given.");
        return false;
    }
    const char *archive = IStuffDPF ? IStuffDPF->GetName(handle) : nullptr;
    if (!archive) archive = "";
    const std::string origin = qnl::Format("CTile::Load('%s','%s','%s')", archive, name, type);
    if (!qnl::Engine().started() || !IStuffDPF) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, origin,
                         "Quenlar was not initialized. Aborting the tile creation.");
        return false;
    }
    if (s.loaded) {
        qnl::ReportError(qnl::ErrorCode::kExists, LOG_WARNING, origin,
                         "tile already exists. It is not possible to create another one.");
        return false;
    }
    if (std::strncmp(type, "TILE", 4) != 0 && std::strncmp(type, "TILB", 4) != 0) {
        qnl::ReportError(qnl::ErrorCode::kUnsupported, LOG_ERROR, origin,
                         "the typeblock is not supported.");
        return false;
    }

    // The version 2.0 type, else the version 1.0 one converted in place.
    std::string current = type;
    if (current.back() != '2') current += '2';
    const std::string previous = current.substr(0, current.size() - 1);
    const auto damaged = [&](const std::string &blockType) {
        const std::string why = qnl::LastError().reason;
        qnl::ReportError(qnl::ErrorCode::kCorrupted, LOG_ERROR, origin,
                         "the %s block '%s' is damaged (%s).", blockType.c_str(), name,
                         why.c_str());
        return false;
    };
    std::vector<Uint8> payload;
    switch (qnl::ReadVersionedBlock(handle, name, current.c_str(), previous.c_str(),
                                    qnl::UpgradeTileBlock, payload)) {
    case qnl::VersionedRead::kCurrent:
        break;
    case qnl::VersionedRead::kUpgraded:
        ILogSystem.Msg(LOG_WARNING, " . [%s] Info: tile successfully updated from v1.0 to v2.0.\n",
                       origin.c_str());
        break;
    case qnl::VersionedRead::kMissing:
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: tile not found.\n", origin.c_str());
        return false;
    case qnl::VersionedRead::kDamaged:
        return damaged(previous);
    case qnl::VersionedRead::kNotStored:
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: update to v2.0 was not possible.\n",
                       origin.c_str());
        return false;
    }

    qnl::TileBlock tile;
    if (!qnl::ParseTileBlock(payload.data(), payload.size(), tile)) return damaged(current);
    qnl::ImageBlockHeader stored;
    SDL_Surface *surface =
        qnl::DecodeImageRecord(payload.data() + qnl::kTileRecordOffset,
                               payload.size() - qnl::kTileRecordOffset - qnl::kTileTrailerSize,
                               tile.image.width, tile.image.height, &stored);
    payload.clear();
    payload.shrink_to_fit();
    if (!surface) return false; // out of memory: the block parsed
    surface = qnl::PrepareResourceSurface(surface, stored, s.look);
    if (!surface) return false;
    if (s.look.convertedWithAlpha)
        ILogSystem.Msg(LOG_INFO,
                       " . [CTile::Load('%s','%s')] Info: surface with alpha per pixel loaded, it "
                       "could slow down your graphics system.\n",
                       archive, name);

    s.surface = surface;
    s.width = tile.image.width;
    s.height = tile.image.height;
    s.x = tile.x;
    s.y = tile.y;
    s.backup.Take(surface);
    s.loaded = true;
    std::snprintf(s.name, sizeof s.name, "%s", name);
    // A tile set that does not fit the picture leaves whole-picture mode.
    if (tile.tileSet && (tile.cellWidth || tile.cellHeight))
        SetTileSet(true, tile.cellWidth, tile.cellHeight);
    else
        SetTileSet(false, 0, 0);
    return true;
}

bool CTile::SetTileSet(bool on, int cellWidth, int cellHeight) {
    State &s = *s_;
    if (!s.loaded) return false;
    if (!on) {
        s.tileSet = false;
        s.columns = s.rows = s.cells = s.cellWidth = s.cellHeight = 0;
        return false;
    }
    if (cellWidth == 0) cellWidth = 1;
    if (cellHeight == 0) cellHeight = 1;
    if (cellWidth < 0 || cellHeight < 0) return false;
    if (s.width % cellWidth != 0 || s.height % cellHeight != 0) return false;
    s.tileSet = true;
    s.cellWidth = cellWidth;
    s.cellHeight = cellHeight;
    s.columns = s.width / cellWidth;
    s.rows = s.height / cellHeight;
    s.cells = s.columns * s.rows;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing and queries
// ---------------------------------------------------------------------------
int CTile::Draw(SDL_Surface *target, int n) {
    State &s = *s_;
    if (!s.loaded) return 0;
    SDL_Surface *screen = qnl::Engine().screen();
    if (!target) target = screen;
    if (!target) {
        qnl::ReportError(qnl::ErrorCode::kNotInitialized, LOG_ERROR, "CTile::Draw()",
                         "the given surface or Quenlar.screen are null.");
        return 0;
    }
    SDL_Rect src = {0, 0, (Uint16)s.width, (Uint16)s.height};
    if (s.tileSet) {
        if (n > s.cells) {
            qnl::ReportError(qnl::ErrorCode::kNotFound, LOG_WARNING,
                             qnl::Format("CTileEngine::Draw(%d)", n),
                             "the given tile number does not exist in current tileset.");
            return 0;
        }
        if (n < 1) return 0;
        src = {(Sint16)((n - 1) % s.columns * s.cellWidth),
               (Sint16)((n - 1) / s.columns * s.cellHeight), (Uint16)(s.width / s.columns),
               (Uint16)(s.height / s.rows)};
    }
    SDL_Rect dst = {qnl::ClampCoordinate(s.x), qnl::ClampCoordinate(s.y), src.w, src.h};
    std::optional<qnl::CursorGuard> guard;
    if (target == screen) guard.emplace(&dst);
    SDL_Rect at = dst;
    qnl::BlitWithRestore(s.surface, &src, target, &at, &s.backup);
    return 1;
}

void CTile::SetPosition(int x, int y) {
    if (!s_->loaded) return;
    s_->x = x;
    s_->y = y;
}

int CTile::GetX() {
    return s_->loaded ? s_->x : 0;
}

int CTile::GetY() {
    return s_->loaded ? s_->y : 0;
}

int CTile::GetWidth() {
    return s_->loaded ? s_->width : 0;
}

int CTile::GetHeight() {
    return s_->loaded ? s_->height : 0;
}

SDL_Surface *CTile::GetSurface() {
    return s_->loaded ? s_->surface : nullptr;
}
