// CTile: a still picture with a position, loaded from a package block. In
// tile-set mode its picture is a grid of equally sized cells, numbered from
// 1 left to right and top to bottom, and a draw puts one cell at the tile's
// position.
//
//   CTile floor;
//   if (floor.Load(handle, "floor", "TILE2") && floor.SetTileSet(true, 16, 16))
//       floor.Draw(nullptr, 6); // the second row's second cell, on the screen
//
// Tiles live in "TILE2" or "TILB2" blocks; version 1.0 "TILE" and "TILB"
// blocks are converted in place on their first load (`dpftool add-tile`
// makes blocks from a picture). The engine counts live tiles and reports
// those never deleted at Quenlar.Quit.
#ifndef QUENLAR_GFX_TILE_H
#define QUENLAR_GFX_TILE_H

#include <SDL.h>
#include <memory>

class CTile {
public:
    CTile();
    ~CTile();
    CTile(const CTile &) = delete;
    CTile &operator=(const CTile &) = delete;

    // Loads tile `name` from the package open as `handle`. `type` is
    // "TILE", "TILB", "TILE2" or "TILB2": the version 2.0 type is looked
    // for first, then the version 1.0 one. true when loaded.
    bool Load(int handle, const char *name, const char *type);

    // Draws the tile on `target` (null: the screen) at its position; in
    // tile-set mode cell `n` (from 1) of it. 1 drawn, 0 not.
    int Draw(SDL_Surface *target = nullptr, int n = 0);
    // Switches tile-set mode on with cells of the given size (0 counts as
    // 1), or off. true when it was switched on: the picture's size must be
    // a multiple of the cell size, else nothing changes.
    bool SetTileSet(bool on, int cellWidth, int cellHeight);

    // Ignored unless loaded.
    void SetPosition(int x, int y);
    // 0 unless loaded.
    int GetX();
    int GetY();
    int GetWidth();
    int GetHeight();
    // The picture, or null unless loaded.
    SDL_Surface *GetSurface();

    struct State;

private:
    std::unique_ptr<State> s_;
};

#endif
