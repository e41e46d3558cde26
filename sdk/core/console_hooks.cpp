// The engine's hooks to its console. The SDK creates no console, so each
// does nothing and the log's console output is dropped.
#include <quenlar/core/engine.h>

void QuenlarEngine::ShowConsole(int) {}

int QuenlarEngine::ConsoleVisible() {
    return 0;
}

void QuenlarEngine::LogToConsole(const char *, va_list) {}
