// Quenlar: the engine object. It carries the application's configuration
// (its QuenlarConfig base), the display surface, mouse and keyboard state,
// the live-resource counters, and starts and stops the SDK.
//
// Index
//   Start-up and shutdown ...... Init, Quit, GetVersion, GetCredits
//   Services ................... CRC32, Refresh, NeedRefresh
//   Keyboard ................... KeyDown, ReadKey, TranslateKey, KeyText
//   Processor .................. GetCPUFeatures, SelectCodePath
//   Video and drawing .......... SetVideoMode, IsOpenGL, ScreenBlit
//   Frame pacing ............... Update, GetFrameAccumulator
//   Overlay windows ............ GetConsole, GetDebugWindow, ShowConsole, ConsoleVisible,
//                                LogToConsole
//   XML documents by handle .... XMLOpen ... XMLCommentSet
//   Setup configuration file ... ReadConfig, WriteConfig
#ifndef QUENLAR_CORE_ENGINE_H
#define QUENLAR_CORE_ENGINE_H

#include <quenlar/core/config.h>

#include <SDL.h>
#include <cstdarg>
#include <memory>

namespace qnl {
struct EngineState;
}
class cConsole;
class cDebugWO;

class QuenlarEngine : public QuenlarConfig {
public:
    // ---- Public state, read across the SDK --------------------------------
    SDL_Surface *screen = nullptr; // the display surface ("Quenlar.screen")
    Sint32 mousex = 0;             // mouse position, refreshed once per logic step
    Sint32 mousey = 0;
    Uint8 mousebuttons = 0;         // SDL button mask of this logic step
    Uint8 lastmousebuttons = 0;     // ... and of the previous one
    Uint32 startticks = 0xFFFFFFFF; // ms at the end of Init; 0xFFFFFFFF = not initialised
    Uint8 lostsurfaces = 0;         // 1: video memory can be lost, blits restore surfaces
    Sint32 tilecount = 0;           // live CTile objects
    Sint32 spritecount = 0;         // live CSprite objects
    Sint32 fontcount = 0;           // live CFont objects

    QuenlarEngine();
    ~QuenlarEngine();
    QuenlarEngine(const QuenlarEngine &) = delete;
    QuenlarEngine &operator=(const QuenlarEngine &) = delete;

    // ---- Start-up and shutdown ---------------------------------------------
    // Checks the processor, starts SDL with `flags` (SDL_INIT_*), creates the
    // ten interface objects. 1 on success, -1 on failure. While the engine
    // runs, a further call only warns and returns 1.
    int Init(Uint32 flags);
    // Destroys the interfaces in reverse order, stops SDL and forgets
    // `screen`, which SDL freed. Harmless twice.
    void Quit();
    bool IsInitialized() const;
    const char *GetVersion() const; // "Quenlar SDK Win32 v5.20 (build 3278)"
    const char *GetCredits() const;

    // ---- Services ------------------------------------------------------------
    // Standard CRC-32 (zlib, IEEE 802.3); 0 for a length of 0 or less.
    unsigned int CRC32(const void *data, int length);
    // Screen redraw request: 0 none, 1 once, 2 every frame.
    void Refresh(int request);
    int NeedRefresh();

    // ---- Keyboard (state fetched once per logic step by Update) ------------
    Uint8 KeyDown(int key);        // 1 down, 0 up or no state yet
    int ReadKey(Uint32 delay);     // first held key due for repeat, translated; 0 if none
    int TranslateKey(int key);     // US layout: Shift, keypad and Num Lock rules
    const char *KeyText(int code); // one-character text for display, or null

    // ---- Processor -------------------------------------------------------------
    // buffer null: logs the processor line and selects the block-copy routine.
    // buffer of 64 bytes or more: writes the description there. 1 usable, 0 not.
    int GetCPUFeatures(char *buffer = nullptr);
    // Installs the block-copy routine of a copy-path code; 0 for an unknown code.
    int SelectCodePath(int code);

    // ---- Video and drawing ---------------------------------------------------
    int SetVideoMode(); // 1 on success, 0 on failure
    int IsOpenGL();
    // SDL_UpperBlit that keeps the software cursor intact when drawing on screen.
    int ScreenBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect);

    // ---- Frame pacing ------------------------------------------------------------
    // Polls events, paces logic and render frames; 0 when a logic step is due.
    int Update(SDL_Event *event = nullptr);
    float GetFrameAccumulator();
    // 1 once Update has seen a request to close the program (the window's
    // close button, or SIGINT/SIGTERM), which the event loop would otherwise
    // swallow; 0 before.
    int QuitRequested();

    // ---- Overlay windows and console hooks ----------------------------------------
    // The console and the debug window SetVideoMode made (a further call
    // replaces them; Quit deletes them), or null. They stay inert until a
    // game validates them (tools/console.h, tools/debugwin.h).
    cConsole *GetConsole();
    cDebugWO *GetDebugWindow();
    // Shows (1) or hides (0) the console; nothing without one.
    void ShowConsole(int show);
    int ConsoleVisible(); // 1 while the console is enabled and not hidden
    // The log's LOG_CONSOLE output: prints the message into the console.
    void LogToConsole(const char *format, va_list args);

    // ---- XML documents by handle (1..10; 0 is failure) -------------------------
    int XMLOpen(const char *file);
    int XMLOpen(int dpf, const char *block);
    int XMLOpen(const char *dpfFile, const char *block);
    int XMLCreate(const char *root);
    int XMLSave(int h, const char *file);
    int XMLSave(int h, int dpf, const char *block);
    int XMLSave(int h, const char *dpfFile, const char *block);
    void XMLClose(int h);
    int XMLNodePointTo(int h, int count, ...); // then `count` names as const char *
    int XMLNodeChild(int h);
    int XMLNodeNext(int h);
    int XMLNodeParent(int h);
    int XMLNodeCreate(int h, const char *name);
    const char *XMLNodeGetName(int h);
    int XMLAttributeSet(int h, const char *name, int value);
    int XMLAttributeGet(int h, const char *name, const char **text);
    int XMLAttributeGet(int h, const char *name, int *value);
    int XMLTextSet(int h, const char *text);
    int XMLCommentSet(int h, const char *text);

    // ---- Setup configuration file ------------------------------------------------
    // dpf null or "" means a plain file named `name`; cfg null means this object.
    int ReadConfig(const char *dpf, const char *name, QuenlarConfig *cfg = nullptr);
    int WriteConfig(const char *dpf, const char *name, QuenlarConfig *cfg = nullptr);

private:
    friend qnl::EngineState &EngineStateOf(QuenlarEngine &engine);
    std::unique_ptr<qnl::EngineState> state_; // owned; freed at exit
};

extern QuenlarEngine Quenlar;

#endif
