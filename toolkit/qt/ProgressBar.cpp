#include "ProgressBar.h"

#include <QProgressBar>
#include <algorithm>

TProgressBar::TProgressBar(TComponent* AOwner) : TControl(AOwner) {
    auto* W = new QProgressBar;
    W->setTextVisible(false);
    W->setFocusPolicy(Qt::NoFocus);
    SetWidget(W, true);
    Update();
}

void TProgressBar::SetMin(int Value) {
    FMin = Value;
    FMax = std::max(FMax, FMin);
    Update();
}

void TProgressBar::SetMax(int Value) {
    FMax = Value;
    FMin = std::min(FMin, FMax);
    Update();
}

void TProgressBar::SetPosition(int Value) {
    FPosition = Value;
    Update();
}

void TProgressBar::Update() {
    FPosition = std::clamp(FPosition, FMin, FMax);
    auto* W = static_cast<QProgressBar*>(Widget());
    W->setRange(FMin, FMax);
    W->setValue(FPosition);
}
