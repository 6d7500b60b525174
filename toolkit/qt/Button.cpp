#include "Button.h"

#include "QtConvert.h"

#include <QPushButton>

TButton::TButton(TComponent* AOwner) : TControl(AOwner) {
    auto* W = new QPushButton;
    // A button of a plain window is never the default button; Enter is not
    // routed to it behind the user's back.
    W->setAutoDefault(false);
    SetWidget(W, true);
    QObject::connect(W, &QPushButton::clicked, W, [this] { Click(); });
}

void TButton::SetCaption(const std::string& Value) {
    FCaption = Value;
    static_cast<QPushButton*>(Widget())->setText(ToQString(Value));
}

void TButton::Click() {
    if (OnClick)
        OnClick(this);
}
