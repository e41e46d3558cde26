#include <quenlar/gui/button.h>

#include <quenlar/core/log.h>

QButton *IButton = nullptr;

QButton::QButton() {
    ILogSystem.Msg(5, " . [IButton] Interfaz created.\n");
}

QButton::~QButton() {
    ILogSystem.Msg(5, " . [IButton] Interfaz deleted.\n");
}
