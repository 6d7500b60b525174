// A horizontal bar showing Position within Min..Max, without text.
#pragma once

#include "Control.h"

class TProgressBar : public TControl {
public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    void SetMin(int Value);
    void SetMax(int Value);
    // Values outside Min..Max are held at the nearer end.
    void SetPosition(int Value);

private:
    void Update();

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
};
