// layout.xml: the launcher's description of a game's setup window, read
// once at start-up into SetupState.
//
// Every piece has an error code; the first missing one stops the reading
// and is returned. Values that do not fit their SetupState field are refused
// with a code of their own (the missing piece's code plus 100, see
// kTooLong below), never cut.
#include "setup/launcher.h"
#include "setup/layout.h"

#include <quenlar/core/engine.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kTooLong = 100;            // added to a piece's code when its value is too long
constexpr int kCustomDataTooLong = 1100; // + the button's id (10..16)
constexpr int kCustomNameTooLong = 1200; // + the button's id

constexpr int kStateNormal = 1;
constexpr int kStateDisabled = 16;

const char *const kTabElement[TAB_COUNT] = {"general", "video", "audio"};

// A widget of a tab: the element layout/<tab>/<name>. Resolutions also carry
// `width` and `height` (codes code + 1 and code + 2).
struct WidgetElement {
    int tab;
    const char *name;
    int slot;
    int code;
    bool hasState;  // false: only x and y (a text position)
    int resolution; // 0..3 for vidresolution1..4, else -1
};

const WidgetElement kWidgets[] = {
    {TAB_GENERAL, "benchmark", 1, 1001, true, -1},
    {TAB_GENERAL, "mtfriendly", 2, 1002, true, -1},
    {TAB_GENERAL, "cpuid", 3, 1003, false, -1},
    {TAB_GENERAL, "memoryinfo", 4, 1004, false, -1},
    {TAB_GENERAL, "pindex", 5, 1005, false, -1},
    // (the custom buttons are read here, between general and video)
    {TAB_VIDEO, "vidrenderer_opengl", 1, 2001, true, -1},
    {TAB_VIDEO, "vidrenderer_windib", 2, 2002, true, -1},
    {TAB_VIDEO, "vidrenderer_ddraw", 3, 2003, true, -1},
    {TAB_VIDEO, "vidrenderer_x11", 4, 2004, true, -1},
    {TAB_VIDEO, "vidrenderer_fbcon", 5, 2005, true, -1},
    {TAB_VIDEO, "vidrenderer_quartz", 6, 2006, true, -1},
    {TAB_VIDEO, "vidresolution1", 7, 2010, true, 0},
    {TAB_VIDEO, "vidresolution2", 8, 2013, true, 1},
    {TAB_VIDEO, "vidresolution3", 9, 2016, true, 2},
    {TAB_VIDEO, "vidresolution4", 10, 2019, true, 3},
    {TAB_VIDEO, "vidcolordepth8", 11, 2030, true, -1},
    {TAB_VIDEO, "vidcolordepth16", 12, 2031, true, -1},
    {TAB_VIDEO, "vidcolordepth32", 13, 2032, true, -1},
    {TAB_VIDEO, "vidaccelsoftware", 14, 2040, true, -1},
    {TAB_VIDEO, "vidaccelhardsmooth", 15, 2041, true, -1},
    {TAB_VIDEO, "vidaccelhardspeed", 16, 2042, true, -1},
    {TAB_VIDEO, "vidmodewindow", 17, 2050, true, -1},
    {TAB_VIDEO, "vidmodefullscreen", 18, 2051, true, -1},
    {TAB_VIDEO, "vidmodewindownoframe", 19, 2052, true, -1},
    {TAB_AUDIO, "butaudioenabled", 1, 3001, true, -1},
    {TAB_AUDIO, "butformat8", 2, 3010, true, -1},
    {TAB_AUDIO, "butformat16", 3, 3011, true, -1},
    {TAB_AUDIO, "butfreq11", 6, 3020, true, -1},
    {TAB_AUDIO, "butfreq22", 5, 3021, true, -1},
    {TAB_AUDIO, "butfreq44", 4, 3022, true, -1},
    {TAB_AUDIO, "butmono", 7, 3030, true, -1},
    {TAB_AUDIO, "butstereo", 8, 3031, true, -1},
    {TAB_AUDIO, "butmulti", 9, 3032, true, -1},
    {TAB_AUDIO, "butmusicvol", 10, 3040, true, -1},
    {TAB_AUDIO, "butsoundvol", 11, 3041, true, -1},
};

// Exit, Play and Save under layout/main: x and y only, always Normal.
struct MainButton {
    const char *name;
    int code; // the element; x is code + 1, y code + 2
};
const MainButton kMainButtons[] = {{"butexit", 19}, {"butplay", 22}, {"butsave", 25}};

// Root attributes stored as texts.
struct RootText {
    const char *attribute;
    int code;
    int maxLength; // characters of the value that fit
};
const RootText kRootTexts[] = {
    {"appname", 11, 37},   {"target_win", 12, 65}, {"setupdpf", 13, 255},
    {"setupxml", 14, 255}, {"skin", 15, 20},
};

int MapState(int value) {
    return value < 1 ? kStateDisabled : kStateNormal;
}

// The reading of one document, with the handle's current element moved as
// it goes.
class LayoutReader {
public:
    LayoutReader(int h, SetupState &state) : h_(h), s_(state) {}

    int Read() {
        if (!Quenlar.XMLNodePointTo(h_, 1, "layout")) return 10;
        if (int code = ReadRoot()) return code;
        if (int code = ReadMain()) return code;
        if (int code = ReadTabs()) return code;
        BuildResourceNames();
        for (const WidgetElement &w : kWidgets) {
            if (w.tab == TAB_VIDEO && w.slot == 1)
                if (int code = ReadCustomButtons()) return code;
            if (int code = ReadWidget(w)) return code;
        }
        return 0;
    }

private:
    bool Text(const char *attribute, const char **value) {
        return Quenlar.XMLAttributeGet(h_, attribute, value) != 0;
    }
    bool Int(const char *attribute, int *value) {
        return Quenlar.XMLAttributeGet(h_, attribute, value) != 0;
    }

    int ReadRoot() {
        const char *value[5];
        for (int i = 0; i < 5; ++i) {
            const RootText &r = kRootTexts[i];
            if (!Text(r.attribute, &value[i])) return r.code;
            if (static_cast<int>(strlen(value[i])) > r.maxLength) return r.code + kTooLong;
            switch (i) {
            case 0:
                snprintf(s_.title, sizeof s_.title, "%s - Setup", value[i]);
                break;
            case 1:
                snprintf(s_.target, sizeof s_.target, "%s", value[i]);
                break;
            case 2:
                snprintf(s_.configPackage, sizeof s_.configPackage, "%s", value[i]);
                break;
            case 3:
                snprintf(s_.configBlock, sizeof s_.configBlock, "%s", value[i]);
                break;
            case 4:
                snprintf(skin_, sizeof skin_, "%s", value[i]);
                break;
            }
        }
        return 0;
    }

    int ReadMain() {
        // A missing logotype element shares the skin's code.
        if (!Quenlar.XMLNodePointTo(h_, 3, "layout", "main", "logotype")) return 15;
        const char *name;
        if (!Text("name", &name)) return 16;
        if (strlen(name) > 27) return 16 + kTooLong;
        snprintf(s_.logoName, sizeof s_.logoName, "%s_win", name);
        if (!Int("x", &s_.logoX)) return 17;
        if (!Int("y", &s_.logoY)) return 18;

        SetupWidget *buttons[] = {&s_.exitButton, &s_.playButton, &s_.saveButton};
        for (int i = 0; i < 3; ++i) {
            const MainButton &b = kMainButtons[i];
            if (!Quenlar.XMLNodePointTo(h_, 3, "layout", "main", b.name)) return b.code;
            buttons[i]->state = kStateNormal;
            if (!Int("x", &buttons[i]->x)) return b.code + 1;
            if (!Int("y", &buttons[i]->y)) return b.code + 2;
        }
        return 0;
    }

    int ReadTabs() {
        for (int tab = 0; tab < TAB_COUNT; ++tab) {
            int code = 28 + 4 * tab; // 28, 32, 36; then state, x, y
            SetupWidget &w = s_.widget[tab][0];
            if (!Quenlar.XMLNodePointTo(h_, 2, "layout", kTabElement[tab])) return code;
            int state;
            if (!Int("state", &state)) return code + 1;
            w.state = MapState(state);
            if (!Int("x", &w.x)) return code + 2;
            if (!Int("y", &w.y)) return code + 3;
        }
        return 0;
    }

    void BuildResourceNames() {
        for (int i = 0; i < RES_COUNT; ++i)
            snprintf(s_.resource[i], sizeof s_.resource[i], "%s%s", skin_, kSetupResourceSuffix[i]);
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

    int ReadWidget(const WidgetElement &e) {
        if (!Quenlar.XMLNodePointTo(h_, 3, "layout", kTabElement[e.tab], e.name)) return e.code;
        if (!ReadPlace(s_.widget[e.tab][e.slot], e.hasState)) return e.code;
        if (e.resolution < 0) return 0;

        const char *width, *height;
        if (!Text("width", &width)) return e.code + 1;
        if (strlen(width) > 4) return e.code + 1 + kTooLong;
        snprintf(s_.resWidth[e.resolution], sizeof s_.resWidth[e.resolution], "%s", width);
        if (!Text("height", &height)) return e.code + 2;
        if (strlen(height) > 4) return e.code + 2 + kTooLong;
        snprintf(s_.resHeight[e.resolution], sizeof s_.resHeight[e.resolution], "%s", height);
        return 0;
    }

    // Up to seven children of layout/general/custombuttons; the first child
    // with a given id in 10..16 fills that entry, other children are skipped.
    int ReadCustomButtons() {
        for (CustomButton &c : s_.custom)
            c.type = -1;
        if (!Quenlar.XMLNodePointTo(h_, 3, "layout", "general", "custombuttons")) return 0;
        if (!Quenlar.XMLNodeChild(h_)) return 0;
        for (int visited = 0; visited < kCustomButtons; ++visited) {
            if (int code = ReadCustomButton()) return code;
            if (!Quenlar.XMLNodeNext(h_)) break;
        }
        return 0;
    }

    int ReadCustomButton() {
        const char *element = Quenlar.XMLNodeGetName(h_);
        int id;
        if (!element || !Int("id", &id) || id < 10 || id >= 10 + kCustomButtons) return 0;
        CustomButton &c = s_.custom[id - 10];
        if (c.type != -1) return 0;

        if (strlen(skin_) + 1 + strlen(element) > sizeof c.resource - 1)
            return kCustomNameTooLong + id;
        const char *data = "";
        Text("data", &data); // no data: an empty text
        if (!data) data = "";
        if (strlen(data) > sizeof c.data - 1) return kCustomDataTooLong + id;

        int type = 1;
        Int("type", &type);
        c.type = type < 1 ? 1 : type > 2 ? 2 : type;
        snprintf(c.resource, sizeof c.resource, "%s_%s", skin_, element);
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
    char skin_[21] = {0};
};

} // namespace

int ParseLayoutDocument(int h, SetupState &state) {
    return LayoutReader(h, state).Read();
}

int ParseLayoutFrom(const char *package, SetupState &state) {
    int h = Quenlar.XMLOpen(package, "layout.xml");
    if (!h) return 1;
    int code = ParseLayoutDocument(h, state);
    Quenlar.XMLClose(h);
    return code;
}

int ParseLayout(SetupState &state) {
    return ParseLayoutFrom("setup.dpf", state);
}

// ---------------------------------------------------------------------------
// Explaining codes and listing resources (for tools)
// ---------------------------------------------------------------------------
namespace {

std::string DescribeMissing(int code) {
    for (const RootText &r : kRootTexts)
        if (code == r.code)
            return code == 15 ? "layout/@skin or layout/main/logotype is missing"
                              : std::string("layout/@") + r.attribute + " is missing";
    switch (code) {
    case 1:
        return "the layout.xml block cannot be read or is not well-formed XML";
    case 10:
        return "the root element layout is missing";
    case 16:
        return "layout/main/logotype/@name is missing";
    case 17:
        return "layout/main/logotype/@x is missing or not a number";
    case 18:
        return "layout/main/logotype/@y is missing or not a number";
    }
    for (const MainButton &b : kMainButtons) {
        std::string path = std::string("layout/main/") + b.name;
        if (code == b.code) return path + " is missing";
        if (code == b.code + 1) return path + "/@x is missing or not a number";
        if (code == b.code + 2) return path + "/@y is missing or not a number";
    }
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        std::string path = std::string("layout/") + kTabElement[tab];
        static const char *const kParts[] = {"", "/@state", "/@x", "/@y"};
        for (int i = 0; i < 4; ++i)
            if (code == 28 + 4 * tab + i)
                return path + kParts[i] + (i ? " is missing or not a number" : " is missing");
    }
    for (const WidgetElement &w : kWidgets) {
        std::string path = std::string("layout/") + kTabElement[w.tab] + "/" + w.name;
        if (code == w.code)
            return path + (w.hasState ? " (or its state, x or y) is missing"
                                      : " (or its x or y) is missing");
        if (w.resolution >= 0 && code == w.code + 1) return path + "/@width is missing";
        if (w.resolution >= 0 && code == w.code + 2) return path + "/@height is missing";
    }
    return "";
}

std::string DescribeTooLong(int code) {
    for (const RootText &r : kRootTexts)
        if (code == r.code + kTooLong)
            return std::string("layout/@") + r.attribute + " is longer than " +
                   std::to_string(r.maxLength) + " characters";
    if (code == 16 + kTooLong) return "layout/main/logotype/@name is longer than 27 characters";
    for (const WidgetElement &w : kWidgets) {
        if (w.resolution < 0) continue;
        std::string path = std::string("layout/video/") + w.name;
        if (code == w.code + 1 + kTooLong) return path + "/@width is longer than 4 characters";
        if (code == w.code + 2 + kTooLong) return path + "/@height is longer than 4 characters";
    }
    int id = code % 100;
    if (id >= 10 && id < 10 + kCustomButtons) {
        std::string which =
            "layout/general/custombuttons: the button with id " + std::to_string(id);
        if (code - id == kCustomDataTooLong) return which + " has data longer than 254 characters";
        if (code - id == kCustomNameTooLong)
            return which + " makes a resource name (skin, \"_\" and its element name) longer than "
                           "32 characters";
    }
    return "";
}

} // namespace

std::string DescribeLayoutError(int code) {
    if (code == 0) return "";
    std::string text = DescribeMissing(code);
    if (text.empty()) text = DescribeTooLong(code);
    return text.empty() ? "unknown error code" : text;
}

std::vector<LayoutResource> LayoutResources(const SetupState &s) {
    std::vector<LayoutResource> list;
    auto add = [&](const char *name, const char *type, const char *fallback = nullptr,
                   bool optional = false) {
        list.push_back({name, type, fallback, optional});
    };
    // In the launcher's loading order; the icon comes first and may be absent.
    add(s.resource[RES_ICON], "IMG", nullptr, true);
    add(s.resource[RES_CURSOR], "IMG");
    add(s.resource[RES_BGGENERAL], "IMG");
    add(s.resource[RES_BGVIDEO], "IMG");
    add(s.resource[RES_BGAUDIO], "IMG");
    add(s.logoName, "SPR2", "SPR");
    add(s.resource[RES_FONT], "FONT2", "FONT");
    add(s.resource[RES_EXIT], "BUT");
    add(s.resource[RES_PLAY], "BUT");
    add(s.resource[RES_SAVE], "BUT");
    add(s.resource[RES_CLICK], "SND");
    add(s.resource[RES_MUSIC], "MUS");
    add(s.resource[RES_CHECK], "BUT");
    add(s.resource[RES_RADIO], "BUT");
    add(s.resource[RES_TABGENERAL], "BUT");
    add(s.resource[RES_BENCHMARK], "BUT");
    for (const CustomButton &c : s.custom)
        if (c.type != -1) add(c.resource, "BUT");
    add(s.resource[RES_TABVIDEO], "BUT");
    add(s.resource[RES_TABAUDIO], "BUT");
    add(s.resource[RES_SLIDER], "BUT");
    return list;
}
