// Making buttons: IButton->Create from a description and the state images
// of a package, IButton->Load from a "BUT" block, and what every button's
// images must be like (ImagesProblem) and where they go (PlaceButton).
#include <quenlar/gui/button_private.h>
#include <quenlar/gui/buttondesc_private.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>
#include <quenlar/dpf/stuffdpf.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

using qnl::gui::ButtonRecord;
namespace gui = qnl::gui;

namespace {

const struct {
    gui::Image image;
    const char *suffix; // of the tile block's name
    const char *label;  // in reasons
} kImageBlocks[] = {
    {gui::kNormalImage, "_n", "normal"},
    {gui::kPressedImage, "_p", "pressed"},
    {gui::kOffImage, "_o", "off"},
    {gui::kSelectImage, "_s", "select"},
};

bool IsKind(int type) {
    return type == BT_NORMAL || type == BT_ICON || type == BT_COMPLEX || type == BT_SLIDER ||
           type == BT_PROGRESSBAR || type == BT_CHECK || type == BT_INPUTBOX;
}

bool HasSteps(int type) {
    return type == BT_SLIDER || type == BT_PROGRESSBAR;
}

const char *ArchiveName(int dpf) {
    const char *name = dpf > 0 && IStuffDPF ? IStuffDPF->GetName(dpf) : nullptr;
    return name ? name : "";
}

// The select-box colour 0x00RRGGBB as a pixel of the screen; 0 stays "no box".
Uint32 ScreenColor(Uint32 rgb) {
    SDL_Surface *screen = qnl::Engine().screen();
    if (!screen || rgb == 0) return rgb;
    return SDL_MapRGB(screen->format, (Uint8)(rgb >> 16), (Uint8)(rgb >> 8), (Uint8)rgb);
}

// The lowest free slot of the working layer (or of the masters), or -1.
int FreeSlot(const ButtonRecord *slots, int count) {
    for (int slot = 0; slot < count; ++slot)
        if (slots[slot].free) return slot;
    return -1;
}

// The input box's text rectangle inside a w x h box, its margins kept
// within the box so that the rectangle never wraps round.
void PlaceText(ButtonRecord &b, int xMargin, int yMargin, int w, int h) {
    const int m = std::max(0, std::min(xMargin, (w - 1) / 2));
    const int n = std::max(0, std::min(yMargin, h / 2));
    b.textX = (Sint16)m;
    b.textY = (Sint16)n;
    b.textWidth = (Uint16)std::max(0, w - 2 * m - 1);
    b.textHeight = (Uint16)std::max(0, h - 2 * n);
}

} // namespace

// ---------------------------------------------------------------------------
// What images make a button, and where they go
// ---------------------------------------------------------------------------
std::string gui::ImagesProblem(int type, const SDL_Surface *const images[kImages]) {
    for (const auto &k : kImageBlocks) {
        const bool used = k.image != kSelectImage || type == BT_COMPLEX;
        if (used && !images[k.image]) return std::string("no ") + k.label + " image";
        if (!used && images[k.image])
            return std::string("a ") + k.label + " image, which a " + TypeName(type) +
                   " does not use";
    }
    const SDL_Surface *normal = images[kNormalImage];
    const auto size = [](const SDL_Surface *s) {
        return std::to_string(s->w) + "x" + std::to_string(s->h);
    };
    // Images drawn in one another's place must cover the same pixels.
    for (const auto &k : kImageBlocks) {
        const SDL_Surface *s = images[k.image];
        if (!s || k.image == kNormalImage) continue;
        if (k.image == kPressedImage && type == BT_SLIDER) continue; // the knob
        if (s->w != normal->w || s->h != normal->h)
            return std::string("the ") + k.label + " image is " + size(s) + " pixels, the normal " +
                   "image " + size(normal);
    }
    if (type == BT_SLIDER) {
        const int travel = normal->w - 2 * kSliderMargin;
        if (travel <= 0)
            return "the track (normal image) is " + std::to_string(normal->w) +
                   " pixels wide; a slider's track needs more than " +
                   std::to_string(2 * kSliderMargin);
        const int knob = images[kPressedImage]->w;
        if (knob > travel)
            return "the knob (pressed image) is " + std::to_string(knob) +
                   " pixels wide, more than the track's " + std::to_string(travel) +
                   " pixels of travel";
    }
    return "";
}

void gui::PlaceButton(ButtonRecord &b) {
    for (const TilePtr &image : b.images)
        if (image) image->SetPosition(b.x, b.y);
    CTile *normal = b.Tile(kNormalImage);
    const int w = normal ? normal->GetWidth() : 0, h = normal ? normal->GetHeight() : 0;
    const int x = b.x, y = b.y;
    switch (b.type) {
    case BT_COMPLEX:
    case BT_CHECK:
    case BT_INPUTBOX:
        b.box = {(Sint16)x, (Sint16)y, (Sint16)(x + w), (Sint16)(y + h)};
        break;
    case BT_SLIDER:
        b.box = {(Sint16)(x + kSliderMargin), (Sint16)y, (Sint16)(x + w - kSliderMargin),
                 (Sint16)(y + h)};
        break;
    default: // Normal, Icon, ProgressBar
        b.box = {(Sint16)x, (Sint16)y, (Sint16)(x + w - 1), (Sint16)(y + h - 1)};
        break;
    }
}

// ---------------------------------------------------------------------------
// Create
// ---------------------------------------------------------------------------
int QButton::Create(const ButtonDesc *desc, const char *name, Uint8 master, int dpf) {
    const std::string origin =
        qnl::Format("IButton->Create(0x%llx,'%s',%d,'%s')", (unsigned long long)(uintptr_t)desc,
                    name ? name : "", master, ArchiveName(dpf));
    // A slider or progress bar needs a step to divide its track by.
    if (!desc || desc->selectColor == 0xFFFFFFFF || !IsKind(desc->type) || dpf <= 0 || !name ||
        (HasSteps(desc->type) && desc->range < 1)) {
        qnl::ReportError(qnl::ErrorCode::kInvalidArgument, LOG_ERROR, origin, "wrong parameters.");
        return -1;
    }
    if (std::strlen(name) > (size_t)gui::kNameLength) {
        qnl::ReportError(qnl::ErrorCode::kInvalidArgument, LOG_ERROR, origin,
                         "button name too long, limit on 25 characters.");
        return -1;
    }

    const int layer = r_->workingLayer;
    const int slot = master ? FreeSlot(r_->slots.masters, gui::kMasters)
                            : FreeSlot(r_->slots.layers[layer], gui::kSlots);
    if (slot < 0 && master) {
        qnl::ReportError(qnl::ErrorCode::kTableFull, LOG_WARNING, origin,
                         "we have reached the maximum master buttons limit(%d).", gui::kMasters);
        return -1;
    }
    if (slot < 0) {
        qnl::ReportError(
            qnl::ErrorCode::kTableFull, LOG_WARNING,
            qnl::Format("IButton->Create(0x%llx,'%s',%d,'%s')", (unsigned long long)(uintptr_t)desc,
                        name, 0, ArchiveName(dpf)),
            "we have reached maximum buttons number(%d) in this layer(%d).", gui::kSlots, layer);
        return -1;
    }

    // Every image is tried; one missing, or images unfit for the kind, fail it all.
    gui::TilePtr images[gui::kImages];
    bool loaded = true;
    for (const auto &k : kImageBlocks) {
        if (k.image == gui::kSelectImage && desc->type != BT_COMPLEX) continue;
        images[k.image] = std::make_shared<CTile>();
        loaded =
            images[k.image]->Load(dpf, (std::string(name) + k.suffix).c_str(), "TILB2") && loaded;
    }
    std::string problem;
    if (loaded) {
        const SDL_Surface *surfaces[gui::kImages] = {};
        for (int i = 0; i < gui::kImages; ++i)
            surfaces[i] = images[i] ? images[i]->GetSurface() : nullptr;
        problem = gui::ImagesProblem(desc->type, surfaces);
    }
    if (!loaded || !problem.empty()) {
        ILogSystem.Msg(LOG_ERROR,
                       " . [%s] Error: we could not find valid tiles for this kind of button.\n",
                       origin.c_str());
        // A tile that did not load has recorded why; unfit images are ours.
        if (loaded) qnl::SetError(qnl::ErrorCode::kCorrupted, "%s", problem.c_str());
        return -1;
    }

    ButtonRecord &b = master ? r_->Master(slot) : r_->Slot(layer, slot);
    b = ButtonRecord();
    b.free = false;
    b.callback = desc->callback;
    b.key = desc->key;
    b.type = desc->type;
    b.selectColor = ScreenColor(desc->selectColor);
    b.x = desc->x;
    b.y = desc->y;
    for (int i = 0; i < gui::kImages; ++i)
        b.images[i] = images[i];
    b.id = master ? gui::kMasterBase + slot : layer * 100 + slot + 1;
    gui::PlaceButton(b);
    const int w = b.Tile(gui::kNormalImage)->GetWidth();
    const int h = b.Tile(gui::kNormalImage)->GetHeight();
    switch (b.type) {
    case BT_SLIDER:
    case BT_PROGRESSBAR:
        b.range = desc->range;
        // A value beyond the steps would put the knob off its track.
        b.value = std::max(0, std::min(desc->value, (Sint32)desc->range));
        // No pointer is inside a new progress bar until it is moved.
        if (b.type == BT_PROGRESSBAR) b.box.x2 = b.box.y2 = 0;
        break;
    case BT_CHECK:
        b.range = BS_NORMAL; // unchecked
        break;
    case BT_INPUTBOX:
        PlaceText(b, (Sint16)(desc->value & 0xFFFF), desc->range, w, h);
        break;
    default:
        break;
    }
    b.visible = true;
    r_->changed = true;
    ILogSystem.Msg(LOG_INFO, " . [%s] Info: created new button(%d).\n", origin.c_str(),
                   master ? slot : b.id);
    std::strcpy(b.name, name);
    return b.id;
}

// ---------------------------------------------------------------------------
// Load
// ---------------------------------------------------------------------------
int QButton::Load(int dpf, const char *name, Uint8 master) {
    if (dpf <= 0 || !name || !IStuffDPF) {
        qnl::SetError(qnl::ErrorCode::kInvalidArgument, "no package handle or button name.");
        return -1;
    }
    const std::string origin =
        qnl::Format("IButton->Load('%s','%s',%d)", name, ArchiveName(dpf), master);
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.type, "BUT");
    const bool named = std::strlen(name) < sizeof block.name;
    if (named) std::strcpy(block.name, name);
    if (!named || IStuffDPF->Find(dpf, &block) != 1) {
        qnl::ReportError(qnl::ErrorCode::kNotFound, LOG_ERROR, origin, "button not found.");
        return -1;
    }
    const int size = IStuffDPF->LoadBlock(dpf, "BUT", name, &block);
    ButtonDesc desc;
    const bool parsed =
        size > 0 &&
        qnl::ParseButtonDesc(reinterpret_cast<const Uint8 *>(block.data), (size_t)size, desc);
    delete[] block.data;
    if (!parsed) {
        // The package or the parser has recorded why.
        ILogSystem.Msg(LOG_ERROR, " . [%s] Error: load 'BUT' block of DPF failed!.\n",
                       origin.c_str());
        return -1;
    }
    const int id = Create(&desc, name, master, dpf);
    ILogSystem.Msg(LOG_INFO, " . [%s] Info: added new button(%d).\n", origin.c_str(), id);
    return id;
}

int QButton::Load(const char *path, const char *name, Uint8 master) {
    if (!path || !IStuffDPF) return 0;
    const int dpf = IStuffDPF->Open(path);
    if (dpf <= 0) return 0;
    const int id = Load(dpf, name, master);
    IStuffDPF->Close(dpf);
    return id;
}
