// The engine's hooks to its console: each does nothing while no console
// exists (the console is created by SetVideoMode).
#include <quenlar/core/engine_private.h>

#include <quenlar/tools/console.h>

void QuenlarEngine::ShowConsole(int) {}

int QuenlarEngine::ConsoleVisible() {
    return 0;
}

void QuenlarEngine::LogToConsole(const char *, va_list) {}
