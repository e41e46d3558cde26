// Tile blocks in `dpftool list` (size, tile set) and `dpftool preview` (the
// picture, with its numbered cell grid in tile-set mode).
#include "canvas.h"
#include "label.h"
#include "picture.h"
#include "resource_kind.h"

#include <quenlar/gfx/tileblock_private.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Whether the stored tile set fits the picture (the loader's rule: cell
// sizes of 0 count as 1).
bool CellsFit(const qnl::TileBlock &t, int &cw, int &ch) {
    cw = t.cellWidth ? t.cellWidth : 1;
    ch = t.cellHeight ? t.cellHeight : 1;
    return t.tileSet && (t.cellWidth || t.cellHeight) && cw > 0 && ch > 0 &&
           t.image.width % cw == 0 && t.image.height % ch == 0;
}

std::string Summary(const qnl::TileBlock &t) {
    std::string text = "tile " + std::to_string(t.image.width) + "x" +
                       std::to_string(t.image.height) + ", " +
                       std::to_string(t.image.bitsPerPixel) + " bits";
    int cw, ch;
    if (CellsFit(t, cw, ch))
        text += ", tile set of " + std::to_string(t.image.width / cw * (t.image.height / ch)) +
                " cells of " + std::to_string(cw) + "x" + std::to_string(ch);
    else if (t.tileSet)
        text += ", tile set of " + std::to_string(t.cellWidth) + "x" +
                std::to_string(t.cellHeight) + " cells that do not fit (drawn whole)";
    return text;
}

std::string Describe(const unsigned char *data, size_t size) {
    qnl::TileBlock tile;
    return qnl::ParseTileBlock(data, size, tile) ? Summary(tile) : "";
}

std::string DescribeOld(const unsigned char *data, size_t size) {
    const std::vector<Uint8> upgraded = qnl::UpgradeTileBlock(data, size);
    qnl::TileBlock tile;
    if (upgraded.empty() || !qnl::ParseTileBlock(upgraded.data(), upgraded.size(), tile)) return "";
    return Summary(tile) + " (version 1.0, converted when first loaded)";
}

int Preview(const char *type, int handle, const char *name, const char *out) {
    // The stored block first: loading must not convert a version 1.0 one.
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, type, name, &block);
    qnl::TileBlock stored;
    const bool parsed = size > 0 && qnl::ParseTileBlock(reinterpret_cast<const Uint8 *>(block.data),
                                                        (size_t)size, stored);
    delete[] block.data;
    if (!parsed) return dpftool::Fail("no tile '%s' (%s)", name, dpftool::SdkReason().c_str());
    CTile tile;
    if (!tile.Load(handle, name, type))
        return dpftool::Fail("the tile '%s' does not load (%s)", name,
                             dpftool::SdkReason().c_str());

    const int w = tile.GetWidth(), h = tile.GetHeight();
    int cw, ch;
    const bool cells = CellsFit(stored, cw, ch);
    const int scale =
        dpftool::PreviewScale(cells ? std::min(cw, ch) : std::min(w, h), std::max(w, h));
    const int margin = 10, titleHeight = 24;
    const std::string title = std::string("'") + name + "': " + Summary(stored) + ", position " +
                              std::to_string(stored.x) + "," + std::to_string(stored.y);
    const int width =
        std::max(w * scale + 2 * margin, dpftool::LabelWidth(title.c_str(), 13) + 2 * margin);
    SDL_Surface *canvas =
        dpftool::NewCanvas(std::min(width, 4096), h * scale + titleHeight + 2 * margin);
    if (!canvas) return dpftool::Fail("out of memory");
    dpftool::DrawLabel(canvas, margin, margin, title.c_str(), dpftool::kLabelColor, 13);
    const int left = margin, top = margin + titleHeight;
    const SDL_Rect all = {0, 0, (Uint16)w, (Uint16)h};
    dpftool::DrawEnlarged(canvas, tile.GetSurface(), all, left, top, scale);

    const int columns = cells ? w / cw : 1, rows = cells ? h / ch : 1;
    // A grid and numbers only where a person can still tell the cells apart.
    if (cells && cw * scale >= 4 && ch * scale >= 4) {
        for (int c = 1; c < columns; ++c) {
            SDL_Rect line = {(Sint16)(left + c * cw * scale), (Sint16)top, 1, (Uint16)(h * scale)};
            SDL_FillRect(canvas, &line, 0xF0C040);
        }
        for (int r = 1; r < rows; ++r) {
            SDL_Rect line = {(Sint16)left, (Sint16)(top + r * ch * scale), (Uint16)(w * scale), 1};
            SDL_FillRect(canvas, &line, 0xF0C040);
        }
        const std::string widest = std::to_string(columns * rows);
        if (cw * scale >= dpftool::LabelWidth(widest.c_str(), 11) + 4 && ch * scale >= 16) {
            for (int n = 1; n <= columns * rows; ++n) {
                const int x = left + (n - 1) % columns * cw * scale + 2;
                const int y = top + (n - 1) / columns * ch * scale + 1;
                const std::string number = std::to_string(n);
                SDL_Rect box = {(Sint16)(x - 1), (Sint16)y,
                                (Uint16)(dpftool::LabelWidth(number.c_str(), 11) + 2), 13};
                SDL_FillRect(canvas, &box, 0x202020);
                dpftool::DrawLabel(canvas, x, y, number.c_str(), dpftool::kLabelColor, 11);
            }
        }
    }
    dpftool::DrawOutline(
        canvas,
        {(Sint16)(left - 1), (Sint16)(top - 1), (Uint16)(w * scale + 2), (Uint16)(h * scale + 2)},
        0xF0C040);

    return dpftool::WritePicture(canvas, out);
}

int PreviewTile(int handle, const char *name, const char *out) {
    return Preview("TILE2", handle, name, out);
}
int PreviewButtonTile(int handle, const char *name, const char *out) {
    return Preview("TILB2", handle, name, out);
}

} // namespace

DPFTOOL_RESOURCE_KIND("TILE2", Describe, PreviewTile);
DPFTOOL_RESOURCE_KIND("TILB2", Describe, PreviewButtonTile);
DPFTOOL_RESOURCE_KIND("TILE", DescribeOld, nullptr);
DPFTOOL_RESOURCE_KIND("TILB", DescribeOld, nullptr);
