#include <quenlar/core/timesystem.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/engine.h>
#include <quenlar/core/log.h>

QTimeSystem *ITimeSystem = nullptr;

namespace {
constexpr Uint32 kMaxRenderRate = 120;
constexpr Uint32 kMaxLogicRate = 200;
} // namespace

QTimeSystem::QTimeSystem() {
    ILogSystem.Msg(5, " . [ITimeSystem] Interfaz created.\n");
}

QTimeSystem::~QTimeSystem() {
    ILogSystem.Msg(5, " . [ITimeSystem] Interfaz deleted.\n");
}

void QTimeSystem::Init(int mode) {
    if (mode != 0 && mode != 1) return;
    if (mode == 1 && !initialised_) return;
    if (mode == 0) renderRate_ = logicRate_ = 0;
    renderTotal_ = logicTotal_ = 0;
    renderLastSecond_ = logicLastSecond_ = 0;
    renderThisSecond_ = logicThisSecond_ = 0;
    renderAverage_ = logicAverage_ = 0.0f;
    elapsedSeconds_ = 0.0f;
    secondMark_ = quarterMark_ = 0;

    start_ = QuenlarTicks();
    now_ = start_ + 1; // so that GetTime reads 1, never 0, right after Init
    if (SDL_WasInit(SDL_INIT_TIMER)) {
        initialised_ = true;
    } else {
        ILogSystem.Msg(2,
                       " . [ITimeSystem->Init()] Warning: SDL_INIT_TIMER was not initialized.\n");
        now_ = start_ = 0;
    }
}

namespace {
// A target rate, capped; the measured figures start out at the target.
void SetTarget(Uint32 value, Uint32 cap, Uint32 &rate, Uint32 &lastSecond, float &average) {
    rate = value > cap ? cap : value;
    lastSecond = rate;
    average = (float)rate;
}
} // namespace

void QTimeSystem::SetRate(Uint32 render, Uint32 logic) {
    if (!initialised_) return;
    SetTarget(render, kMaxRenderRate, renderRate_, renderLastSecond_, renderAverage_);
    SetTarget(logic, kMaxLogicRate, logicRate_, logicLastSecond_, logicAverage_);
    // Pacing a flip that waits for the vertical retrace only adds jitter.
    SDL_Surface *screen = Quenlar.screen;
    if (render && screen && (screen->flags & SDL_DOUBLEBUF))
        ILogSystem.Msg(2,
                       " . [ITimeSystem->SetRate(%d,%d)] Warning: doublebuffer screen "
                       "detected. Use 0 for RFR to get the smoothest animation.\n",
                       (int)renderRate_, (int)logic);
}

void QTimeSystem::Update() {
    if (!initialised_) {
        if (!warned_)
            ILogSystem.Msg(
                2, " . [ITimeSystem->Update()] Warning: ITimeSystem was not initialized.\n");
        warned_ = true;
        return;
    }
    now_ = QuenlarTicks();
    if (quarterMark_ + 250 < now_) {
        quarterMark_ = now_;
        Uint32 elapsed = now_ - start_;
        if (elapsed == 0) elapsed = 1;
        elapsedSeconds_ = (float)elapsed / 1000.0f;
        renderAverage_ = (float)renderTotal_ / elapsedSeconds_;
        logicAverage_ = (float)logicTotal_ / elapsedSeconds_;
    }
    if (secondMark_ + 1000 < now_) {
        secondMark_ = now_;
        renderLastSecond_ = renderThisSecond_;
        logicLastSecond_ = logicThisSecond_;
        renderThisSecond_ = logicThisSecond_ = 0;
    }
}

int QTimeSystem::GetRenderRate() {
    return initialised_ ? (int)renderRate_ : -1;
}

int QTimeSystem::GetLogicRate() {
    return initialised_ ? (int)logicRate_ : -1;
}

Sint32 QTimeSystem::GetTime() {
    return initialised_ ? (Sint32)(now_ - start_) : -1;
}

void QTimeSystem::CountRenderFrame() {
    if (!initialised_) return;
    ++renderTotal_;
    ++renderThisSecond_;
}

void QTimeSystem::CountLogicFrame() {
    if (!initialised_) return;
    ++logicTotal_;
    ++logicThisSecond_;
}

QFrameStats QTimeSystem::GetStats() const {
    return {renderTotal_,   logicTotal_,   renderLastSecond_, logicLastSecond_,
            renderAverage_, logicAverage_, elapsedSeconds_};
}
