// cConsole: the drop-down console across the top third of the screen.
//
// It shows a scroll of text lines above an input line that starts with the
// prompt ">", keeps the history of entered lines (Up and Down browse it) and
// runs the commands registered in it: "help" lists them, "con" controls the
// console itself, and a game adds its own with AddCommand. An entered line
// is split into words at white space; the command named by the first word
// (case-sensitive) gets them all. Quenlar.SetVideoMode creates the engine's
// console (Quenlar.GetConsole); Quenlar.Update reads its input once per
// logic step, draws it while a refresh is requested and shows or hides it
// with the back-quote key; the log's LOG_CONSOLE output prints into it.
// Like every overlay window it stays inert until validated.
//
// Print may be called from any thread (the log's console output arrives on
// whatever thread logs); everything else runs on the main thread.
#ifndef QUENLAR_TOOLS_CONSOLE_H
#define QUENLAR_TOOLS_CONSOLE_H

#include <quenlar/core/log.h>
#include <quenlar/tools/simplewin.h>

#include <cstdarg>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An entered line split into words; words[0] names the command.
typedef std::vector<std::string> ConsoleWords;
// Runs a command: non-zero when the line was understood (0 makes the
// console answer " Syntax error or command not found").
typedef std::function<int(const ConsoleWords &words)> ConsoleHandler;

class cConsole : public cSimpleWin {
public:
    // `title` is printed when the console is validated and cleared; null
    // gives " Console for Quenlar SDK initialized". With a screen, the
    // console spans its width and a third of its height, on dark blue.
    explicit cConsole(const char *title = nullptr);
    ~cConsole() override;

    bool Animate() override;  // the fade, the caret's blink and one key
    int Validate() override;  // also prints the title and an empty line
    void Draw() override;     // the text lines and the input line
    void Relayout() override; // text place and input capacity; resets the input line

    // Formats a new text line (printf-style; each '\n' starts another
    // line) and requests a refresh. Nothing while the console is disabled.
    void Print(const char *format, ...) QUENLAR_PRINTF(2, 3);
    void VPrint(const char *format, va_list args);

    // Registers a command. `name` and `description` are kept by pointer
    // and must outlive the registration. 1 added; 0 for a missing argument
    // or a name registered already.
    int AddCommand(const char *name, const char *description, ConsoleHandler handler);
    // Unregisters the command `name`; 1 removed, 0 none of that name.
    int RemoveCommand(const char *name);
    // Runs a command line, answers a syntax error when no command took it,
    // then prints an empty line.
    void Execute(const char *line);

    // Applies one key of the input (a Quenlar.ReadKey code): editing keys,
    // Enter, Up and Down through the history, or a character to insert.
    void Key(int key);

    // ---- State, for games and tools ------------------------------------------
    std::vector<std::string> GetLines() const; // oldest first
    void ClearLines();
    const std::vector<std::string> &GetHistory() const { return history_; }
    void ClearHistory();
    const std::string &GetInput() const { return line_; } // the prompt included
    int GetCursor() const { return cursor_; }             // index in GetInput()
    // Characters the input line holds at most, the prompt included.
    int GetCapacity() const { return capacity_; }
    // Expires when the console is deleted: a window that keeps a pointer to
    // the console (a debug window) checks it before using the pointer.
    std::weak_ptr<const bool> Lifetime() const { return alive_; }

private:
    struct Command {
        const char *name;
        const char *description;
        ConsoleHandler handler;
    };

    void PrintLine(const std::string &text);
    int Help(const ConsoleWords &words);
    int Con(const ConsoleWords &words);
    int ConHistory(const ConsoleWords &words);
    void ResetInput();
    void ShowHistoryEntry();
    void InsertKey(int key);
    bool Reserve(int capacity);

    struct Text; // the text lines and their lock (console.cpp)
    std::unique_ptr<Text> text_;
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
    std::vector<std::string> history_; // oldest first
    std::vector<Command> commands_;    // in registration order
    std::string line_ = ">";           // the input line
    int cursor_ = 1;                   // where the next character goes; 1 is after the prompt
    int capacity_ = 0;                 // characters line_ may hold
    int emptyCapacity_ = 0;            // capacity_ of a new line, from the layout
    int historyPos_ = 0;               // 0, or n while the n-th newest entry is shown
    bool caretShown_ = false;
    int textX_ = 0, inputY_ = 0;
    // Print from another thread cannot request the refresh itself (the
    // engine's request belongs to the main thread); Animate does it.
    Uint32 mainThread_; // SDL_ThreadID() of the thread that made the console
    std::atomic<bool> printedElsewhere_{false};
};

#endif
