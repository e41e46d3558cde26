// IButton: the button widget system.
#ifndef QUENLAR_GUI_BUTTON_H
#define QUENLAR_GUI_BUTTON_H

class QButton {
public:
    QButton();
    ~QButton();
    QButton(const QButton &) = delete;
    QButton &operator=(const QButton &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QButton *IButton;

#endif
