#include "Timer.h"

#include <QTimer>
#include <algorithm>

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FTimer(new QTimer) {
    // Qt's default coarse timers may fire up to 5 % late; a step of three
    // minutes would then run seconds long.
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer, &QTimer::timeout, FTimer, [this] {
        if (OnTimer)
            OnTimer(this);
    });
    Restart();
}

TTimer::~TTimer() {
    delete FTimer;
}

void TTimer::SetInterval(unsigned Value) {
    if (Value == FInterval)
        return;
    FInterval = Value;
    Restart();
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Restart();
}

void TTimer::Restart() {
    if (FEnabled && FInterval > 0)
        FTimer->start(static_cast<int>(std::min<unsigned>(FInterval, 0x7FFFFFFFu)));
    else
        FTimer->stop();
}
