#include "gfx/cursor.h"

#include "core/log.h"

QCursor *ICursor = nullptr;

QCursor::QCursor() { ILogSystem.Msg(5, " . [ICursor] Interfaz created.\n"); }

QCursor::~QCursor() { ILogSystem.Msg(5, " . [ICursor] Interfaz deleted.\n"); }
