// IButton->Info: the registry written to the log, button by button, with
// what the images cost in memory and what sharing them through clones saves.
#include <quenlar/gui/button_private.h>

#include <quenlar/core/log.h>
#include <quenlar/gfx/font.h>
#include <quenlar/platform/keyname_private.h>

#include <cstdarg>
#include <string>

using qnl::gui::ButtonRecord;
namespace gui = qnl::gui;

namespace {

// The images in the order the dump lists them, with their labels.
const struct {
    gui::Image image;
    const char *label;
} kDumpOrder[] = {
    {gui::kNormalImage, "Normal"},
    {gui::kPressedImage, "Press"},
    {gui::kSelectImage, "Select"},
    {gui::kOffImage, "Off"},
};

void Log(const char *format, ...) QUENLAR_PRINTF(1, 2);
void Log(const char *format, ...) {
    va_list args;
    va_start(args, format);
    ILogSystem.VMsg(LOG_ERROR, format, args);
    va_end(args);
}

const char *KeyName(Uint16 key) {
    return key ? qnl::platform::KeyName(key) : "none";
}

std::string MouseText(Uint32 mask) {
    std::string text;
    if (mask & SDL_BUTTON_LMASK) text += "left ";
    if (mask & SDL_BUTTON_MMASK) text += "middle ";
    if (mask & SDL_BUTTON_RMASK) text += "right ";
    return text;
}

// Bytes of pixels the button's images hold.
long Bytes(const ButtonRecord &b) {
    long bytes = 0;
    for (const gui::TilePtr &image : b.images)
        if (SDL_Surface *s = image ? image->GetSurface() : nullptr) bytes += (long)s->pitch * s->h;
    return bytes;
}

void ImageLines(const char *label, const SDL_Surface *s) {
    Log("             + %s state button of %d Kb located at %s (%dx%d with %dbits)\n", label,
        s->pitch * s->h / 1024, (s->flags & SDL_HWSURFACE) ? "video memory" : "system memory", s->w,
        s->h, s->format->BitsPerPixel);
    std::string alpha = "disabled";
    if ((s->flags & SDL_SRCALPHA) && s->format->alpha == 255)
        alpha = "per-pixel";
    else if (s->flags & SDL_SRCALPHA)
        alpha = "per-surface (" + std::to_string(s->format->alpha) + ")";
    std::string key = "disabled";
    if (s->flags & SDL_SRCCOLORKEY) {
        Uint8 r, g, b;
        SDL_GetRGB(s->format->colorkey, s->format, &r, &g, &b);
        key = "RGB(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ")";
    }
    Log("                Alpha blending: %s - Colorkey: %s\n", alpha.c_str(), key.c_str());
}

void ImagesLines(const ButtonRecord &b) {
    for (const auto &d : kDumpOrder)
        if (SDL_Surface *s = b.images[d.image] ? b.images[d.image]->GetSurface() : nullptr)
            ImageLines(d.label, s);
}

// The end of the state line: an input box's font and text, else range and value.
void ValueText(const ButtonRecord &b) {
    if (b.type == BT_INPUTBOX) {
        const char *font = b.font ? b.font->GetName() : nullptr;
        Log("Font: '%s' - Value: '%s'\n", font ? font : "none", b.text);
    } else {
        Log("Range: %d - Value: %d\n", b.range, b.value);
    }
}

void WorkingDump(const ButtonRecord &b) {
    Log("\n        # Button name '%s' - ID '%d':\n", b.name, b.id);
    Log("          + Type: '%s' - Visible: '%s' - Position: (%d,%d) - SelectBox: %d\n",
        gui::TypeName(b.type), b.visible ? "yes" : "no", b.x, b.y, (int)b.selectColor);
    Log("          + State: '%s' - Last state: '%s' - ", gui::StateName(b.state),
        gui::StateName(b.lastState));
    ValueText(b);
    Log("          + Associated key: '%s' - Mouse sensibility: ' %s' buttons.\n", KeyName(b.key),
        MouseText(b.mouseMask).c_str());
    if (b.clone)
        Log("          + Cloned button. MasterID '%d'.\n", b.masterLink);
    else
        ImagesLines(b);
}

// Returns the master's saved memory in bytes: (clones - 1) * its images' bytes.
double MasterDump(const ButtonRecord &m) {
    const double saved = (double)(m.masterLink - 1) * (double)Bytes(m);
    Log("\n     -> Button name '%s' - MasterID '%d':\n", m.name, m.id);
    Log("         + Cloned buttons: %d - Saved memory: %.1f Kbytes\n", m.masterLink, saved / 1024);
    Log("         + Type: '%s' - Visible: '%s' - Position: (%d,%d) - SelectBox: %d\n",
        gui::TypeName(m.type), m.visible ? "yes" : "no", m.x, m.y, (int)m.selectColor);
    if (m.type == BT_CHECK)
        Log("        + State: '%s' - Last state: '%s' - ", gui::StateName(m.range),
            gui::StateName(m.lastState));
    else
        Log("         + State: '%s' - Last state: '%s' - ", gui::StateName(m.state),
            gui::StateName(m.lastState));
    ValueText(m);
    Log("         + Associated key: '%s' - Mouse sensibility: ' %s' buttons.\n", KeyName(m.key),
        MouseText(m.mouseMask).c_str());
    ImagesLines(m);
    return saved;
}

} // namespace

const char *gui::TypeName(int type) {
    switch (type) {
    case BT_NORMAL:
        return "Normal button";
    case BT_ICON:
        return "Icon (deprecated)";
    case BT_COMPLEX:
        return "Complex button";
    case BT_SLIDER:
        return "Slider";
    case BT_PROGRESSBAR:
        return "Progress bar";
    case BT_CHECK:
        return "Check button";
    case BT_INPUTBOX:
        return "Input box";
    default:
        return "none";
    }
}

const char *gui::StateName(int state) {
    switch (state) {
    case BS_NORMAL:
        return "Normal";
    case BS_SELECTED:
        return "Selected";
    case BS_PRESSED:
        return "Pressed";
    case BS_ACTION:
        return "Action";
    case BS_DISABLED:
        return "Disabled";
    default:
        return "none";
    }
}

int QButton::Info(int id) {
    int masters = 0, working = 0, clones = 0;
    for (const ButtonRecord &m : r_->slots.masters)
        masters += !m.free;
    for (const auto &layer : r_->slots.layers)
        for (const ButtonRecord &b : layer) {
            working += !b.free;
            clones += !b.free && b.clone;
        }
    const int count = masters + working + clones;
    if (id == -2) return count;

    Log("\n . IButton information:\n");
    if (id >= 0) {
        // A free working slot dumps its reset record; a free master nothing.
        if (const ButtonRecord *b = r_->Find(id, true)) {
            if (id >= gui::kMasterBase)
                MasterDump(*b);
            else
                WorkingDump(*b);
        }
        return count;
    }
    if (id != -1) return count;

    Log("\n   - Masterbuttons: %d - Cloned buttons: %d - Total working buttons: %d - Current "
        "layer %d.\n",
        masters, clones, working, r_->workingLayer);
    Log("\n   - Dumping Master button list:%s\n", masters ? "" : " None\n");
    double saved = 0;
    for (const ButtonRecord &m : r_->slots.masters)
        if (!m.free) saved += MasterDump(m);
    if (masters) Log("\n     -> Total saved memory: %.1f KBytes\n", saved / 1024);
    Log("\n   - Dumping Working layer list:\n");
    for (int layer = 0; layer < gui::kLayers; ++layer) {
        Log("\n     -> Layer %d - %s state\n", layer,
            r_->layerVisible[layer] ? "Visible" : "Hidden");
        for (const ButtonRecord &b : r_->slots.layers[layer])
            if (!b.free) WorkingDump(b);
    }
    return count;
}
