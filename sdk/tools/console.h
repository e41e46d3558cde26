// cConsole: the overlay console, toggled with the back-quote key.
#ifndef QUENLAR_TOOLS_CONSOLE_H
#define QUENLAR_TOOLS_CONSOLE_H

#include <quenlar/tools/simplewin.h>

class cConsole : public cSimpleWin {};

#endif
