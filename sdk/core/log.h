// ILogSystem: the SDK's single, process-wide log. Every interface and the
// launcher report through it. Messages are Windows-1252 text.
#ifndef QUENLAR_CORE_LOG_H
#define QUENLAR_CORE_LOG_H

#include <SDL.h>
#include <cstdarg>
#include <memory>

// Output-mode bits of ILogSystem.Init.
enum {
    LOG_NEWFILE = 2,  // the log file, created empty
    LOG_APPEND = 4,   // the log file, appended to (ignored together with LOG_NEWFILE)
    LOG_STDOUT = 8,   // standard output
    LOG_CONSOLE = 16, // the engine's console, when one exists
};

// Levels: 0 errors and lines that always appear, 2 warnings, 5 information.
enum { LOG_ERROR = 0, LOG_WARNING = 2, LOG_INFO = 5 };

#if defined(__GNUC__)
#define QUENLAR_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define QUENLAR_PRINTF(fmt, args)
#endif

class QLogSystem {
public:
    QLogSystem();
    ~QLogSystem();
    QLogSystem(const QLogSystem &) = delete;
    QLogSystem &operator=(const QLogSystem &) = delete;

    // Opens the outputs of `mode` (LOG_* bits), keeps messages up to `level`
    // (0..5) and, when a file is opened, writes the header box and the texts.
    // text, subtext and extra may be null.
    void Init(const char *file, Sint8 mode, Sint8 level, const char *title,
              const char *text = nullptr, const char *subtext = nullptr,
              const char *extra = nullptr);
    // Writes a printf-style message to every output, if `level` passes. Any
    // thread may call it, even while another one closes the log.
    void Msg(Sint8 level, const char *format, ...) QUENLAR_PRINTF(3, 4);
    void VMsg(Sint8 level, const char *format, va_list args);
    // Closes the file and turns every output off. Runs at process exit.
    void Close();

    // Prefixes every file message with "{seconds}" since the start time.
    void SetTimestamps(bool on);
    // The timestamps' origin in QuenlarTicks() ms; Quenlar.Init sets it.
    void SetStartTicks(Uint32 ticks);
    // Where LOG_CONSOLE messages go: Quenlar.Init installs its console
    // here; null (the default) drops them. It runs under the log's lock, so
    // it must not log itself.
    typedef void (*ConsoleOutput)(const char *format, va_list args);
    void SetConsoleOutput(ConsoleOutput output);
    // Name of the file in use ("" when none), e.g. "ILogSysError.txt".
    const char *GetFileName() const;
    bool IsOpen() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

extern QLogSystem ILogSystem;

#endif
