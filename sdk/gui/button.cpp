// IButton's registry: the interface's life, ids, layers, cloning and
// deletion, and the operations on one button's state, value and settings.
// Creation and loading are in buttoncreate.cpp, drawing in buttondraw.cpp,
// input in buttoninput.cpp, the information dump in buttoninfo.cpp.
//
// Index
//   Life of the interface ... creation, the shutdown report
//   Ids ..................... Find
//   Layers .................. SetWorkingLayer, SetLayerVisible
//   Clones and deletion ..... Clone, Remove, FreeMaster
//   One button .............. states, position, values, images, settings
#include <quenlar/gui/button_private.h>

#include <quenlar/core/error_private.h>
#include <quenlar/core/log.h>

#include <algorithm>
#include <cstdio>

using qnl::gui::ButtonRecord;
namespace gui = qnl::gui;

QButton *IButton = nullptr;

// ---------------------------------------------------------------------------
// Life of the interface
// ---------------------------------------------------------------------------
QButton::QButton() : r_(new Registry) {
    ILogSystem.Msg(LOG_INFO, " . [IButton] Interfaz created.\n");
}

QButton::~QButton() {
    const int left = Info(-2);
    if (left > 0) {
        ILogSystem.Msg(LOG_WARNING,
                       " . [IButton] Warning! your application has left %d buttons without "
                       "deleting.\n",
                       left);
        Info(-1);
    }
    for (int layer = 0; layer < gui::kLayers; ++layer) {
        SetWorkingLayer(layer);
        Remove();
    }
    SetWorkingLayer(0);
    FreeMaster(-1);
    r_.reset();
    ILogSystem.Msg(LOG_INFO, " . [IButton] Interfaz deleted.\n");
}

// ---------------------------------------------------------------------------
// Ids: layer * 100 + slot + 1 for working buttons, 1000 + slot for masters
// ---------------------------------------------------------------------------
ButtonRecord *QButton::Registry::Find(int id, bool allowFree) {
    if (id >= gui::kMasterBase && id < gui::kMasterBase + gui::kMasters) {
        ButtonRecord &m = Master(id - gui::kMasterBase);
        return m.free ? nullptr : &m;
    }
    if (id < 1 || id >= gui::kMasterBase) return nullptr;
    const int layer = id <= 100 ? 0 : id / 100;
    const int slot = id <= 100 ? id - 1 : id % 100 - 1;
    if (layer >= gui::kLayers || slot < 0 || slot >= gui::kSlots) return nullptr;
    ButtonRecord &b = Slot(layer, slot);
    return b.free && !allowFree ? nullptr : &b;
}

// ---------------------------------------------------------------------------
// Layers
// ---------------------------------------------------------------------------
void QButton::SetWorkingLayer(int layer) {
    if (layer < 0 || layer >= gui::kLayers) return;
    std::fill(std::begin(r_->layerVisible), std::end(r_->layerVisible), false);
    r_->workingLayer = layer;
    r_->layerVisible[layer] = true;
    r_->changed = true;
}

void QButton::SetLayerVisible(int layer, Sint8 visible) {
    if (layer < 0 || layer >= gui::kLayers) return;
    r_->layerVisible[layer] = visible > 0;
    r_->changed = true;
}

// ---------------------------------------------------------------------------
// Clones and deletion
// ---------------------------------------------------------------------------
int QButton::Clone(int masterId) {
    ButtonRecord *master = masterId >= gui::kMasterBase ? r_->Find(masterId) : nullptr;
    if (!master) {
        qnl::ReportError(qnl::ErrorCode::kNotFound, LOG_ERROR,
                         qnl::Format("IButton->Clone(%d)", masterId), "master button not found");
        return -1;
    }
    const int layer = r_->workingLayer;
    int slot = 0;
    while (slot < gui::kSlots && !r_->Slot(layer, slot).free)
        ++slot;
    if (slot == gui::kSlots) {
        qnl::ReportError(
            qnl::ErrorCode::kTableFull, LOG_WARNING, qnl::Format("IButton->Clone(%d)", master->id),
            "we have reached maximum buttons number(%d) in this layer(%d).", gui::kSlots, layer);
        return -1;
    }
    ButtonRecord &b = r_->Slot(layer, slot);
    b = *master;
    b.id = layer * 100 + slot + 1;
    b.clone = true;
    b.masterLink = master->id;
    ++master->masterLink;
    r_->changed = true;
    ILogSystem.Msg(LOG_INFO, " . [IButton->Clone(%d)] Info: added new clone button(%d).\n",
                   master->id, slot);
    return b.id;
}

void QButton::Remove() {
    const int layer = r_->workingLayer;
    int removed = 0;
    for (int slot = 0; slot < gui::kSlots; ++slot) {
        ButtonRecord &b = r_->Slot(layer, slot);
        if (b.free) continue;
        if (b.clone && !b.orphan) {
            if (ButtonRecord *master = r_->Find(b.masterLink)) --master->masterLink;
        }
        b = ButtonRecord(); // drops its hold on the images
        ++removed;
    }
    ILogSystem.Msg(LOG_INFO, " . [IButton->Remove()] Info: %d buttons of layer %d were deleted.\n",
                   removed, layer);
}

void QButton::FreeMaster(int which) {
    int first, last, shown;
    if (which < 0) {
        first = 0, last = gui::kMasters - 1, shown = -1;
    } else if (which == 0) {
        first = last = shown = 0;
    } else if (which >= gui::kMasterBase && which < gui::kMasterBase + gui::kMasters) {
        first = last = shown = which - gui::kMasterBase;
    } else {
        return; // 1 to 999 and 1100 on name no master
    }
    for (int slot = first; slot <= last; ++slot) {
        ButtonRecord &m = r_->Master(slot);
        if (m.free) continue;
        if (m.masterLink > 0) {
            ILogSystem.Msg(LOG_ERROR,
                           " . [IButton->FreeMaster(%d)] Warning: this master button still has "
                           "%d cloned buttons!\n",
                           shown, m.masterLink);
            // Its clones keep the images they share; their master link no
            // longer counts them, since the slot may get a new master.
            for (auto &layer : r_->slots.layers)
                for (ButtonRecord &b : layer)
                    if (!b.free && b.clone && b.masterLink == m.id) b.orphan = true;
        }
        m = ButtonRecord();
        ILogSystem.Msg(LOG_INFO, " . [IButton->FreeMaster(%d)] Info: master button deleted.\n",
                       shown);
    }
}

// ---------------------------------------------------------------------------
// One button
// ---------------------------------------------------------------------------
void QButton::SetState(int id, int state) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return;
    if (state != BS_NORMAL && state != BS_SELECTED && state != BS_PRESSED && state != BS_ACTION &&
        state != BS_DISABLED)
        return;
    if (b->type != BT_CHECK) {
        b->state = (Uint8)state;
    } else if (state == BS_DISABLED) {
        // Disabling keeps the value, to be given back when enabled again.
        if (b->range != BS_DISABLED) b->value = b->range;
        b->range = b->state = BS_DISABLED;
    } else if (b->state == BS_DISABLED && b->range == BS_DISABLED) {
        b->range = (Sint16)b->value;
        b->state = (Uint8)b->value;
    } else {
        b->range = (Sint16)state;
        b->state = (Uint8)state;
    }
    r_->changed = true;
}

int QButton::GetState(int id) {
    const ButtonRecord *b = r_->Find(id);
    if (!b) return -1;
    return b->type == BT_CHECK ? b->range : b->state;
}

void QButton::SetPosition(int id, Sint16 x, Sint16 y) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return;
    b->x = x;
    b->y = y;
    gui::PlaceButton(*b);
    r_->changed = true;
}

void QButton::SetValue(int id, int value) {
    ButtonRecord *b = r_->Find(id);
    if (!b || (b->type != BT_SLIDER && b->type != BT_PROGRESSBAR)) return;
    b->value = std::max(0, std::min(value, (int)b->range));
    r_->changed = true;
}

int QButton::GetValue(int id) {
    const ButtonRecord *b = r_->Find(id);
    if (!b || (b->type != BT_SLIDER && b->type != BT_PROGRESSBAR)) return -1;
    return b->value;
}

SDL_Surface *QButton::GetSurface(int id, int state) {
    const ButtonRecord *b = r_->Find(id);
    if (!b) return nullptr;
    CTile *tile = nullptr;
    switch (state) {
    case BS_NORMAL:
        tile = b->Tile(gui::kNormalImage);
        break;
    case BS_SELECTED:
        tile = b->Tile(gui::kSelectImage);
        break;
    case BS_PRESSED:
        tile = b->Tile(gui::kPressedImage);
        break;
    case BS_DISABLED:
        tile = b->Tile(gui::kOffImage);
        break;
    default:
        break;
    }
    return tile ? tile->GetSurface() : nullptr;
}

int QButton::SetCallback(int id, ButtonCallback callback, Uint32 first, Uint32 second) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return 0;
    b->callback = callback;
    b->first = first;
    b->second = second;
    return 1;
}

int QButton::SetMouseMask(int id, Uint32 mask) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return 0;
    b->mouseMask = mask;
    return 1;
}

int QButton::SetFont(int id, CFont *font) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return 0;
    b->font = font;
    r_->changed = true;
    return 1;
}

int QButton::SetText(int id, const char *text) {
    ButtonRecord *b = r_->Find(id);
    if (!b) return 0;
    std::snprintf(b->text, sizeof b->text, "%s", text ? text : "");
    r_->changed = true;
    return 1;
}

const char *QButton::GetText(int id) {
    const ButtonRecord *b = r_->Find(id);
    return b ? b->text : nullptr;
}
