// cDebugWO: a small overlay window that shows watches, named variables of
// the application, printed again twice a second.
//
// A watch shows a 32-bit integer, a double, or both: "name 7", "name
// 2.5000", "name 7 2.5000". The window registers the console command
// "debug" in the console it is attached to (enable, show, hide, move,
// resize, alpha, color, list, remove) and answers there. Quenlar.SetVideoMode
// creates the engine's one (Quenlar.GetDebugWindow), attached to the
// engine's console; Quenlar.Update animates it, draws it while a refresh is
// requested and lets the mouse drag it. It starts disabled: "debug enable
// 1" or Validate enables it.
//
// Main thread only. Watched variables are read without a lock; the
// application keeps them alive while they are watched.
#ifndef QUENLAR_TOOLS_DEBUGWIN_H
#define QUENLAR_TOOLS_DEBUGWIN_H

#include <quenlar/tools/console.h>
#include <quenlar/tools/simplewin.h>

#include <memory>
#include <string>
#include <vector>

class cDebugWO : public cSimpleWin {
public:
    // With a screen: a third of its width and height, in its middle third
    // across and lower half down, on green. `title` null gives "Quenlar
    // Debug Window". Without a console it warns and has no command.
    explicit cDebugWO(cConsole *console = nullptr, const char *title = nullptr);
    ~cDebugWO() override; // unregisters its command

    bool Animate() override;  // the fade; every 500 ms the watch lines again
    void Draw() override;     // title, then the watch lines flowing in rows
    void Relayout() override; // where the watch lines start

    // Watches `name` (copied) with an integer, a double or both (at least
    // one, the others null). 1 added, 0 for a missing argument.
    int AddWatch(const char *name, Sint32 *integer, double *real = nullptr);
    int AddWatch(const char *name, double *real) { return AddWatch(name, nullptr, real); }
    // Removes the first watch named `name`: 1 removed, 0 none.
    int RemoveWatch(const char *name);
    // The watch lines as last printed, one per watch in order.
    const std::vector<std::string> &GetLines() const { return lines_; }

    // Moves the "debug" command to `console` (null: none).
    void AttachConsole(cConsole *console);
    // The console the command is in; null once that console was deleted.
    cConsole *GetConsole() const { return consoleAlive_.expired() ? nullptr : console_; }

protected:
    // Where Draw puts the watch lines: the line's index and its top-left
    // corner on the screen. Lines flow left to right, 10 pixels apart, and
    // wrap to a new row; rows that would pass the bottom are left out.
    struct Placement {
        size_t line;
        int x, y;
    };
    std::vector<Placement> FlowLines() const;

private:
    struct Watch {
        std::string name;
        Sint32 *integer;
        double *real;
    };
    static std::string WatchText(const Watch &watch);
    int Command(const ConsoleWords &words);

    std::vector<Watch> watches_;
    std::vector<std::string> lines_;
    int textX_ = -1, textY_ = -1; // where the watch lines start
    cConsole *console_ = nullptr;
    std::weak_ptr<const bool> consoleAlive_; // console_'s Lifetime()
    bool registered_ = false;                // "debug" in console_ is this window's
    bool timerStarted_ = false;
    Uint32 timerStart_ = 0; // QuenlarTicks() of the last printing
};

#endif
