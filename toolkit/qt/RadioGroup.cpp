#include "RadioGroup.h"

#include "QtConvert.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QRadioButton>
#include <algorithm>

class TRadioGroupWidget final : public QGroupBox {
public:
    explicit TRadioGroupWidget(TRadioGroup* AGroup) : FGroup(AGroup) {}

protected:
    void changeEvent(QEvent* Event) override {
        QGroupBox::changeEvent(Event);
        if (Event->type() == QEvent::FontChange)
            FGroup->ArrangeButtons();
    }

    void resizeEvent(QResizeEvent* Event) override {
        QGroupBox::resizeEvent(Event);
        FGroup->ArrangeButtons();
    }

private:
    TRadioGroup* FGroup;
};

TRadioGroup::TRadioGroup(TComponent* AOwner) : TControl(AOwner) {
    SetWidget(new TRadioGroupWidget(this), true);
}

void TRadioGroup::SetCaption(const std::string& Value) {
    FCaption = Value;
    static_cast<QGroupBox*>(Widget())->setTitle(ToQString(Value));
    ArrangeButtons();
}

void TRadioGroup::SetItems(const std::vector<std::string>& Value) {
    for (QRadioButton* Button : FButtons)
        delete Button;
    FButtons.clear();
    FItems = Value;
    FItemIndex.store(-1, std::memory_order_relaxed);
    for (std::size_t I = 0; I < FItems.size(); ++I) {
        auto* Button = new QRadioButton(ToQString(FItems[I]), Widget());
        const int Index = static_cast<int>(I);
        QObject::connect(Button, &QRadioButton::toggled, Button, [this, Index](bool Checked) {
            if (!Checked)
                return;
            FItemIndex.store(Index, std::memory_order_relaxed);
            UpdateFocusProxy();
        });
        // Only the user's click raises OnClick, not a change by the program.
        QObject::connect(Button, &QRadioButton::clicked, Button, [this] {
            if (OnClick)
                OnClick(this);
        });
        Button->show();
        FButtons.push_back(Button);
    }
    ArrangeButtons();
    UpdateFocusProxy();
}

void TRadioGroup::SetItemIndex(int Value) {
    if (Value < 0 || Value >= static_cast<int>(FButtons.size())) {
        // Radio buttons refuse to be unchecked while they exclude each
        // other, so the exclusion is lifted for the moment.
        for (QRadioButton* Button : FButtons) {
            Button->setAutoExclusive(false);
            Button->setChecked(false);
            Button->setAutoExclusive(true);
        }
        FItemIndex.store(-1, std::memory_order_relaxed);
    } else {
        FButtons[static_cast<std::size_t>(Value)]->setChecked(true);
    }
    UpdateFocusProxy();
}

void TRadioGroup::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    ArrangeButtons();
}

void TRadioGroup::FontChanged() {
    ArrangeButtons();
}

// The items share the height below the caption evenly, one column, indented
// from the frame.
void TRadioGroup::ArrangeButtons() {
    QWidget* W = Widget();
    if (W == nullptr || FButtons.empty())
        return;
    const int CaptionHeight = QFontMetrics(W->font()).height();
    const int Count = static_cast<int>(FButtons.size());
    const int Available = W->height() - CaptionHeight - 4;
    const int ItemHeight = std::max(1, Available / Count);
    const int Top = CaptionHeight + 1 + (Available - ItemHeight * Count) / 2;
    for (int I = 0; I < Count; ++I)
        FButtons[static_cast<std::size_t>(I)]->setGeometry(
            8, Top + I * ItemHeight, std::max(1, W->width() - 16), ItemHeight);
}

// The keyboard enters the group at its checked button, or at the first one.
void TRadioGroup::UpdateFocusProxy() {
    if (FButtons.empty()) {
        Widget()->setFocusProxy(nullptr);
        return;
    }
    const int Index = ItemIndex();
    Widget()->setFocusProxy(FButtons[static_cast<std::size_t>(Index >= 0 ? Index : 0)]);
}
