// Text in dpftool's preview pictures: DejaVu Sans (Debian's
// fonts-dejavu-core) rendered with SDL_ttf.
#ifndef DPFTOOL_LABEL_H
#define DPFTOOL_LABEL_H

#include <SDL.h>

namespace dpftool {

// The TrueType file labels are drawn with, or null when it is missing
// (labels are then left out; previews still work).
const char *LabelFontPath();

// Draws `text` (ASCII) with its top-left corner at (x, y) on `target`, at
// `pixels` high. Returns the width drawn, 0 when nothing could be.
int DrawLabel(SDL_Surface *target, int x, int y, const char *text, SDL_Color color,
              int pixels = 12);

} // namespace dpftool

#endif
