#include "core/timesystem.h"

#include "core/log.h"

QTimeSystem *ITimeSystem = nullptr;

QTimeSystem::QTimeSystem() { ILogSystem.Msg(5, " . [ITimeSystem] Interfaz created.\n"); }

QTimeSystem::~QTimeSystem() { ILogSystem.Msg(5, " . [ITimeSystem] Interfaz deleted.\n"); }
