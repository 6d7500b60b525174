#include "Button.h"

#include "QtConvert.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

class TButtonWidget final : public QPushButton {
protected:
    // Qt presses a focused button with Enter only when the button may
    // become a window's default button; ours never does, so Enter and
    // Return are handled here. Held down, the key presses the button once.
    void keyPressEvent(QKeyEvent* Event) override {
        const bool EnterKey = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
        if (EnterKey && (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Event->accept();
            if (!Event->isAutoRepeat())
                click();
            return;
        }
        QPushButton::keyPressEvent(Event);
    }
};

} // namespace

TButton::TButton(TComponent* AOwner) : TControl(AOwner) {
    auto* W = new TButtonWidget;
    // A button of a plain window is never the default button; Enter is not
    // routed to it behind the user's back.
    W->setAutoDefault(false);
    W->setFocusPolicy(Qt::StrongFocus);
    SetWidget(W, true);
    QObject::connect(W, &QPushButton::clicked, W, [this] { Click(); });
}

void TButton::SetCaption(const std::string& Value) {
    FCaption = Value;
    auto* W = static_cast<QPushButton*>(Widget());
    W->setText(ToQString(Value));
    W->setAccessibleName(WithoutMnemonics(Value));
}

void TButton::Click() {
    if (OnClick)
        OnClick(this);
}
