#include "gfx/primitives.h"

#include "core/log.h"

QPrimitives *IPrimitives = nullptr;

QPrimitives::QPrimitives() { ILogSystem.Msg(5, " . [IPrimitives] Interfaz created.\n"); }

QPrimitives::~QPrimitives() { ILogSystem.Msg(5, " . [IPrimitives] Interfaz deleted.\n"); }
