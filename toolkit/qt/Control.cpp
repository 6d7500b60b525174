#include "Control.h"

#include "QtConvert.h"

#include <QEvent>
#include <QWidget>

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
    DestroyComponents();
    delete FWidget;
}

void TControl::SetWidget(QWidget* AWidget, bool AVisible) {
    FWidget = AWidget;
    FVisible = AVisible;
    // A parent widget may delete ours before we do (when the control's owner
    // outlives its parent); forget it then instead of deleting it twice.
    QObject::connect(FWidget, &QObject::destroyed, [this] { FWidget = nullptr; });
}

void TControl::SetParent(TControl* AParent) {
    FParent = AParent;
    if (FWidget == nullptr)
        return;
    FWidget->setParent(AParent != nullptr ? AParent->ClientWidget() : nullptr);
    // Reparenting hides a widget; a visible control shows with its parent.
    FWidget->setVisible(FVisible);
    if (FParentFont)
        FontChanged();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (FWidget != nullptr)
        FWidget->setGeometry(ALeft, ATop, AWidth, AHeight);
}

int TControl::Left() const {
    return FWidget != nullptr ? FWidget->x() : 0;
}
int TControl::Top() const {
    return FWidget != nullptr ? FWidget->y() : 0;
}
int TControl::Width() const {
    return FWidget != nullptr ? FWidget->frameGeometry().width() : 0;
}
int TControl::Height() const {
    return FWidget != nullptr ? FWidget->frameGeometry().height() : 0;
}

void TControl::SetVisible(bool Value) {
    FVisible = Value;
    if (FWidget != nullptr)
        FWidget->setVisible(Value);
}

bool TControl::Enabled() const {
    return FWidget != nullptr && FWidget->isEnabled();
}

void TControl::SetEnabled(bool Value) {
    if (FWidget != nullptr)
        FWidget->setEnabled(Value);
}

void TControl::SetTabOrder(int Value) {
    FTabOrder = Value;
}

const TFont& TControl::Font() const {
    return FParentFont && FParent != nullptr ? FParent->Font() : FFont;
}

void TControl::SetFont(const TFont& Value) {
    FFont = Value;
    FParentFont = false;
    if (FWidget != nullptr) {
        FWidget->setFont(ToQFont(Value));
        QPalette Palette = FWidget->palette();
        ApplyFontColor(Palette, Value);
        FWidget->setPalette(Palette);
    }
    FontChanged();
}
