// IVideo: video bookkeeping.
#ifndef QUENLAR_GFX_VIDEO_H
#define QUENLAR_GFX_VIDEO_H

class QVideo {
public:
    QVideo();
    ~QVideo();
    QVideo(const QVideo &) = delete;
    QVideo &operator=(const QVideo &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QVideo *IVideo;

#endif
