// ITimeSystem: render and logic rates, the clock and frame counters.
#ifndef QUENLAR_CORE_TIMESYSTEM_H
#define QUENLAR_CORE_TIMESYSTEM_H

class QTimeSystem {
public:
    QTimeSystem();
    ~QTimeSystem();
    QTimeSystem(const QTimeSystem &) = delete;
    QTimeSystem &operator=(const QTimeSystem &) = delete;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QTimeSystem *ITimeSystem;

#endif
