#include <quenlar/sound/soundfx.h>

#include <quenlar/core/log.h>

QSoundFX *ISoundFX = nullptr;

QSoundFX::QSoundFX() {
    ILogSystem.Msg(5, " . [ISoundFX] Interfaz created.\n");
}

QSoundFX::~QSoundFX() {
    ILogSystem.Msg(5, " . [ISoundFX] Interfaz deleted.\n");
}
