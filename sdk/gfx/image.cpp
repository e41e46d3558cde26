#include "gfx/image.h"

#include "core/log.h"

QImage *IImage = nullptr;

QImage::QImage() { ILogSystem.Msg(5, " . [IImage] Interfaz created.\n"); }

QImage::~QImage() { ILogSystem.Msg(5, " . [IImage] Interfaz deleted.\n"); }
