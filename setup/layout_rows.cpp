// The rows of layout.xml, in the order the launcher reads them. The first
// missing piece stops the reading, so the order decides which code a
// document missing several pieces gets.
#include "setup/layout_rows.h"

namespace {

// A row's field: `member` of the state the row is read into.
#define QNL_FIELD(member) [](SetupState &s) { return LayoutField(s.member); }

using Field = LayoutField (*)(SetupState &);

LayoutRow Row(int code, const char *element, const char *attribute, LayoutStore store) {
    return {code, element, attribute, store, nullptr, "", -1, -1, 0, 0, LayoutLoad()};
}

// ---- Pieces ------------------------------------------------------------------
LayoutRow Element(int code, const char *element) {
    return Row(code, element, nullptr, LayoutStore::Element);
}
LayoutRow Text(int code, const char *element, const char *attribute, Field field,
               const char *suffix, int limit, int tooLongCode, LayoutLoad load = LayoutLoad()) {
    LayoutRow row = Row(code, element, attribute, LayoutStore::Text);
    row.field = field;
    row.suffix = suffix;
    row.limit = limit;
    row.tooLongCode = tooLongCode;
    row.load = load;
    return row;
}
LayoutRow Number(int code, const char *element, const char *attribute, Field field) {
    LayoutRow row = Row(code, element, attribute, LayoutStore::Number);
    row.field = field;
    return row;
}
LayoutRow State(int code, const char *element, Field field) {
    LayoutRow row = Row(code, element, "state", LayoutStore::State);
    row.field = field;
    return row;
}
LayoutRow MainButton(int code, const char *element, Field field, SetupResource skin) {
    LayoutRow row = Row(code, element, nullptr, LayoutStore::MainButton);
    row.field = field;
    row.load = {LoadKind::Button, skin, kLoadMainButtons, 0};
    return row;
}
// A tab's element: its button is slot 0 of the tab, loaded first in the
// tab's phase.
LayoutRow Tab(int code, const char *element, int tab, SetupResource skin) {
    LayoutRow row = Element(code, element);
    row.tab = tab;
    row.slot = kSlotTabButton;
    row.load = {LoadKind::Button, skin, kLoadTabs + tab, 0};
    return row;
}
// A widget of a tab; `load` (from the helpers below) is the button it gets,
// at `position` among the tab's widgets.
LayoutRow Widget(int code, const char *element, int tab, int slot, LayoutLoad load = LayoutLoad()) {
    LayoutRow row = Row(code, element, nullptr, LayoutStore::Widget);
    row.tab = tab;
    row.slot = slot;
    row.load = load;
    row.load.phase = kLoadTabs + tab;
    return row;
}
LayoutRow Position(int code, const char *element, int tab, int slot) {
    LayoutRow row = Widget(code, element, tab, slot);
    row.store = LayoutStore::Position;
    return row;
}
LayoutRow CustomButtons(const char *element, int position) {
    LayoutRow row = Row(0, element, nullptr, LayoutStore::CustomButtons);
    row.load = {LoadKind::Button, RES_COUNT, kLoadTabs + TAB_GENERAL, position};
    return row;
}
// A resource the skin alone names, with no element of its own.
LayoutRow Named(SetupResource skin, LoadKind kind, int phase, int tab = -1) {
    LayoutRow row = Row(0, "layout", "skin", LayoutStore::Named);
    row.tab = tab;
    row.load = {kind, skin, phase, 0};
    return row;
}

// ---- What a widget's button is -----------------------------------------------
LayoutLoad Button(SetupResource skin, int position) {
    return {LoadKind::Button, skin, 0, position};
}
LayoutLoad Check(int position) {
    return {LoadKind::Clone, RES_CHECK, 0, position};
}
LayoutLoad Radio(int position) {
    return {LoadKind::Clone, RES_RADIO, 0, position};
}

const LayoutRow kRows[] = {
    // The root's attributes.
    Element(10, "layout"),
    Text(11, "layout", "appname", QNL_FIELD(title), " - Setup", 37, 111),
    Text(12, "layout", "target_win", QNL_FIELD(target), "", 65, 112),
    Text(13, "layout", "setupdpf", QNL_FIELD(configPackage), "", 255, 113),
    Text(14, "layout", "setupxml", QNL_FIELD(configBlock), "", 255, 114),
    Text(15, "layout", "skin", QNL_FIELD(skin), "", 20, 115),

    // The logo, and Exit, Play and Save (always Normal).
    Element(15, "layout/main/logotype"),
    Text(16, "layout/main/logotype", "name", QNL_FIELD(logoName), "_win", 27, 116,
         {LoadKind::Logo, RES_COUNT, kLoadLogo, 0}),
    Number(17, "layout/main/logotype", "x", QNL_FIELD(logoX)),
    Number(18, "layout/main/logotype", "y", QNL_FIELD(logoY)),
    MainButton(19, "layout/main/butexit", QNL_FIELD(exitButton), RES_EXIT),
    Number(20, "layout/main/butexit", "x", QNL_FIELD(exitButton.x)),
    Number(21, "layout/main/butexit", "y", QNL_FIELD(exitButton.y)),
    MainButton(22, "layout/main/butplay", QNL_FIELD(playButton), RES_PLAY),
    Number(23, "layout/main/butplay", "x", QNL_FIELD(playButton.x)),
    Number(24, "layout/main/butplay", "y", QNL_FIELD(playButton.y)),
    MainButton(25, "layout/main/butsave", QNL_FIELD(saveButton), RES_SAVE),
    Number(26, "layout/main/butsave", "x", QNL_FIELD(saveButton.x)),
    Number(27, "layout/main/butsave", "y", QNL_FIELD(saveButton.y)),

    // The tab buttons.
    Tab(28, "layout/general", TAB_GENERAL, RES_TABGENERAL),
    State(29, "layout/general", QNL_FIELD(widget[TAB_GENERAL][0].state)),
    Number(30, "layout/general", "x", QNL_FIELD(widget[TAB_GENERAL][0].x)),
    Number(31, "layout/general", "y", QNL_FIELD(widget[TAB_GENERAL][0].y)),
    Tab(32, "layout/video", TAB_VIDEO, RES_TABVIDEO),
    State(33, "layout/video", QNL_FIELD(widget[TAB_VIDEO][0].state)),
    Number(34, "layout/video", "x", QNL_FIELD(widget[TAB_VIDEO][0].x)),
    Number(35, "layout/video", "y", QNL_FIELD(widget[TAB_VIDEO][0].y)),
    Tab(36, "layout/audio", TAB_AUDIO, RES_TABAUDIO),
    State(37, "layout/audio", QNL_FIELD(widget[TAB_AUDIO][0].state)),
    Number(38, "layout/audio", "x", QNL_FIELD(widget[TAB_AUDIO][0].x)),
    Number(39, "layout/audio", "y", QNL_FIELD(widget[TAB_AUDIO][0].y)),

    // The main part is read: the skin names every resource from here on.
    Row(0, "layout", "skin", LayoutStore::ResourceNames),
    Named(RES_ICON, LoadKind::Icon, kLoadIcon),
    Named(RES_CURSOR, LoadKind::Cursor, kLoadCursor),
    Named(RES_BGGENERAL, LoadKind::Background, kLoadBackgrounds, TAB_GENERAL),
    Named(RES_BGVIDEO, LoadKind::Background, kLoadBackgrounds, TAB_VIDEO),
    Named(RES_BGAUDIO, LoadKind::Background, kLoadBackgrounds, TAB_AUDIO),
    Named(RES_FONT, LoadKind::Font, kLoadFont),
    Named(RES_CLICK, LoadKind::Sound, kLoadSounds),
    Named(RES_MUSIC, LoadKind::Music, kLoadSounds),
    Named(RES_CHECK, LoadKind::Master, kLoadMasters),
    Named(RES_RADIO, LoadKind::Master, kLoadMasters),

    // The general tab; its link buttons are read between it and the video tab.
    Widget(1001, "layout/general/benchmark", TAB_GENERAL, kSlotBenchmark, Button(RES_BENCHMARK, 2)),
    Widget(1002, "layout/general/mtfriendly", TAB_GENERAL, kSlotMtfriendly, Check(1)),
    Position(1003, "layout/general/cpuid", TAB_GENERAL, kSlotProcessorText),
    Position(1004, "layout/general/memoryinfo", TAB_GENERAL, kSlotMemoryText),
    Position(1005, "layout/general/pindex", TAB_GENERAL, kSlotPointsText),
    CustomButtons("layout/general/custombuttons", 3),

    // The video tab. X11, FBCon and Quartz are placed but get no button.
    Widget(2001, "layout/video/vidrenderer_opengl", TAB_VIDEO, kSlotOpenGL, Radio(1)),
    Widget(2002, "layout/video/vidrenderer_windib", TAB_VIDEO, kSlotWindib, Radio(2)),
    Widget(2003, "layout/video/vidrenderer_ddraw", TAB_VIDEO, kSlotDirectX, Radio(3)),
    Widget(2004, "layout/video/vidrenderer_x11", TAB_VIDEO, kSlotX11),
    Widget(2005, "layout/video/vidrenderer_fbcon", TAB_VIDEO, kSlotFBCon),
    Widget(2006, "layout/video/vidrenderer_quartz", TAB_VIDEO, kSlotQuartz),
    Widget(2010, "layout/video/vidresolution1", TAB_VIDEO, kSlotResolution1, Radio(4)),
    Text(2011, "layout/video/vidresolution1", "width", QNL_FIELD(resWidth[0]), "", 4, 2111),
    Text(2012, "layout/video/vidresolution1", "height", QNL_FIELD(resHeight[0]), "", 4, 2112),
    Widget(2013, "layout/video/vidresolution2", TAB_VIDEO, kSlotResolution1 + 1, Radio(5)),
    Text(2014, "layout/video/vidresolution2", "width", QNL_FIELD(resWidth[1]), "", 4, 2114),
    Text(2015, "layout/video/vidresolution2", "height", QNL_FIELD(resHeight[1]), "", 4, 2115),
    Widget(2016, "layout/video/vidresolution3", TAB_VIDEO, kSlotResolution1 + 2, Radio(6)),
    Text(2017, "layout/video/vidresolution3", "width", QNL_FIELD(resWidth[2]), "", 4, 2117),
    Text(2018, "layout/video/vidresolution3", "height", QNL_FIELD(resHeight[2]), "", 4, 2118),
    Widget(2019, "layout/video/vidresolution4", TAB_VIDEO, kSlotResolution1 + 3, Radio(7)),
    Text(2020, "layout/video/vidresolution4", "width", QNL_FIELD(resWidth[3]), "", 4, 2120),
    Text(2021, "layout/video/vidresolution4", "height", QNL_FIELD(resHeight[3]), "", 4, 2121),
    Widget(2030, "layout/video/vidcolordepth8", TAB_VIDEO, kSlotDepth8, Radio(8)),
    Widget(2031, "layout/video/vidcolordepth16", TAB_VIDEO, kSlotDepth16, Radio(9)),
    Widget(2032, "layout/video/vidcolordepth32", TAB_VIDEO, kSlotDepth32, Radio(10)),
    // The launcher clones the window modes before the accelerations.
    Widget(2040, "layout/video/vidaccelsoftware", TAB_VIDEO, kSlotSoftware, Radio(14)),
    Widget(2041, "layout/video/vidaccelhardsmooth", TAB_VIDEO, kSlotHardSmooth, Radio(15)),
    Widget(2042, "layout/video/vidaccelhardspeed", TAB_VIDEO, kSlotHardSpeed, Radio(16)),
    Widget(2050, "layout/video/vidmodewindow", TAB_VIDEO, kSlotWindow, Radio(11)),
    Widget(2051, "layout/video/vidmodefullscreen", TAB_VIDEO, kSlotFullScreen, Radio(12)),
    Widget(2052, "layout/video/vidmodewindownoframe", TAB_VIDEO, kSlotNoFrame, Radio(13)),

    // The audio tab; the frequencies' slots run from 44 kHz down.
    Widget(3001, "layout/audio/butaudioenabled", TAB_AUDIO, kSlotAudioEnable, Check(1)),
    Widget(3010, "layout/audio/butformat8", TAB_AUDIO, kSlotFormat8, Radio(2)),
    Widget(3011, "layout/audio/butformat16", TAB_AUDIO, kSlotFormat16, Radio(3)),
    Widget(3020, "layout/audio/butfreq11", TAB_AUDIO, kSlotFreq11, Radio(6)),
    Widget(3021, "layout/audio/butfreq22", TAB_AUDIO, kSlotFreq22, Radio(5)),
    Widget(3022, "layout/audio/butfreq44", TAB_AUDIO, kSlotFreq44, Radio(4)),
    Widget(3030, "layout/audio/butmono", TAB_AUDIO, kSlotMono, Radio(7)),
    Widget(3031, "layout/audio/butstereo", TAB_AUDIO, kSlotStereo, Radio(8)),
    Widget(3032, "layout/audio/butmulti", TAB_AUDIO, kSlotMulti, Radio(9)),
    Widget(3040, "layout/audio/butmusicvol", TAB_AUDIO, kSlotMusicVolume, Button(RES_SLIDER, 10)),
    Widget(3041, "layout/audio/butsoundvol", TAB_AUDIO, kSlotSoundVolume, Button(RES_SLIDER, 11)),
};

#undef QNL_FIELD

} // namespace

const LayoutRow *LayoutRowsBegin() {
    return kRows;
}
const LayoutRow *LayoutRowsEnd() {
    return kRows + sizeof kRows / sizeof kRows[0];
}
