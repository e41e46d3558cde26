// Buttons.
#ifndef QUENLAR_GUI_GUI_H
#define QUENLAR_GUI_GUI_H

#include "gui/button.h"

#endif
