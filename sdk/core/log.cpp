// ILogSystem: the header box, the level and mode filters, and the outputs.
#include <quenlar/core/log.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/mutex_private.h>
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

// Every field is guarded by `lock`, which also makes each message's writes
// to all outputs one unit. The lock lives as long as the object: Close
// takes it like any message and leaves it in place, so a message racing
// with Close finds the log either open or closed, never half torn down.
struct QLogSystem::State {
    qnl::Mutex lock;
    Uint8 open GUARDED_BY(lock) = 0;
    Uint8 level GUARDED_BY(lock) = 0;
    Uint8 mode GUARDED_BY(lock) = 0;
    FILE *file GUARDED_BY(lock) = nullptr;
    char name[256] GUARDED_BY(lock) = {0};
    bool timestamps GUARDED_BY(lock) = false;
    Uint32 startTicks GUARDED_BY(lock) = 0xFFFFFFFF; // timestamps count from here (ms)
    QLogSystem::ConsoleOutput console GUARDED_BY(lock) = nullptr;

    // Writes one message to every output of `mode`, whatever its level.
    void Write(const char *format, va_list args) REQUIRES(lock);
    void Line(const char *format, ...) REQUIRES(lock) QUENLAR_PRINTF(2, 3);
};

void QLogSystem::State::Write(const char *format, va_list args) {
    // Each output formats from its own copy of the arguments.
    if (mode & LOG_STDOUT) {
        va_list copy;
        va_copy(copy, args);
        vfprintf(stdout, format, copy);
        va_end(copy);
    }
    if ((mode & (LOG_NEWFILE | LOG_APPEND)) && file) {
        if (timestamps) fprintf(file, "{%.3fs}", (Uint32)(QuenlarTicks() - startTicks) / 1000.0);
        va_list copy;
        va_copy(copy, args);
        vfprintf(file, format, copy);
        va_end(copy);
        fflush(file);
    }
    if ((mode & LOG_CONSOLE) && console) {
        va_list copy;
        va_copy(copy, args);
        console(format, copy);
        va_end(copy);
    }
}

void QLogSystem::State::Line(const char *format, ...) {
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

QLogSystem::QLogSystem() : state_(new State) {}

QLogSystem::~QLogSystem() {
    Close();
}

void QLogSystem::Init(const char *file, Sint8 mode, Sint8 level, const char *title,
                      const char *text, const char *subtext, const char *extra) {
    State &s = *state_;
    qnl::MutexLock lock(s.lock);
    // A second Init must not leak the first file.
    if (s.file) {
        fclose(s.file);
        s.file = nullptr;
    }

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

    // The header goes to the file only. Messages pass at level 0 whatever
    // the maximum, so the header is written as they would be.
    s.mode = LOG_NEWFILE;
    s.open = 1;

    time_t now = time(nullptr);
    const char *when = asctime(localtime(&now));
    s.Line("%s", kBorder);
    s.Line("\xA6         %s            \xA6\n", qnl::kVersionText);
    s.Line("\xA6%s\xA6\n", kCreditLine1);
    s.Line("\xA6%s\xA6\n", kCreditLine2);
    s.Line("%s", kBorder);
    s.Line("\n . %s\n", title ? title : "");
    if (text) {
        s.Line(" . %s", text);
        if (subtext) s.Line(" - %s", subtext);
        s.Line("\n");
    }
    if (extra) s.Line(" . %s\n", extra);
    s.Line("\n . Executing at %s", when);
    if (strcmp(s.name, kFallbackName) == 0)
        s.Line(" . Warning: it was not possible to create your log file.\n");

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
    qnl::MutexLock lock(s.lock);
    if (s.open != 1 || s.mode == 0 || level > s.level) return;
    s.Write(format, args);
}

void QLogSystem::Close() {
    State &s = *state_;
    qnl::MutexLock lock(s.lock);
    if (s.file) fclose(s.file);
    s.file = nullptr;
    s.name[0] = '\0';
    s.open = 0;
    s.level = 0;
    s.mode = 0;
    s.timestamps = false;
}

void QLogSystem::SetStartTicks(Uint32 ticks) {
    qnl::MutexLock lock(state_->lock);
    state_->startTicks = ticks;
}

void QLogSystem::SetConsoleOutput(ConsoleOutput output) {
    qnl::MutexLock lock(state_->lock);
    state_->console = output;
}

void QLogSystem::SetTimestamps(bool on) {
    qnl::MutexLock lock(state_->lock);
    state_->timestamps = on;
}

const char *QLogSystem::GetFileName() const {
    qnl::MutexLock lock(state_->lock);
    return state_->name;
}

bool QLogSystem::IsOpen() const {
    qnl::MutexLock lock(state_->lock);
    return state_->open == 1;
}
