#include <quenlar/gfx/screenfx.h>

#include <quenlar/core/log.h>

QScreenFX *IScreenFX = nullptr;

QScreenFX::QScreenFX() {
    ILogSystem.Msg(5, " . [IScreenFX] Interfaz created.\n");
}

QScreenFX::~QScreenFX() {
    ILogSystem.Msg(5, " . [IScreenFX] Interfaz deleted.\n");
}
