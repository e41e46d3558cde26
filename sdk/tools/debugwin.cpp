// cDebugWO
//
// Index
//   Life ........... construction, the console attachment
//   Watches ........ AddWatch, RemoveWatch, their text, Animate
//   Drawing ........ Relayout, FlowLines, Draw
//   The "debug" command
#include <quenlar/tools/debugwin.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/log.h>
#include <quenlar/gfx/font.h>
#include <quenlar/tools/windowcommand_private.h>

#include <cstdio>

namespace {
const char kDefaultTitle[] = "Quenlar Debug Window";
const char kCommand[] = "debug";
const char kCommandDescription[] = "Debug window control commands";
constexpr Uint32 kPrintEveryMs = 500;
constexpr int kMargin = 5; // pixels between the window's edge and its text
constexpr int kGap = 10;   // pixels between two watch lines in a row

const char *const kDebugUsage[] = {
    " usage: debug <parameter> [value]",
    "  <alpha> [64 to 255] - Adjust the alpha value of the console",
    "  <color> R G B - Set the debug window background color",
    "  <enable> [0]|[1] - Enable or disable the debug window",
    "  <hide> - Hide the debug window",
    "  <list> - List all watches and its values",
    "  <move> x y - Move the debug window to (x,y). Negative value to preserve current value",
    "  <remove> watch - Remove a watch",
    "  <resize> w h - Resize the debug window to (w,h). Negative value to preserve current value",
    "  <show> - Show the debug window",
};
} // namespace

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------
cDebugWO::cDebugWO(cConsole *console, const char *title) {
    title_ = title ? title : kDefaultTitle;
    if (SDL_Surface *screen = qnl::Engine().screen()) {
        x_ = (Sint16)(screen->w / 3);
        y_ = (Sint16)(screen->h / 2);
        width_ = (Uint16)(screen->w / 3);
        height_ = (Uint16)(screen->h / 3);
        enabled_ = true; // SetColorRGB works only on an enabled window
        SetColorRGB(0, 192, 0);
        enabled_ = false;
        Relayout();
    }
    if (console)
        AttachConsole(console);
    else
        ILogSystem.Msg(LOG_WARNING, " . [DebugWO] Warning: console hook not available.\n");
}

cDebugWO::~cDebugWO() {
    AttachConsole(nullptr);
}

void cDebugWO::AttachConsole(cConsole *console) {
    if (cConsole *previous = GetConsole()) {
        if (registered_) previous->RemoveCommand(kCommand);
    }
    console_ = console;
    consoleAlive_ = console ? console->Lifetime() : std::weak_ptr<const bool>();
    registered_ = console &&
                  console->AddCommand(kCommand, kCommandDescription,
                                      [this](const ConsoleWords &words) { return Command(words); });
}

// ---------------------------------------------------------------------------
// Watches
// ---------------------------------------------------------------------------
int cDebugWO::AddWatch(const char *name, Sint32 *integer, double *real) {
    if (!name || (!integer && !real)) return 0;
    watches_.push_back(Watch{name, integer, real});
    return 1;
}

int cDebugWO::RemoveWatch(const char *name) {
    if (!name) return 0;
    for (auto w = watches_.begin(); w != watches_.end(); ++w)
        if (w->name == name) {
            watches_.erase(w);
            return 1;
        }
    return 0;
}

// At most 127 characters: longer names are cut.
std::string cDebugWO::WatchText(const Watch &watch) {
    char text[128];
    const char *name = watch.name.c_str();
    if (watch.integer && watch.real)
        std::snprintf(text, sizeof text, "%s %d %.4f", name, (int)*watch.integer, *watch.real);
    else if (watch.integer)
        std::snprintf(text, sizeof text, "%s %d", name, (int)*watch.integer);
    else
        std::snprintf(text, sizeof text, "%s %.4f", name, *watch.real);
    return text;
}

bool cDebugWO::Animate() {
    if (!cSimpleWin::Animate()) return false;
    const Uint32 now = QuenlarTicks();
    if (timerStarted_ && now - timerStart_ < kPrintEveryMs) return true;
    timerStarted_ = true;
    timerStart_ = now;
    qnl::Engine().refresh(1);
    lines_.clear();
    for (const Watch &watch : watches_)
        lines_.push_back(WatchText(watch));
    return true;
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
void cDebugWO::Relayout() {
    if (!font_ || font_->GetWidth("M") <= 0 || width_ == 0) return;
    textX_ = x_ + kMargin;
    textY_ = y_ + font_->GetHeight() + kMargin;
}

std::vector<cDebugWO::Placement> cDebugWO::FlowLines() const {
    std::vector<Placement> placed;
    const int h = font_ ? font_->GetHeight() : 0;
    if (h <= 0) return placed;
    int column = kMargin, row = kMargin;
    for (size_t i = 0; i < lines_.size() && h + row < height_; ++i) {
        const int w = font_->GetWidth(lines_[i].c_str());
        if (column + w < width_) {
            placed.push_back(Placement{i, textX_ + column, textY_ + row});
            column += w + kGap;
            continue;
        }
        row += h;
        if (h + row >= height_) break; // the new row would pass the bottom
        placed.push_back(Placement{i, textX_ + kMargin, textY_ + row});
        column = w + kMargin + kGap;
    }
    return placed;
}

void cDebugWO::Draw() {
    if (!DrawBackground() || !font_) return;
    SDL_Surface *screen = qnl::Engine().screen();
    SDL_Rect clip = GetRect();
    font_->PutString(screen, x_ + (width_ - font_->GetWidth(title_.c_str())) / 2, y_ + kMargin,
                     title_.c_str(), &clip);
    for (const Placement &p : FlowLines())
        font_->PutString(screen, p.x, p.y, lines_[p.line].c_str(), &clip);
}

// ---------------------------------------------------------------------------
// The "debug" command, answered in the console
// ---------------------------------------------------------------------------
int cDebugWO::Command(const ConsoleWords &words) {
    if (!GetConsole()) return 0;
    cConsole &console = *console_;
    if (words.size() < 2) {
        for (const char *line : kDebugUsage)
            console.Print("%s", line);
        return 1;
    }
    if (qnl::WindowCommand(*this, console, words, "debug")) return 1;

    const std::string &what = words[1];
    if (what == "enable") {
        if (words.size() < 3) {
            console.Print(" Debug window is %s", IsEnabled() ? "enabled" : "disabled");
            return 1;
        }
        if (qnl::WordNumber(words, 2) > 0)
            Validate();
        else
            Disable();
        console.Print(" Debug window %s", IsEnabled() ? "enabled" : "disabled");
    } else if (what == "hide" || what == "show") {
        Show(what == "show" ? 1 : 0);
    } else if (what == "list") {
        for (const Watch &watch : watches_)
            console.Print(" %s", WatchText(watch).c_str());
    } else if (what == "remove") {
        if (words.size() < 3) return 0;
        const char *name = words[2].c_str();
        if (RemoveWatch(name))
            console.Print(" Watch '%s' removed", name);
        else
            console.Print(" Watch '%s' not found", name);
    } else {
        return 0;
    }
    return 1;
}
