// A periodic timer raising OnTimer on the main thread every Interval
// milliseconds while it is enabled.
//
// The period starts afresh when the timer is enabled (false to true) and when
// its interval changes while it is enabled; setting the interval it already
// has, or enabling it while enabled, leaves the running period alone. A new
// timer is enabled with an interval of 1000 ms. The timer keeps to its period
// within a few milliseconds; an interval of 0 stops it.
#pragma once

#include "Component.h"
#include "ToolkitTypes.h"

class QTimer;

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    TNotifyEvent OnTimer;

private:
    void Restart();

    QTimer* FTimer;
    unsigned FInterval = 1000;
    bool FEnabled = true;
};
