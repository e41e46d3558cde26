// cConsole: life, layout, input, drawing, printing and running commands.
// The "help" and "con" commands are in console_commands.cpp.
//
// Index
//   Life ............ construction, Validate, Relayout
//   Input ........... Animate, Key, the input line's capacity
//   Drawing
//   Text lines ...... Print, GetLines, ClearLines
//   Commands ........ AddCommand, RemoveCommand, Execute
#include <quenlar/tools/console.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/error_private.h>
#include <quenlar/core/mutex_private.h>
#include <quenlar/gfx/font.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>

namespace {
const char kDefaultTitle[] = " Console for Quenlar SDK initialized";
constexpr Uint32 kKeyRepeatMs = 120; // a held key repeats after this long
constexpr int kMargin = 5;           // pixels between the window's edge and its text

// Keys of the input line (Quenlar.ReadKey codes).
enum {
    kBackspace = 8,
    kEnter = 13,
    kPercent = 37,   // not accepted: entered lines stay free of printf directives
    kBackQuote = 96, // shows and hides the console
    kDelete = 127,
    kUp = 273,
    kDown = 274,
    kRight = 275,
    kLeft = 276,
    kHome = 278,
    kEnd = 279,
};

void RequestRefresh() {
    qnl::Engine().refresh(1);
}

ConsoleWords SplitWords(const char *line) {
    ConsoleWords words;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(line);
    while (*p) {
        while (*p && std::isspace(*p))
            ++p;
        const unsigned char *start = p;
        while (*p && !std::isspace(*p))
            ++p;
        if (p > start) words.emplace_back(reinterpret_cast<const char *>(start), p - start);
    }
    return words;
}
} // namespace

struct cConsole::Text {
    qnl::Mutex lock;
    std::vector<std::string> lines GUARDED_BY(lock);
};

// ---------------------------------------------------------------------------
// Life
// ---------------------------------------------------------------------------
cConsole::cConsole(const char *title) : text_(new Text), mainThread_(SDL_ThreadID()) {
    title_ = title ? title : kDefaultTitle;
    AddCommand("help", "List all registered commands",
               [this](const ConsoleWords &words) { return Help(words); });
    AddCommand("con", "Console control commands",
               [this](const ConsoleWords &words) { return Con(words); });
    if (SDL_Surface *screen = qnl::Engine().screen()) {
        width_ = (Uint16)screen->w;
        height_ = (Uint16)(screen->h / 3);
        enabled_ = true; // SetColorRGB works only on an enabled window
        SetColorRGB(0, 0, 192);
        enabled_ = false;
    }
    Relayout();
}

cConsole::~cConsole() = default;

int cConsole::Validate() {
    const bool wasEnabled = enabled_;
    if (!cSimpleWin::Validate()) return 0;
    if (!wasEnabled) {
        PrintLine(title_);
        PrintLine("");
    }
    return 1;
}

void cConsole::Relayout() {
    const int wM = font_ ? font_->GetWidth("M") : 0;
    if (wM <= 0 || width_ == 0) return;
    const int h = font_->GetHeight();
    textX_ = x_ + kMargin;
    inputY_ = y_ + height_ - h - kMargin;
    const int capacity = (width_ - 2 * wM - 2 * kMargin) / wM;
    if (Reserve(capacity)) emptyCapacity_ = capacity;
    ResetInput();
}

// ---------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------
bool cConsole::Animate() {
    if (printedElsewhere_.exchange(false)) RequestRefresh();
    if (!cSimpleWin::Animate()) return false;
    if (features_ & kNoInput) return true;
    const bool caret = QuenlarTicks() % 1000 <= 500;
    if (caret != caretShown_) {
        caretShown_ = caret;
        RequestRefresh();
    }
    Key(qnl::Engine().readKey(kKeyRepeatMs));
    return true;
}

void cConsole::Key(int key) {
    const int length = (int)line_.size();
    switch (key) {
    case 0:
    case kPercent:
    case kBackQuote:
        return;
    case kBackspace:
        if (length <= 1 || cursor_ <= 1) return;
        line_.erase((size_t)cursor_ - 1, 1);
        --cursor_;
        --capacity_;
        break;
    case kDelete:
        if (length <= 1 || cursor_ >= length) return;
        line_.erase((size_t)cursor_, 1);
        --capacity_;
        break;
    case kEnter: {
        if (length <= 1) return;
        const std::string entered = line_.substr(1);
        Print("%s", entered.c_str());
        history_.push_back(entered);
        historyPos_ = 0;
        Execute(entered.c_str());
        ResetInput();
        break;
    }
    case kUp:
        if (historyPos_ >= (int)history_.size()) return;
        ResetInput();
        ++historyPos_;
        ShowHistoryEntry();
        break;
    case kDown:
        if (historyPos_ <= 0) return;
        ResetInput();
        if (--historyPos_ > 0) ShowHistoryEntry();
        break;
    case kEnd:
        cursor_ = length;
        break;
    case kRight:
        if (cursor_ >= length) return;
        ++cursor_;
        break;
    case kLeft:
        if (length <= 1 || cursor_ <= 1) return;
        --cursor_;
        break;
    case kHome:
        cursor_ = 1;
        break;
    default:
        InsertKey(key);
        return;
    }
    RequestRefresh(); // the line or the cursor changed
}

// A new line starts from the layout's capacity: what an earlier line's
// deletions took off it or its narrow characters added does not carry over.
void cConsole::ResetInput() {
    line_.assign(1, '>');
    cursor_ = 1;
    capacity_ = emptyCapacity_;
}

// The history entry historyPos_ counts back from the newest, cut to what
// the input line holds, with the cursor after it.
void cConsole::ShowHistoryEntry() {
    const std::string &entry = history_[history_.size() - (size_t)historyPos_];
    line_.append(entry, 0, (size_t)std::max(capacity_ - 1, 0));
    cursor_ = (int)line_.size();
}

// A character typed. A full line first grows by the room the window still
// has for it (measured in widths of "M"); the character goes in when the
// line then has room for it.
void cConsole::InsertKey(int key) {
    if ((int)line_.size() >= capacity_) {
        const int wM = font_ ? font_->GetWidth("M") : 0;
        const int room =
            width_ - (font_ ? font_->GetWidth(line_.c_str()) : 0) - 2 * wM - 2 * kMargin;
        if (wM <= 0 || wM >= room || !Reserve(capacity_ + room / wM)) return;
        if ((int)line_.size() >= capacity_) return;
    }
    const char *text = qnl::Engine().keyText(key);
    if (!text || !*text) return; // a key without text
    line_.insert((size_t)cursor_, 1, text[0]);
    ++cursor_;
    RequestRefresh();
}

// Sizes the input line for `capacity` characters; on failure (logged) the
// line keeps its buffer and capacity.
bool cConsole::Reserve(int capacity) {
    try {
        line_.reserve((size_t)std::max(capacity, 1) + 1);
    } catch (const std::exception &) {
        ILogSystem.Msg(LOG_ERROR, " . [Console] Error: memory reallocation failed!\n");
        qnl::SetError(qnl::ErrorCode::kNoMemory, "memory reallocation failed!");
        return false;
    }
    capacity_ = capacity;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------
void cConsole::Draw() {
    if (!DrawBackground() || !font_) return;
    const int h = font_->GetHeight();
    if (h <= 0) return;
    SDL_Surface *screen = qnl::Engine().screen();
    SDL_Rect clip = GetRect();

    // The newest lines, from the bottom up, as many as the window holds.
    const size_t rows = (size_t)std::max(height_ / h - 1, 0);
    std::vector<std::string> shown;
    {
        qnl::MutexLock lock(text_->lock);
        const size_t count = std::min(rows, text_->lines.size());
        shown.assign(text_->lines.end() - (std::ptrdiff_t)count, text_->lines.end());
    }
    // Drawn without the lock: a font that logs must not wait for the log's
    // lock while the log waits for this one.
    for (size_t i = 1; i <= shown.size(); ++i)
        font_->PutString(screen, textX_, inputY_ - (int)i * h - kMargin,
                         shown[shown.size() - i].c_str(), &clip);

    if (!(features_ & kNoInput))
        font_->PutStringCursor(screen, textX_, inputY_, line_.c_str(), cursor_, &clip, caretShown_);
}

// ---------------------------------------------------------------------------
// Text lines
// ---------------------------------------------------------------------------
void cConsole::Print(const char *format, ...) {
    va_list args;
    va_start(args, format);
    VPrint(format, args);
    va_end(args);
}

void cConsole::VPrint(const char *format, va_list args) {
    if (!enabled_ || !format) return;
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (size < 0) return;
    std::vector<char> text((size_t)size + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    PrintLine(std::string(text.data(), (size_t)size));
}

// Appends `text`, one line per '\n'-separated part (a final '\n' starts
// no empty line).
void cConsole::PrintLine(const std::string &text) {
    if (!enabled_) return;
    {
        qnl::MutexLock lock(text_->lock);
        size_t start = 0;
        for (;;) {
            const size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                if (start < text.size() || start == 0) text_->lines.push_back(text.substr(start));
                break;
            }
            text_->lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    if (SDL_ThreadID() == mainThread_)
        RequestRefresh();
    else
        printedElsewhere_ = true;
}

std::vector<std::string> cConsole::GetLines() const {
    qnl::MutexLock lock(text_->lock);
    return text_->lines;
}

void cConsole::ClearLines() {
    qnl::MutexLock lock(text_->lock);
    text_->lines.clear();
}

void cConsole::ClearHistory() {
    history_.clear();
    historyPos_ = 0;
}

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------
int cConsole::AddCommand(const char *name, const char *description, ConsoleHandler handler) {
    if (!name || !description || !handler) return 0;
    for (const Command &c : commands_)
        if (std::strcmp(c.name, name) == 0) return 0;
    commands_.push_back(Command{name, description, std::move(handler)});
    return 1;
}

int cConsole::RemoveCommand(const char *name) {
    if (!name) return 0;
    for (auto c = commands_.begin(); c != commands_.end(); ++c)
        if (std::strcmp(c->name, name) == 0) {
            commands_.erase(c);
            return 1;
        }
    return 0;
}

void cConsole::Execute(const char *line) {
    const ConsoleWords words = SplitWords(line ? line : "");
    ConsoleHandler handler; // a copy: the command may change the registry
    for (const Command &c : commands_)
        if (!words.empty() && words[0] == c.name) {
            handler = c.handler;
            break;
        }
    if (!handler || !handler(words)) PrintLine(" Syntax error or command not found");
    PrintLine("");
}
