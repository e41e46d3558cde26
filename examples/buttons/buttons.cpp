// buttons: every kind of IButton button on one screen; the reference for
// how a game makes, draws and answers its buttons.
//
// A game keeps its buttons in a package made by dpftool from pictures. This
// program makes its own at the first start: it draws the pictures into
// pictures/ and runs the dpftool commands a game's build script would run
// (printed on standard error), making buttons.dpf in the working directory.
// dpftool is looked for beside this program, then on PATH.
//
// Standard output, one line each:
//   layout NAME ID X Y W H    every button at start (its box on the screen)
//   pressed NAME ID           a button reported by IButton->Draw
//   value NAME ID V           a slider's value after it was reported
//   checked NAME ID 0|1       a check button's value after it was reported
//   text NAME 'TEXT'          the input box's text after it changed
// Escape (or closing the window) ends it. The log goes to buttons.log.
#include <quenlar/quenlar.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kPackage[] = "buttons.dpf";
const char kLabelFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// One button of the screen: how dpftool makes it and where it goes.
struct Widget {
    const char *name;
    const char *kind;  // dpftool's --kind
    const char *label; // shown above it
    int x, y, w, h;
    const char *options; // more dpftool options
    int id;
};
Widget g_widgets[] = {
    {"ok", "normal", "Normal (Return)", 40, 70, 120, 32, "--key return --select-colour 255,220,0",
     0},
    {"icon", "icon", "Icon", 200, 70, 32, 32, "", 0},
    {"fancy", "complex", "Complex (hover me)", 40, 140, 120, 32, "", 0},
    {"sound", "check", "Check", 200, 140, 24, 24, "", 0},
    {"volume", "slider", "Slider", 40, 210, 240, 20, "--range 10 --value 5", 0},
    {"level", "progress", "Progress bar (follows the slider)", 40, 270, 20, 16,
     "--range 10 --value 5", 0},
    {"name", "input", "Input box (hover, type)", 300, 70, 160, 28, "--margins 5,6", 0},
};

Widget *Find(int id) {
    for (Widget &w : g_widgets)
        if (w.id == id) return &w;
    return nullptr;
}

// ---- Pictures ---------------------------------------------------------------------
// A framed box: a border of `edge` around a `fill` face.
SDL_Surface *Box(int w, int h, Uint32 fill, Uint32 edge) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, edge);
    SDL_Rect face = {2, 2, (Uint16)(w - 4), (Uint16)(h - 4)};
    SDL_FillRect(s, &face, fill);
    return s;
}

bool Save(SDL_Surface *s, const std::string &file) {
    const bool saved = SDL_SaveBMP(s, file.c_str()) == 0;
    SDL_FreeSurface(s);
    return saved;
}

// The pictures of one widget: normal, pressed, off and (complex) select.
// A slider's pressed picture is its knob; a check's shows a tick.
bool DrawPictures(const Widget &w) {
    const std::string base = std::string("pictures/") + w.name;
    const std::string kind = w.kind;
    const int knob = 16;
    bool ok = Save(Box(w.w, w.h, 0x3060B0, 0x90B0E0), base + "_n.bmp") &&
              Save(Box(w.w, w.h, 0x505050, 0x707070), base + "_o.bmp");
    SDL_Surface *pressed =
        kind == "slider" ? Box(knob, w.h, 0xE0A020, 0xFFFFFF) : Box(w.w, w.h, 0x183060, 0xFFFFFF);
    if (kind == "check") {
        SDL_Rect tick = {6, 6, (Uint16)(w.w - 12), (Uint16)(w.h - 12)};
        SDL_FillRect(pressed, &tick, 0x40E040);
    }
    ok = Save(pressed, base + "_p.bmp") && ok;
    if (kind == "complex") ok = Save(Box(w.w, w.h, 0x40A0F0, 0xFFFFFF), base + "_s.bmp") && ok;
    return ok;
}

// ---- The package, made with dpftool ------------------------------------------------
std::string Dpftool() {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string beside(self, (size_t)n);
        beside = beside.substr(0, beside.rfind('/') + 1) + "dpftool";
        if (access(beside.c_str(), X_OK) == 0) return "'" + beside + "'";
    }
    return "dpftool";
}

bool RunCommand(const std::string &command) {
    std::fprintf(stderr, "%s\n", command.c_str());
    return std::system(command.c_str()) == 0;
}

bool MakePackage() {
    mkdir("pictures", 0755);
    const std::string tool = Dpftool();
    for (const Widget &w : g_widgets) {
        if (!DrawPictures(w)) return false;
        const std::string p = std::string("pictures/") + w.name;
        std::string command = tool + " add-button " + kPackage + " " + w.name + " --kind " +
                              w.kind + " --normal " + p + "_n.bmp --pressed " + p +
                              "_p.bmp --off " + p + "_o.bmp --x " + std::to_string(w.x) + " --y " +
                              std::to_string(w.y) + " " + w.options;
        if (std::string(w.kind) == "complex") command += " --select " + p + "_s.bmp";
        if (!RunCommand(command + " --replace")) return false;
    }
    if (access(kLabelFont, R_OK) == 0)
        RunCommand(tool + " add-font " + kPackage + " label --ttf " + kLabelFont +
                   " --size 13 --replace");
    return true;
}

// ---- The screen -----------------------------------------------------------------------
void DrawBackground(CFont &font) {
    SDL_FillRect(Quenlar.screen, nullptr, SDL_MapRGB(Quenlar.screen->format, 24, 28, 36));
    font.PutString(Quenlar.screen, 40, 16, "Every kind of button. Escape ends.");
    for (const Widget &w : g_widgets)
        font.PutString(Quenlar.screen, w.x, w.y - 18, w.label);
}

void Report(int id) {
    Widget *w = Find(id);
    if (!w) return;
    std::printf("pressed %s %d\n", w->name, id);
    const std::string kind = w->kind;
    if (kind == "slider") {
        const int value = IButton->GetValue(id);
        std::printf("value %s %d %d\n", w->name, id, value);
        for (const Widget &bar : g_widgets)
            if (std::string(bar.kind) == "progress") IButton->SetValue(bar.id, value);
    } else if (kind == "check") {
        std::printf("checked %s %d %d\n", w->name, id, IButton->GetState(id) == BS_PRESSED);
    }
}

} // namespace

int main() {
    setvbuf(stdout, nullptr, _IOLBF, 0); // a line as soon as it happens
    ILogSystem.Init("buttons.log", LOG_NEWFILE, 2, "Buttons example");
    if (access(kPackage, R_OK) != 0 && !MakePackage()) {
        std::fprintf(stderr, "buttons: could not make %s with dpftool\n", kPackage);
        return 1;
    }
    if (Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 1) return 1;
    Quenlar.title = "Quenlar buttons";
    Quenlar.resolutionx = 480;
    Quenlar.resolutiony = 320;
    if (Quenlar.SetVideoMode() != 1) {
        std::fprintf(stderr, "buttons: no window (see buttons.log)\n");
        Quenlar.Quit();
        return 1;
    }

    // The buttons, in layer 0; the font for the labels and the input box.
    CFont font;
    if (font.Load(kPackage, "label") != 1) std::fprintf(stderr, "buttons: no labels (no font)\n");
    for (Widget &w : g_widgets) {
        w.id = IButton->Load(kPackage, w.name, 0);
        if (w.id <= 0) {
            std::fprintf(stderr, "buttons: button '%s' did not load (see buttons.log)\n", w.name);
            Quenlar.Quit();
            return 1;
        }
        if (std::string(w.kind) == "input") IButton->SetFont(w.id, &font);
        // A progress bar's box: the width of all its cells.
        const int cells = std::string(w.kind) == "progress" ? 10 : 1;
        std::printf("layout %s %d %d %d %d %d\n", w.name, w.id, w.x, w.y, w.w * cells, w.h);
    }
    DrawBackground(font);

    // The launcher's rates: 60 frames and 20 logic steps a second.
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    Quenlar.mtfriendly = 1;
    std::string text;
    for (;;) {
        const int id = IButton->Draw(); // draws what changed, reports a click
        if (id != -1) Report(id);
        for (const Widget &w : g_widgets) {
            const char *now = std::string(w.kind) == "input" ? IButton->GetText(w.id) : nullptr;
            if (now && text != now) {
                text = now;
                std::printf("text %s '%s'\n", w.name, now);
            }
        }
        if (Quenlar.KeyDown(SDLK_ESCAPE) || Quenlar.QuitRequested()) break;
        while (Quenlar.Update() != 0) {
        }
    }
    IButton->Remove(); // before the font they use goes
    Quenlar.Quit();
    return 0;
}
