#include <quenlar/gfx/video.h>

#include <quenlar/core/log.h>

QVideo *IVideo = nullptr;

QVideo::QVideo() {
    ILogSystem.Msg(5, " . [IVideo] Interfaz created.\n");
}

QVideo::~QVideo() {
    ILogSystem.Msg(5, " . [IVideo] Interfaz deleted.\n");
}
