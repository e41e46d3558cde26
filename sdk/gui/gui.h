// Buttons.
#ifndef QUENLAR_GUI_GUI_H
#define QUENLAR_GUI_GUI_H

#include <quenlar/gui/button.h>

#endif
