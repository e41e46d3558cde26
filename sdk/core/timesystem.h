// ITimeSystem: render and logic rates, the clock and frame counters.
// Quenlar.Update (frame pacing) reads the rates and the time from here.
#ifndef QUENLAR_CORE_TIMESYSTEM_H
#define QUENLAR_CORE_TIMESYSTEM_H

#include <SDL.h>

// The measured rates, for frame-rate displays and diagnostics.
struct QFrameStats {
    Uint32 renderTotal, logicTotal;           // frames since Init
    Uint32 renderLastSecond, logicLastSecond; // frames in the last whole second
    float renderAverage, logicAverage;        // frames per second since Init
    float elapsedSeconds;                     // at the last averages update
};

class QTimeSystem {
public:
    QTimeSystem();
    ~QTimeSystem();
    QTimeSystem(const QTimeSystem &) = delete;
    QTimeSystem &operator=(const QTimeSystem &) = delete;

    // Mode 0: resets the clock, the counters and both rates. Mode 1: the
    // same but keeps the rates, and only once initialised. Other modes: nothing.
    void Init(int mode);
    // Target frames per second; 0 paces nothing (render: every call; logic:
    // one step per call). Capped at 120 render and 200 logic.
    void SetRate(Uint32 render, Uint32 logic);
    // Takes the clock and updates the averages and one-second windows.
    void Update();

    int GetRenderRate(); // -1 while not initialised
    int GetLogicRate();  // -1 while not initialised
    // Milliseconds from Init to the last Update (not a fresh reading); -1
    // while not initialised.
    Sint32 GetTime();

    void CountRenderFrame();
    void CountLogicFrame();
    QFrameStats GetStats() const;

private:
    bool initialised_ = false;
    bool warned_ = false;  // the "not initialized" warning was logged
    Uint32 now_ = 0;       // clock at the last Update, ms
    Uint32 start_ = 0;     // clock at Init, ms
    Uint32 renderTotal_ = 0, logicTotal_ = 0;
    Uint32 renderLastSecond_ = 0, logicLastSecond_ = 0;
    float renderAverage_ = 0.0f, logicAverage_ = 0.0f; // frames per second since Init
    float elapsedSeconds_ = 0.0f;
    Uint32 renderRate_ = 0; // 0..120
    Uint32 logicRate_ = 0;  // 0..200
    Uint32 renderThisSecond_ = 0, logicThisSecond_ = 0;
    Uint32 secondMark_ = 0;  // start of the current one-second window, ms
    Uint32 quarterMark_ = 0; // last averages update, ms
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QTimeSystem *ITimeSystem;

#endif
