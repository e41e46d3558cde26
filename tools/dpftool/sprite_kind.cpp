// Sprite blocks in `dpftool list` (frame size, animations) and `dpftool
// preview` (the sheet with its frame grid, every animation row labelled).
#include "canvas.h"
#include "label.h"
#include "picture.h"
#include "resource_kind.h"

#include <quenlar/gfx/spriteblock_private.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

std::string Summary(const qnl::SpriteBlock &s) {
    const size_t count = s.animations.size();
    return "sprite, frames " + std::to_string(s.frameWidth) + "x" + std::to_string(s.frameHeight) +
           ", " + std::to_string(count) + (count == 1 ? " animation, " : " animations, ") +
           std::to_string(s.sheet.bitsPerPixel) + " bits";
}

std::string Describe(const unsigned char *data, size_t size) {
    qnl::SpriteBlock sprite;
    return qnl::ParseSpriteBlock(data, size, sprite) ? Summary(sprite) : "";
}

std::string DescribeOld(const unsigned char *data, size_t size) {
    const std::vector<Uint8> upgraded = qnl::UpgradeSpriteBlock(data, size);
    qnl::SpriteBlock sprite;
    if (upgraded.empty() || !qnl::ParseSpriteBlock(upgraded.data(), upgraded.size(), sprite))
        return "";
    return Summary(sprite) + " (version 1.0, converted when first loaded)";
}

const char *ModeWord(Sint32 mode) {
    switch (mode) {
    case qnl::kSpriteLoop:
        return "loop";
    case qnl::kSpriteBackAndForth:
        return "back-and-forth";
    case qnl::kSpriteOnce:
        return "once";
    default:
        return "still";
    }
}

// "0  loop, frames 0 to 3 of 4: 120 120 120 120 ms, anchor 16,47"
std::string RowLabel(int index, const qnl::SpriteAnimation &a) {
    std::string text = std::to_string(index) + "  " + ModeWord(a.mode);
    if (a.first == a.end)
        text += ", frame " + std::to_string(a.first) + " only";
    else
        text += ", frames " + std::to_string(a.first) + " to " + std::to_string(a.end - 1);
    text += " of " + std::to_string(a.durations.size());
    if (!a.durations.empty()) {
        text += ":";
        for (size_t f = 0; f < a.durations.size() && f < 12; ++f)
            text += " " + std::to_string(a.durations[f]);
        text += a.durations.size() > 12 ? " ... ms" : " ms";
    }
    if (a.anchorX || a.anchorY)
        text += ", anchor " + std::to_string(a.anchorX) + "," + std::to_string(a.anchorY);
    return text;
}

// The block's payload, read without converting anything.
bool ReadBlock(int handle, const char *name, qnl::SpriteBlock &sprite) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, "SPR2", name, &block);
    const bool ok = size > 0 && qnl::ParseSpriteBlock(reinterpret_cast<const Uint8 *>(block.data),
                                                      (size_t)size, sprite);
    delete[] block.data;
    return ok;
}

int Preview(int handle, const char *name, const char *out) {
    qnl::SpriteBlock sprite;
    if (!ReadBlock(handle, name, sprite))
        return dpftool::Fail("no sprite '%s' (%s)", name, dpftool::SdkReason().c_str());
    // The sheet as the game loads it.
    CSprite loaded;
    if (loaded.Load(handle, name, "SPR2") <= 0)
        return dpftool::Fail("the sprite '%s' does not load (%s)", name,
                             dpftool::SdkReason().c_str());
    SDL_Surface *sheet = loaded.GetSurface();

    const int fw = sprite.frameWidth, fh = sprite.frameHeight;
    const int columns = sprite.sheetWidth / fw, rows = (int)sprite.animations.size();
    const int scale = dpftool::PreviewScale(std::min(fw, fh), std::max(sprite.sheetWidth, fh));
    const int margin = 10, gap = 6, labelHeight = 18, numberHeight = 14;
    const int cellW = fw * scale + gap, rowH = labelHeight + fh * scale + numberHeight + gap;
    const int titleHeight = 24;
    const std::string title = std::string("'") + name + "': " + Summary(sprite) + ", position " +
                              std::to_string(sprite.x) + "," + std::to_string(sprite.y);

    int width = columns * cellW - gap + 2 * margin;
    width = std::max(width, dpftool::LabelWidth(title.c_str(), 13) + 2 * margin);
    for (int a = 0; a < rows; ++a)
        width = std::max(width, dpftool::LabelWidth(RowLabel(a, sprite.animations[a]).c_str()) +
                                    2 * margin);
    const int height = margin + titleHeight + rows * rowH + margin - gap;
    SDL_Surface *canvas = dpftool::NewCanvas(std::min(width, 4096), std::min(height, 16384));
    if (!canvas) return dpftool::Fail("out of memory");

    dpftool::DrawLabel(canvas, margin, margin, title.c_str(), dpftool::kLabelColor, 13);
    for (int a = 0; a < rows; ++a) {
        const qnl::SpriteAnimation &anim = sprite.animations[a];
        const int top = margin + titleHeight + a * rowH;
        dpftool::DrawLabel(canvas, margin, top, RowLabel(a, anim).c_str(), dpftool::kLabelColor);
        const int frameTop = top + labelHeight;
        for (int f = 0; f < columns; ++f) {
            const int left = margin + f * cellW;
            const SDL_Rect area = {(Sint16)(f * fw), (Sint16)(a * fh), (Uint16)fw, (Uint16)fh};
            dpftool::DrawEnlarged(canvas, sheet, area, left, frameTop, scale);
            // Frames the animation plays are framed brightly, the rest dimly.
            const bool played = f >= anim.first && (f < anim.end || anim.first == anim.end);
            const SDL_Rect frame = {(Sint16)(left - 1), (Sint16)(frameTop - 1),
                                    (Uint16)(fw * scale + 2), (Uint16)(fh * scale + 2)};
            dpftool::DrawOutline(canvas, frame, played ? 0xF0C040 : 0x707070);
            // The anchor: where the sprite's position falls within the frame.
            const int ax = left + anim.anchorX * scale + scale / 2;
            const int ay = frameTop + anim.anchorY * scale + scale / 2;
            if ((anim.anchorX || anim.anchorY) && anim.anchorX >= 0 && anim.anchorX < fw &&
                anim.anchorY >= 0 && anim.anchorY < fh) {
                SDL_Rect h = {(Sint16)(ax - 4), (Sint16)ay, 9, 1},
                         v = {(Sint16)ax, (Sint16)(ay - 4), 1, 9};
                SDL_FillRect(canvas, &h, 0xFF3030);
                SDL_FillRect(canvas, &v, 0xFF3030);
            }
            dpftool::DrawLabel(canvas, left, frameTop + fh * scale + 1, std::to_string(f).c_str(),
                               played ? dpftool::kLabelColor : dpftool::kNoteColor, 11);
        }
    }

    return dpftool::WritePicture(canvas, out);
}

} // namespace

DPFTOOL_RESOURCE_KIND("SPR2", Describe, Preview);
DPFTOOL_RESOURCE_KIND("SPR", DescribeOld, nullptr);
