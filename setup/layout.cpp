// layout.xml: read into SetupState, its codes explained, and the resources
// it names listed, all by walking the rows of layout_rows.cpp.
//
// Index
//   LayoutReader ........ fills SetupState row by row; the first missing piece stops it
//   DescribeLayoutError . a code in words, found in the rows
//   LayoutResources ..... the rows' resources in the launcher's loading order
//
// Values that do not fit their SetupState field are refused with a code of
// their own, never cut.
#include "setup/launcher.h"
#include "setup/layout.h"
#include "setup/layout_rows.h"

#include <quenlar/core/engine.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kUnreadable = 1;                   // the document cannot be opened or parsed
constexpr int kFirstCustomId = kSlotFirstCustom; // a custom button's id is its slot
constexpr int kStateNormal = 1;
constexpr int kStateDisabled = 16;

int MapState(int value) {
    return value < 1 ? kStateDisabled : kStateNormal;
}

// The reading of one document, with the handle's current element moved as
// it goes: an element row points at its element, the attribute rows after
// it read from there.
class LayoutReader {
public:
    LayoutReader(int h, SetupState &state) : h_(h), s_(state) {}

    int Read() {
        for (const LayoutRow &row : LayoutRows())
            if (int code = ReadRow(row)) return code;
        return 0;
    }

private:
    int ReadRow(const LayoutRow &row) {
        switch (row.store) {
        case LayoutStore::Element:
            return PointTo(row.element) ? 0 : row.code;
        case LayoutStore::MainButton:
            if (!PointTo(row.element)) return row.code;
            row.field(s_).widget->state = kStateNormal;
            return 0;
        case LayoutStore::Text:
            return ReadText(row);
        case LayoutStore::Number:
            return Int(row.attribute, row.field(s_).number) ? 0 : row.code;
        case LayoutStore::State: {
            int state;
            if (!Int(row.attribute, &state)) return row.code;
            *row.field(s_).number = MapState(state);
            return 0;
        }
        case LayoutStore::Widget:
        case LayoutStore::Position: {
            bool hasState = row.store == LayoutStore::Widget;
            bool read = PointTo(row.element) && ReadPlace(s_.widget[row.tab][row.slot], hasState);
            return read ? 0 : row.code;
        }
        case LayoutStore::ResourceNames:
            BuildResourceNames();
            return 0;
        case LayoutStore::Named:
            return 0;
        case LayoutStore::CustomButtons:
            return ReadCustomButtons(row.element);
        }
        return 0;
    }

    bool Text(const char *attribute, const char **value) {
        return Quenlar.XMLAttributeGet(h_, attribute, value) != 0;
    }
    bool Int(const char *attribute, int *value) {
        return Quenlar.XMLAttributeGet(h_, attribute, value) != 0;
    }

    // `path` is "layout" and at most two more names, separated by "/".
    bool PointTo(const char *path) {
        char names[64];
        snprintf(names, sizeof names, "%s", path);
        const char *name[3] = {names, nullptr, nullptr};
        int count = 1;
        for (char *c = names; *c && count < 3; ++c)
            if (*c == '/') {
                *c = '\0';
                name[count++] = c + 1;
            }
        return Quenlar.XMLNodePointTo(h_, count, name[0], name[1], name[2]) != 0;
    }

    int ReadText(const LayoutRow &row) {
        const char *value;
        if (!Text(row.attribute, &value)) return row.code;
        if (strlen(value) > static_cast<size_t>(row.limit)) return row.tooLongCode;
        LayoutField field = row.field(s_);
        snprintf(field.text, field.size, "%s%s", value, row.suffix);
        return 0;
    }

    // state, x and y of the element the handle points at; false if one is missing.
    bool ReadPlace(SetupWidget &w, bool hasState) {
        if (hasState) {
            int state;
            if (!Int("state", &state)) return false;
            w.state = MapState(state);
        }
        return Int("x", &w.x) && Int("y", &w.y);
    }

    void BuildResourceNames() {
        for (int i = 0; i < RES_COUNT; ++i) {
            std::string name = std::string(s_.skin) + kSetupResourceSuffix[i];
            snprintf(s_.resource[i], sizeof s_.resource[i], "%s", name.c_str());
        }
    }

    // Up to seven children of the element; the first child with a given id
    // in 10..16 fills that entry, other children are skipped. A missing or
    // empty element is no error.
    int ReadCustomButtons(const char *element) {
        for (CustomButton &c : s_.custom)
            c.type = -1;
        if (!PointTo(element) || !Quenlar.XMLNodeChild(h_)) return 0;
        for (int visited = 0; visited < kCustomButtons; ++visited) {
            if (int code = ReadCustomButton()) return code;
            if (!Quenlar.XMLNodeNext(h_)) break;
        }
        return 0;
    }

    int ReadCustomButton() {
        const char *element = Quenlar.XMLNodeGetName(h_);
        int id;
        if (!element || !Int("id", &id) || id < kFirstCustomId ||
            id >= kFirstCustomId + kCustomButtons)
            return 0;
        CustomButton &c = s_.custom[id - kFirstCustomId];
        if (c.type != -1) return 0;

        if (strlen(s_.skin) + 1 + strlen(element) > sizeof c.resource - 1)
            return kCustomNameTooLong + id;
        const char *data = "";
        Text("data", &data); // no data: an empty text
        if (!data) data = "";
        if (strlen(data) > sizeof c.data - 1) return kCustomDataTooLong + id;

        int type = 1;
        Int("type", &type);
        c.type = type < 1 ? 1 : type > 2 ? 2 : type;
        snprintf(c.resource, sizeof c.resource, "%s_%s", s_.skin, element);
        snprintf(c.data, sizeof c.data, "%s", data);

        // A missing state means Disabled; missing x or y stay as they were.
        SetupWidget &w = s_.widget[TAB_GENERAL][id];
        w.state = kStateDisabled;
        int state;
        if (Int("state", &state)) w.state = MapState(state);
        Int("x", &w.x);
        Int("y", &w.y);
        return 0;
    }

    int h_;
    SetupState &s_;
};

} // namespace

int ParseLayoutDocument(int h, SetupState &state) {
    return LayoutReader(h, state).Read();
}

int ParseLayoutFrom(const char *package, SetupState &state) {
    int h = Quenlar.XMLOpen(package, "layout.xml");
    if (!h) return kUnreadable;
    int code = ParseLayoutDocument(h, state);
    Quenlar.XMLClose(h);
    return code;
}

int ParseLayout(SetupState &state) {
    return ParseLayoutFrom("setup.dpf", state);
}

// ---------------------------------------------------------------------------
// Explaining codes
// ---------------------------------------------------------------------------
namespace {

std::string PiecePath(const LayoutRow &row) {
    std::string path = row.element;
    if (row.attribute) path += std::string("/@") + row.attribute;
    return path;
}

const char *MissingText(const LayoutRow &row) {
    switch (row.store) {
    case LayoutStore::Number:
    case LayoutStore::State:
        return " is missing or not a number";
    case LayoutStore::Widget:
        return " (or its state, x or y) is missing";
    case LayoutStore::Position:
        return " (or its x or y) is missing";
    default:
        return " is missing";
    }
}

// The pieces that give `code` when missing, joined by "or"; "" if none.
std::string DescribeMissing(int code) {
    std::string pieces;
    const LayoutRow *last = nullptr;
    for (const LayoutRow &row : LayoutRows()) {
        if (row.code != code) continue;
        if (last) pieces += " or ";
        pieces += PiecePath(row);
        last = &row;
    }
    if (!last) return "";
    if (!last->attribute && !strchr(last->element, '/'))
        return "the root element " + pieces + " is missing";
    return pieces + MissingText(*last);
}

std::string DescribeCustomButton(const LayoutRow &row, int code) {
    int id = code % 100;
    if (id < kFirstCustomId || id >= kFirstCustomId + kCustomButtons) return "";
    std::string which = PiecePath(row) + ": the button with id " + std::to_string(id);
    if (code - id == kCustomDataTooLong)
        return which + " has data longer than " + std::to_string(sizeof CustomButton().data - 1) +
               " characters";
    if (code - id == kCustomNameTooLong)
        return which + " makes a resource name (skin, \"_\" and its element name) longer than " +
               std::to_string(sizeof CustomButton().resource - 1) + " characters";
    return "";
}

std::string DescribeTooLong(int code) {
    for (const LayoutRow &row : LayoutRows()) {
        if (row.store == LayoutStore::CustomButtons) {
            std::string text = DescribeCustomButton(row, code);
            if (!text.empty()) return text;
        }
        if (row.store == LayoutStore::Text && code == row.tooLongCode)
            return PiecePath(row) + " is longer than " + std::to_string(row.limit) + " characters";
    }
    return "";
}

} // namespace

std::string DescribeLayoutError(int code) {
    if (code == 0) return "";
    if (code == kUnreadable) return "the layout.xml block cannot be read or is not well-formed XML";
    std::string text = DescribeMissing(code);
    if (text.empty()) text = DescribeTooLong(code);
    return text.empty() ? "unknown error code" : text;
}

// ---------------------------------------------------------------------------
// Listing resources
// ---------------------------------------------------------------------------
namespace {

struct BlockKind {
    const char *type;
    const char *fallback; // an older type the loader converts
    bool optional;
};

BlockKind BlockOf(LoadKind kind) {
    switch (kind) {
    case LoadKind::Icon:
        return {"IMG", nullptr, true};
    case LoadKind::Cursor:
    case LoadKind::Background:
        return {"IMG", nullptr, false};
    case LoadKind::Logo:
        return {"SPR2", "SPR", false};
    case LoadKind::Font:
        return {"FONT2", "FONT", false};
    case LoadKind::Button:
    case LoadKind::Master:
        return {"BUT", nullptr, false};
    case LoadKind::Sound:
        return {"SND", nullptr, false};
    case LoadKind::Music:
        return {"MUS", nullptr, false};
    case LoadKind::Clone:
    case LoadKind::None:
        break;
    }
    return {nullptr, nullptr, false};
}

// Layer 0 holds Exit, Play, Save and the tab buttons; the widgets of a tab
// are on the layer after its index.
int LayerOf(const LayoutResource &r) {
    if (r.kind != LoadKind::Button && r.kind != LoadKind::Clone) return -1;
    return r.tab < 0 || r.slot == 0 ? 0 : r.tab + 1;
}

struct Step {
    const LayoutLoad *load;
    LayoutResource resource;
};

Step MakeStep(const LayoutLoad &load, const std::string &name, int tab, int slot) {
    BlockKind block = BlockOf(load.kind);
    Step step;
    step.load = &load;
    LayoutResource &r = step.resource;
    r.name = name;
    r.type = block.type;
    r.fallback = block.fallback;
    r.optional = block.optional;
    r.kind = load.kind;
    r.skin = load.skin;
    r.tab = tab;
    r.slot = slot;
    r.layer = LayerOf(r);
    return step;
}

} // namespace

std::vector<LayoutResource> LayoutResources(const SetupState &s) {
    std::vector<Step> steps;
    for (const LayoutRow &row : LayoutRows()) {
        const LayoutLoad &load = row.load;
        if (load.kind == LoadKind::None) continue;
        if (row.store == LayoutStore::CustomButtons) {
            for (int i = 0; i < kCustomButtons; ++i)
                if (s.custom[i].type != -1)
                    steps.push_back(
                        MakeStep(load, s.custom[i].resource, TAB_GENERAL, kFirstCustomId + i));
        } else {
            const char *name = load.kind == LoadKind::Logo ? s.logoName : s.resource[load.skin];
            steps.push_back(MakeStep(load, name, row.tab, row.slot));
        }
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step &a, const Step &b) {
        if (a.load->phase != b.load->phase) return a.load->phase < b.load->phase;
        return a.load->position < b.load->position;
    });

    std::vector<LayoutResource> list;
    bool read[RES_COUNT] = {}; // skin names whose block an earlier step read
    for (Step &step : steps) {
        LayoutResource &r = step.resource;
        bool shared = r.skin != RES_COUNT; // the logo and the link buttons are read once
        r.firstUse = r.type && !(shared && read[r.skin]);
        if (r.firstUse && shared) read[r.skin] = true;
        list.push_back(r);
    }
    return list;
}
