#include <quenlar/core/log.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/version_private.h>
#include <quenlar/platform/filesystem.h>

#include <cstdio>
#include <cstring>
#include <ctime>

QLogSystem ILogSystem;

namespace {
const char kFallbackName[] = "ILogSysError.txt";
const char kBorder[] = "+----------------------------------------------------------+\n";
// Credit lines of the header box: as wide as the banner line between its
// 0xA6 frames (nine spaces + version text + twelve spaces).
const char kCreditLine1[] = "      Quenlar SDK - a 2D game library on SDL 1.2         ";
const char kCreditLine2[] = "      Quenlar team - quenlar.example                     ";
} // namespace

struct QLogSystem::State {
    Uint8 open = 0;
    Uint8 level = 0;
    Uint8 mode = 0;
    FILE *file = nullptr;
    char name[256] = {0};
    bool timestamps = false;
    Uint32 startTicks = 0xFFFFFFFF; // timestamps count from here (ms)
    QLogSystem::ConsoleOutput console = nullptr;
    SDL_mutex *lock = nullptr;
};

QLogSystem::QLogSystem() : state_(new State) {
    state_->lock = SDL_CreateMutex();
}

QLogSystem::~QLogSystem() {
    Close();
}

void QLogSystem::Init(const char *file, Sint8 mode, Sint8 level, const char *title,
                      const char *text, const char *subtext, const char *extra) {
    State &s = *state_;
    // A second Init must not leak the first file.
    if (s.file) {
        fclose(s.file);
        s.file = nullptr;
    }
    if (!s.lock) s.lock = SDL_CreateMutex();

    s.level = level < 0 ? 0 : (level > 5 ? 5 : level);
    if (mode < 0) mode = 0;
    if (mode == 0) {
        s.mode = 0;
        s.open = 0;
    }
    if (mode & LOG_STDOUT) {
        s.name[0] = '\0';
        s.open = 1;
        s.mode = mode;
    }
    if (!(mode & (LOG_NEWFILE | LOG_APPEND))) return;

    const char *how = (mode & LOG_NEWFILE) ? "wt" : "at";
    snprintf(s.name, sizeof s.name, "%s", file ? file : "");
    s.file = s.name[0] ? fopen(qnl::platform::NativePath(s.name).c_str(), how) : nullptr;
    if (!s.file) {
        snprintf(s.name, sizeof s.name, "%s", kFallbackName);
        s.file = fopen(s.name, how);
        if (!s.file) return;
    }

    // The header goes to the file only.
    s.mode = LOG_NEWFILE;
    s.open = 1;

    time_t now = time(nullptr);
    const char *when = asctime(localtime(&now));
    Msg(0, "%s", kBorder);
    Msg(0, "\xA6         %s            \xA6\n", qnl::kVersionText);
    Msg(0, "\xA6%s\xA6\n", kCreditLine1);
    Msg(0, "\xA6%s\xA6\n", kCreditLine2);
    Msg(0, "%s", kBorder);
    Msg(0, "\n . %s\n", title ? title : "");
    if (text) {
        Msg(0, " . %s", text);
        if (subtext) Msg(0, " - %s", subtext);
        Msg(0, "\n");
    }
    if (extra) Msg(0, " . %s\n", extra);
    Msg(0, "\n . Executing at %s", when);
    if (strcmp(s.name, kFallbackName) == 0)
        Msg(0, " . Warning: it was not possible to create your log file.\n");

    s.mode = mode;
}

void QLogSystem::Msg(Sint8 level, const char *format, ...) {
    va_list args;
    va_start(args, format);
    VMsg(level, format, args);
    va_end(args);
}

void QLogSystem::VMsg(Sint8 level, const char *format, va_list args) {
    State &s = *state_;
    if (s.open != 1 || s.mode == 0 || level > s.level) return;

    SDL_mutexP(s.lock);
    // Each output formats from its own copy of the arguments.
    if (s.mode & LOG_STDOUT) {
        va_list copy;
        va_copy(copy, args);
        vfprintf(stdout, format, copy);
        va_end(copy);
    }
    if ((s.mode & (LOG_NEWFILE | LOG_APPEND)) && s.file) {
        if (s.timestamps)
            fprintf(s.file, "{%.3fs}", (Uint32)(QuenlarTicks() - s.startTicks) / 1000.0);
        va_list copy;
        va_copy(copy, args);
        vfprintf(s.file, format, copy);
        va_end(copy);
        fflush(s.file);
    }
    if ((s.mode & LOG_CONSOLE) && s.console) {
        va_list copy;
        va_copy(copy, args);
        s.console(format, copy);
        va_end(copy);
    }
    SDL_mutexV(s.lock);
}

void QLogSystem::Close() {
    State &s = *state_;
    if (s.file) fclose(s.file);
    s.file = nullptr;
    s.name[0] = '\0';
    s.open = 0;
    s.level = 0;
    s.mode = 0;
    s.timestamps = false;
    if (s.lock) SDL_DestroyMutex(s.lock);
    s.lock = nullptr;
}

void QLogSystem::SetStartTicks(Uint32 ticks) {
    state_->startTicks = ticks;
}

void QLogSystem::SetConsoleOutput(ConsoleOutput output) {
    state_->console = output;
}

void QLogSystem::SetTimestamps(bool on) {
    state_->timestamps = on;
}

const char *QLogSystem::GetFileName() const {
    return state_->name;
}

bool QLogSystem::IsOpen() const {
    return state_->open == 1;
}
