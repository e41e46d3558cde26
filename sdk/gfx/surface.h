// Surface helpers shared by images, fonts, sprites, tiles and cursors:
// the display-format test and conversion, the image conversion switch, the
// texture upload of the OpenGL renderer and the pixel backup that refills
// surfaces whose video memory was lost.
#ifndef QUENLAR_GFX_SURFACE_H
#define QUENLAR_GFX_SURFACE_H

#include <SDL.h>
#include <cstddef>
#include <vector>

namespace qnl {

// 1 when `surface` should be converted to the screen's format: the screen
// exists and is a hardware surface while `surface` is not, or the two differ
// in bytes per pixel or in any colour mask. 0 without a screen.
int NeedsDisplayFormat(const SDL_Surface *surface);

// Replaces `surface` by a copy in the display format and frees it. With
// `perPixelAlpha` the copy keeps the alpha channel (its per-surface alpha
// becomes 255); otherwise a colour key becomes the key pixel converted as
// the pixels were. On failure `surface` is returned unchanged and kept.
SDL_Surface *ConvertToDisplayFormat(SDL_Surface *surface, bool perPixelAlpha);

// The image conversion switch: while off, IImage->Load leaves surfaces in
// their stored format (the cursor loader turns it off around its loads).
void SetImageConversion(bool on);
bool ImageConversion();

// Hands `surface` to the OpenGL renderer's texture layer when that renderer
// runs. 1 when the surface is now held as a texture.
int UploadTexture(SDL_Surface *surface);

// A copy of a surface's pixels (pitch x height bytes) in system memory,
// taken once the surface has its final format, to refill it when its video
// memory is lost. Owned by the resource; empty while the engine's
// lost-surface flag is clear.
class PixelBackup {
public:
    // Copies the pixels when surfaces can be lost (the engine's
    // `lostsurfaces` flag); else stays empty.
    void Take(SDL_Surface *surface);
    // Copies the backup back into `surface`. false when the backup is empty
    // or the surface cannot be locked.
    bool Restore(SDL_Surface *surface) const;
    bool Empty() const { return bytes_.empty(); }
    void Clear() { bytes_.clear(); }

private:
    std::vector<Uint8> bytes_;
};

} // namespace qnl

#endif
