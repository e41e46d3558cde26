// Button blocks in `dpftool list` (kind, key, position, steps) and `dpftool
// preview` (the state images side by side).
#include "canvas.h"
#include "key_names.h"
#include "label.h"
#include "resource_kind.h"

#include <quenlar/gfx/pngwriter.h>
#include <quenlar/gui/buttondesc_private.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char *KindWords(int type) {
    switch (type) {
    case BT_NORMAL:
        return "normal";
    case BT_ICON:
        return "icon";
    case BT_COMPLEX:
        return "complex";
    case BT_SLIDER:
        return "slider";
    case BT_PROGRESSBAR:
        return "progress bar";
    case BT_CHECK:
        return "check";
    case BT_INPUTBOX:
        return "input box";
    default:
        return nullptr;
    }
}

// "button, slider, key 'return', at 10,20, range 10, value 5"
std::string Summary(const ButtonDesc &d) {
    const char *kind = KindWords(d.type);
    std::string text = kind ? std::string("button, ") + kind
                            : "button of no known kind (" + std::to_string(d.type) + ")";
    text += d.key ? ", key '" + dpftool::KeyName(d.key) + "'" : ", no key";
    text += ", at " + std::to_string(d.x) + "," + std::to_string(d.y);
    if (d.type == BT_SLIDER || d.type == BT_PROGRESSBAR)
        text += ", range " + std::to_string(d.range) + ", value " + std::to_string(d.value);
    if (d.type == BT_INPUTBOX)
        text += ", margins " + std::to_string(d.value & 0xFFFF) + "," + std::to_string(d.range);
    if (d.selectColor) {
        char colour[32];
        std::snprintf(colour, sizeof colour, ", select box #%06X", (unsigned)d.selectColor);
        text += colour;
    }
    return text;
}

std::string Describe(const unsigned char *data, size_t size) {
    ButtonDesc desc;
    return qnl::ParseButtonDesc(data, size, desc) ? Summary(desc) : "";
}

int Preview(int handle, const char *name, const char *out) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = IStuffDPF->LoadBlock(handle, "BUT", name, &block);
    ButtonDesc desc;
    const bool parsed =
        size > 0 &&
        qnl::ParseButtonDesc(reinterpret_cast<const Uint8 *>(block.data), (size_t)size, desc);
    delete[] block.data;
    if (!parsed) return dpftool::Fail("no button '%s' (%s)", name, dpftool::SdkReason().c_str());

    // The images there are, in the order a button changes through them,
    // labelled by what the kind shows with them.
    const bool slider = desc.type == BT_SLIDER, bar = desc.type == BT_PROGRESSBAR;
    const bool check = desc.type == BT_CHECK, box = desc.type == BT_INPUTBOX;
    const struct {
        const char *suffix, *label;
    } kImages[] = {{"_n", slider  ? "track"
                          : bar   ? "filled"
                          : check ? "unchecked"
                          : box   ? "idle"
                                  : "normal"},
                   {"_s", "select"},
                   {"_p", slider  ? "knob"
                          : bar   ? "empty"
                          : check ? "checked"
                          : box   ? "focused"
                                  : "pressed"},
                   {"_o", "off"}};
    std::unique_ptr<CTile> tiles[4];
    int width = 0, height = 0, count = 0;
    for (int i = 0; i < 4; ++i) {
        std::unique_ptr<CTile> tile(new CTile);
        if (!tile->Load(handle, (std::string(name) + kImages[i].suffix).c_str(), "TILB2")) continue;
        width += tile->GetWidth();
        height = std::max(height, tile->GetHeight());
        tiles[i] = std::move(tile);
        ++count;
    }
    if (!count) return dpftool::Fail("button '%s' has no state images", name);

    const int margin = 10, gap = 16, titleHeight = 24, labelHeight = 18;
    const int scale = dpftool::PreviewScale(height, width + gap * count);
    const std::string title = std::string("'") + name + "': " + Summary(desc);
    int canvasWidth = 2 * margin + gap * (count - 1);
    for (const auto &tile : tiles)
        if (tile)
            canvasWidth += std::max(tile->GetWidth() * scale, dpftool::LabelWidth("unchecked", 12));
    canvasWidth = std::max(canvasWidth, dpftool::LabelWidth(title.c_str(), 13) + 2 * margin);
    SDL_Surface *canvas = dpftool::NewCanvas(
        std::min(canvasWidth, 4096), titleHeight + labelHeight + height * scale + 2 * margin);
    if (!canvas) return dpftool::Fail("out of memory");
    dpftool::DrawLabel(canvas, margin, margin, title.c_str(), dpftool::kLabelColor, 13);
    int x = margin;
    const int top = margin + titleHeight + labelHeight;
    for (int i = 0; i < 4; ++i) {
        if (!tiles[i]) continue;
        CTile &tile = *tiles[i];
        const int w = tile.GetWidth(), h = tile.GetHeight();
        dpftool::DrawLabel(canvas, x, top - labelHeight, kImages[i].label, dpftool::kNoteColor, 12);
        const SDL_Rect all = {0, 0, (Uint16)w, (Uint16)h};
        dpftool::DrawEnlarged(canvas, tile.GetSurface(), all, x, top, scale);
        dpftool::DrawOutline(
            canvas,
            {(Sint16)(x - 1), (Sint16)(top - 1), (Uint16)(w * scale + 2), (Uint16)(h * scale + 2)},
            0xF0C040);
        x += std::max(w * scale, dpftool::LabelWidth("unchecked", 12)) + gap;
    }

    errno = 0;
    const int saved = qnl::SavePNG(canvas, out);
    SDL_FreeSurface(canvas);
    if (!saved) return dpftool::Fail("%s: %s", out, errno ? std::strerror(errno) : "cannot write");
    return dpftool::kOk;
}

} // namespace

DPFTOOL_RESOURCE_KIND("BUT", Describe, Preview);
