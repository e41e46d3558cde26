// IImage: images from package blocks and PNG data.
#ifndef QUENLAR_GFX_IMAGE_H
#define QUENLAR_GFX_IMAGE_H

class QImage {
public:
    QImage();
    ~QImage();
    QImage(const QImage &) = delete;
    QImage &operator=(const QImage &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QImage *IImage;

#endif
