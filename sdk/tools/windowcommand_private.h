// What the console's "con" and the debug window's "debug" commands share:
// numbers read from words, and the sub-commands alpha, color, move and
// resize of a window, answered in a console. SDK-internal.
#ifndef QUENLAR_TOOLS_WINDOWCOMMAND_PRIVATE_H
#define QUENLAR_TOOLS_WINDOWCOMMAND_PRIVATE_H

#include <quenlar/tools/console.h>

#include <cstddef>

namespace qnl {

// words[i] as a decimal number: its leading digits (with a sign), 0 for a
// word that starts with none or a missing word, held within int's range.
int WordNumber(const ConsoleWords &words, size_t i);

// Runs words[1] on `window` when it is "alpha", "color", "move" or
// "resize", printing the answer in `console`; `noun` names the window in
// the position and size answers ("console", "debug"). false when words[1]
// is none of them.
bool WindowCommand(cSimpleWin &window, cConsole &console, const ConsoleWords &words,
                   const char *noun);

} // namespace qnl

#endif
