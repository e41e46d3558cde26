// The console: its input line, history, commands and their answers, the
// log's echo, and the engine's back-quote toggle.
#include "overlay_fixture.h"

#include <quenlar/gfx/font.h>

#include <atomic>
#include <thread>

using testing_support::FileExists;
using testing_support::ReadFile;

namespace {
const char kTitle[] = " Console for Quenlar SDK initialized";
const char kSyntaxError[] = " Syntax error or command not found";

enum { kBackspace = 8, kEnter = 13, kDelete = 127, kUp = 273, kDown = 274 };
enum { kRight = 275, kLeft = 276, kHome = 278, kEnd = 279, kF1 = 282 };
} // namespace

class Console : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        ASSERT_EQ(1, console->Validate());
    }
};

TEST_F(Console, StartsInertAndValidateShowsTheTitle) {
    cConsole fresh;
    fresh.Print("dropped");
    EXPECT_TRUE(fresh.GetLines().empty()); // printing to a disabled console does nothing
    EXPECT_EQ(cSimpleWin::kHidden, fresh.GetFadeState());

    EXPECT_EQ((Lines{kTitle, ""}), console->GetLines());
    const SDL_Rect r = console->GetRect();
    EXPECT_EQ(640, r.w);
    EXPECT_EQ(160, r.h);
    const int wM = console->GetFont()->GetWidth("M");
    EXPECT_EQ((640 - 2 * wM - 10) / wM, console->GetCapacity());
    EXPECT_EQ(">", console->GetInput());
}

TEST_F(Console, InputLineEditing) {
    Type("hlp");
    console->Key(kLeft);
    console->Key(kLeft);
    Type("e"); // inserted at the cursor
    EXPECT_EQ(">help", console->GetInput());
    EXPECT_EQ(3, console->GetCursor());

    console->Key(kEnd);
    console->Key(kBackspace);
    EXPECT_EQ(">hel", console->GetInput());
    console->Key(kHome);
    console->Key(kLeft);      // never onto the prompt
    console->Key(kBackspace); // nothing before the cursor but the prompt
    EXPECT_EQ(1, console->GetCursor());
    console->Key(kDelete);
    EXPECT_EQ(">el", console->GetInput());
    for (int i = 0; i < 5; ++i)
        console->Key(kRight);
    EXPECT_EQ(3, console->GetCursor()); // stops at the end
    console->Key(kDelete);              // nothing after the cursor
    for (int key : {0, (int)'%', (int)'`', (int)kF1, 9})
        console->Key(key); // no text, or refused
    EXPECT_EQ(">el", console->GetInput());

    // Enter prints the line, runs it and empties the input line.
    console->Key(kEnter);
    const Lines lines = console->GetLines();
    EXPECT_EQ((Lines{"el", kSyntaxError, ""}), Lines(lines.end() - 3, lines.end()));
    EXPECT_EQ(">", console->GetInput());
    console->Key(kEnter); // an empty line is not entered
    EXPECT_EQ(lines.size(), console->GetLines().size());
}

TEST_F(Console, HistoryBrowsing) {
    for (const char *line : {"a", "b"}) {
        Type(line);
        console->Key(kEnter);
    }
    const char *const walk[][2] = {{"U", ">b"}, {"U", ">a"}, {"U", ">a"},
                                   {"D", ">b"}, {"D", ">"},  {"D", ">"}};
    for (const auto &step : walk) {
        console->Key(step[0][0] == 'U' ? kUp : kDown);
        EXPECT_EQ(step[1], console->GetInput());
        EXPECT_EQ((int)console->GetInput().size(), console->GetCursor());
    }
    EXPECT_EQ((Lines{"a", "b"}), console->GetHistory());

    // Corrections to one line do not shorten the next: a long entry comes
    // back whole after many of them.
    Type("abcdefgh");
    console->Key(kEnter);
    const int capacity = console->GetCapacity();
    for (int i = 0; i < capacity - 4; ++i) {
        Type("x");
        if (i % 2) {
            console->Key(kBackspace);
        } else {
            console->Key(kLeft);
            console->Key(kDelete);
        }
    }
    console->Key(kUp);
    EXPECT_EQ(">abcdefgh", console->GetInput());
}

TEST_F(Console, LongInputStaysWithinTheLine) {
    // The key that finds the line full goes in once the line has grown;
    // narrow characters that grew it do not let the next line run wide.
    Type(std::string((size_t)console->GetCapacity() - 1, 'i'));
    Type("y");
    EXPECT_EQ('y', console->GetInput().back());
    console->Key(kEnter);

    // Far more than the line holds: it grows by the room left in the
    // window, then refuses further characters.
    Type(std::string(2000, 'x'));
    const std::string input = console->GetInput();
    EXPECT_LE((int)input.size(), console->GetCapacity());
    EXPECT_GT(input.size(), 60u);
    EXPECT_LE(console->GetFont()->GetWidth(input.c_str()), 640 - 10);

    console->Key(kEnter);
    EXPECT_EQ(kSyntaxError, console->GetLines().end()[-2]);
    console->Key(kUp); // the history entry comes back cut to the line
    EXPECT_LE((int)console->GetInput().size(), console->GetCapacity());
    EXPECT_EQ(0u, console->GetInput().find(">xxx"));
}

TEST_F(Console, CommandAnswers) {
    const struct {
        const char *line;
        Lines answer;
    } cases[] = {
        {"help",
         {" help - List all registered commands", " con - Console control commands",
          " debug - Debug window control commands", ""}},
        {"Help", {kSyntaxError, ""}}, // names are case-sensitive
        {"   ", {kSyntaxError, ""}},
        {"nosuchcommand 1 2", {kSyntaxError, ""}},
        {"con alpha 20", {" New alpha value 64 set", ""}},
        {"con alpha 300", {" New alpha value 255 set", ""}},
        {"con alpha", {" Current alpha value: 255", ""}},
        {"con alpha x", {" New alpha value 64 set", ""}}, // no number counts as 0
        {"con features 5", {" New features 101 set", ""}},
        {"con features", {" Current features: 101", ""}},
        {"con features 300", {" New features 11111111 set", ""}}, // what the byte holds
        {"con features 0", {" New features 0 set", ""}},
        {"con color 300 -5 7", {" New background color (255,0,7) set", ""}},
        {"con color 1 2", {" Current background color value (0x00ff0007)", ""}},
        {"con move 10 200", {" New position (0,200) set", ""}}, // as wide as the screen
        {"con move -1 -1", {" New position (0,200) set", ""}},
        {"con move 5", {" Current console position (0,200)", ""}},
        {"con resize 300 120", {" New size (300x120) set", ""}},
        {"con resize 100 50", {" New size (300x120) set", ""}}, // below 150x100: kept
        {"con resize", {" Current console size (300x120)", ""}},
        {"con history clear", {" Console history cleared", ""}},
        {"con history", {kSyntaxError, ""}},
        {"con history save", {kSyntaxError, ""}},
        {"con history keep", {kSyntaxError, ""}},
        {"con save", {kSyntaxError, ""}},
        {"con bogus", {kSyntaxError, ""}},
        {"con hide", {""}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.answer, Enter(c.line)) << c.line;

    const Lines usage = Enter("con");
    ASSERT_EQ(11u, usage.size());
    EXPECT_EQ(" usage: con <parameter> [value]", usage[0]);
    EXPECT_EQ("  <history> clear|save [filename] - Clear the command history or save them to the "
              "filename",
              usage[6]);
    EXPECT_EQ("  <save> filename - Save the console text to the filename", usage[9]);
}

TEST_F(Console, ClearSaveAndHistoryFiles) {
    for (const char *line : {"help", "con history save history.txt"}) {
        Type(line);
        console->Key(kEnter);
    }
    EXPECT_EQ("help\ncon history save history.txt\n", ReadFile("history.txt"));
    EXPECT_EQ((Lines{" Save history to 'history.txt' file", ""}),
              Enter("con history save history.txt"));

    EXPECT_EQ((Lines{kTitle, ""}), Enter("con clear")) << "only the title is left";
    EXPECT_EQ((Lines{kTitle, ""}), console->GetLines());
    EXPECT_EQ((Lines{" Save console text to 'text.txt' file", ""}), Enter("con save text.txt"));
    EXPECT_EQ(std::string(kTitle) + "\n\n", ReadFile("text.txt"));

    // A file that cannot be written is said so after the usual answer.
    EXPECT_EQ((Lines{" Save console text to 'no/such/dir' file",
                     " Error: could not write 'no/such/dir'", ""}),
              Enter("con save no/such/dir"));
    EXPECT_FALSE(FileExists("no/such/dir"));
}

TEST_F(Console, GamesAddCommands) {
    Lines seen;
    const auto handler = [&seen](const ConsoleWords &words) {
        seen = words;
        return words.size() == 2 ? 1 : 0;
    };
    EXPECT_EQ(1, console->AddCommand("spawn", "Add sprites", handler));
    EXPECT_EQ(0, console->AddCommand("spawn", "again", handler));
    EXPECT_EQ(0, console->AddCommand("con", "a second con", handler));
    EXPECT_EQ(0, console->AddCommand(nullptr, "x", handler));
    EXPECT_EQ(0, console->AddCommand("x", nullptr, handler));
    EXPECT_EQ(0, console->AddCommand("x", "x", ConsoleHandler()));

    EXPECT_EQ(Lines{""}, Enter(" \tspawn   3 "));
    EXPECT_EQ((Lines{"spawn", "3"}), seen);
    EXPECT_EQ((Lines{kSyntaxError, ""}), Enter("spawn")); // the handler refused it
    EXPECT_EQ(" con - Console control commands", Enter("help")[1]);

    EXPECT_EQ(1, console->RemoveCommand("spawn"));
    EXPECT_EQ(0, console->RemoveCommand("spawn"));
    EXPECT_EQ((Lines{kSyntaxError, ""}), Enter("spawn 3"));
}

TEST_F(Console, KeysArriveOncePerLogicStepAndFeatureTwoStopsInput) {
    console->SetFeatures(cSimpleWin::kInstant);
    console->Show(1);
    Uint8 *keys = SDL_GetKeyState(nullptr);
    keys[SDLK_a] = 1; // held
    Quenlar.Update(); // unpaced: every call is a logic step
    Quenlar.Update(); // within the repeat delay
    EXPECT_EQ(">a", console->GetInput());
    clock.Advance(121);
    Quenlar.Update();
    EXPECT_EQ(">aa", console->GetInput());

    console->SetFeatures(cSimpleWin::kInstant | cSimpleWin::kNoInput);
    clock.Advance(121);
    Quenlar.Update();
    keys[SDLK_a] = 0;
    EXPECT_EQ(">aa", console->GetInput());

    // Nor is the input line drawn: the band it takes shows the background.
    const SDL_Rect r = console->GetRect();
    const int h = console->GetFont()->GetHeight();
    const auto inkInBand = [&] {
        SDL_FillRect(Quenlar.screen, nullptr, 0);
        console->Draw();
        const Uint32 background = IPrimitives->GetPixel(Quenlar.screen, 1, (Sint16)(r.h - 2), 1);
        int ink = 0;
        for (int y = r.h - h - 5; y < r.h - 5; ++y)
            for (int x = 0; x < 100; ++x)
                ink += IPrimitives->GetPixel(Quenlar.screen, (Sint16)x, (Sint16)y, 1) != background;
        return ink;
    };
    EXPECT_EQ(0, inkInBand());
    console->SetFeatures(cSimpleWin::kInstant);
    EXPECT_GT(inkInBand(), 0);
}

TEST_F(Console, BackQuoteTogglesUnlessShiftOrFeatureOne) {
    SDL_Event key = {};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_BACKQUOTE;
    key.key.keysym.mod = KMOD_LSHIFT;
    Inspect(key);
    EXPECT_EQ(cSimpleWin::kHidden, console->GetFadeState());
    EXPECT_EQ(0, Quenlar.ConsoleVisible());

    key.key.keysym.mod = KMOD_NONE;
    console->SetFeatures(cSimpleWin::kNoToggle);
    Inspect(key);
    EXPECT_EQ(cSimpleWin::kHidden, console->GetFadeState());

    console->SetFeatures(cSimpleWin::kInstant);
    Inspect(key);
    EXPECT_EQ(cSimpleWin::kShown, console->GetFadeState());
    EXPECT_EQ(1, Quenlar.ConsoleVisible());
    Inspect(key);
    EXPECT_EQ(cSimpleWin::kHidden, console->GetFadeState());
    Quenlar.ShowConsole(1);
    EXPECT_EQ(1, Quenlar.ConsoleVisible());
}

TEST_F(Console, ANewScreenReplacesTheOverlays) {
    ILogSystem.Init("echo.log", LOG_NEWFILE | LOG_CONSOLE, 2, "echo");
    OpenScreen(400, 300, 32); // the old console and debug window are deleted
    console = Quenlar.GetConsole();
    ASSERT_NE(nullptr, console);
    EXPECT_EQ(400, console->GetRect().w);
    ASSERT_EQ(1, console->Validate());
    ILogSystem.Msg(0, " . to the new console\n");
    EXPECT_EQ(" . to the new console", console->GetLines().back());
    EXPECT_EQ(" debug - Debug window control commands", Enter("help")[2]);
}

TEST_F(Console, LogConsoleEchoesEveryMessageFromAnyThread) {
    ILogSystem.Init("echo.log", LOG_NEWFILE | LOG_CONSOLE, 2, "echo");
    ILogSystem.Msg(2, " . [Game] Warning: two\n   lines\n");
    ILogSystem.Msg(5, " . filtered by level\n");
    Lines lines = console->GetLines();
    EXPECT_EQ((Lines{" . [Game] Warning: two", "   lines"}), Lines(lines.end() - 2, lines.end()));

    // Another thread logs while this one draws and reads the text.
    std::atomic<bool> done{false};
    std::thread logger([&done] {
        for (int i = 0; i < 200; ++i)
            ILogSystem.Msg(0, " . line %d\n", i);
        done = true;
    });
    console->SetFeatures(cSimpleWin::kInstant);
    console->Show(1);
    for (int pass = 0; pass < 1000 && !done; ++pass) {
        console->Draw();
        lines = console->GetLines();
    }
    logger.join();
    lines = console->GetLines();
    EXPECT_EQ(" . line 199", lines.back());

    Quenlar.Quit(); // the console goes; the log keeps working
    ILogSystem.Msg(0, " . after the console\n");
    EXPECT_NE(std::string::npos, ReadFile("echo.log").find(" . after the console\n"));
}

// Commands may replace the overlays they run in, and windows may outlive
// the console they were attached to; run under ASan these read no freed
// memory.
TEST_F(Console, OverlaysOutliveTheCodeThatReplacesThem) {
    cConsole *old = console;
    ASSERT_EQ(1, old->AddCommand("mode", "a new screen", [this](const ConsoleWords &) {
        OpenScreen(400, 300, 32);
        return 0; // the old console answers after the new screen is open
    }));
    old->Execute("mode");
    EXPECT_NE(old, Quenlar.GetConsole());
    Quenlar.Update(); // the retired console goes here

    cDebugWO mine(Quenlar.GetConsole(), "mine");
    EXPECT_NE(nullptr, mine.GetConsole());
    Quenlar.Quit(); // deletes the console `mine` is attached to
    EXPECT_EQ(nullptr, mine.GetConsole());
    mine.AttachConsole(nullptr);
}
