// The engine started on a 640x480 screen with its console and debug window,
// the clock under the test's control, and helpers to talk to the console.
#ifndef QUENLAR_TESTS_OVERLAY_FIXTURE_H
#define QUENLAR_TESTS_OVERLAY_FIXTURE_H

#include "video/engine_fixture.h"

#include <string>
#include <vector>

typedef std::vector<std::string> Lines;

class OverlayTest : public EngineTest {
protected:
    void SetUp() override {
        Start();
        OpenScreen(640, 480, 32);
        console = Quenlar.GetConsole();
        debug = Quenlar.GetDebugWindow();
        ASSERT_NE(nullptr, console);
        ASSERT_NE(nullptr, debug);
    }

    // What entering `line` adds to the console's text: its answers and the
    // closing empty line (all of the text when the command cleared it).
    Lines Enter(const std::string &line) {
        const size_t before = console->GetLines().size();
        console->Execute(line.c_str());
        const Lines lines = console->GetLines();
        if (lines.size() < before) return lines;
        return Lines(lines.begin() + (std::ptrdiff_t)before, lines.end());
    }
    // Types `text` key by key into the console's input line.
    void Type(const std::string &text) {
        for (char c : text)
            console->Key((unsigned char)c);
    }
    // An SDL event handed to the engine's event inspection (Quenlar.Update
    // with a record inspects one event and returns).
    void Inspect(SDL_Event event) {
        SDL_PushEvent(&event);
        SDL_Event record;
        Quenlar.Update(&record);
    }

    testing_support::FakeClock clock{1000};
    cConsole *console = nullptr;
    cDebugWO *debug = nullptr;
};

#endif
