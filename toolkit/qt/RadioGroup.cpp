#include "RadioGroup.h"

#include "QtConvert.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>

class TRadioGroupWidget final : public QGroupBox {
public:
    explicit TRadioGroupWidget(TRadioGroup* AGroup) : FGroup(AGroup) {}

    // The caption sits on the frame's top line, as in the classic desktop
    // look, so that a group of the designed height has room for its items;
    // the items fill what lies below the caption.
    QRect ItemsArea() const {
        const int CaptionHeight = QFontMetrics(font()).height();
        return QRect(8, CaptionHeight, std::max(1, width() - 16),
                     std::max(1, height() - CaptionHeight - 2));
    }

protected:
    void changeEvent(QEvent* Event) override {
        QGroupBox::changeEvent(Event);
        if (Event->type() == QEvent::FontChange)
            FGroup->ArrangeButtons();
    }

    void paintEvent(QPaintEvent*) override {
        QPainter Painter(this);
        const QFontMetrics Metrics(font());
        // An etched line: a dark one with a light one beside it.
        const QRect Frame = rect().adjusted(0, Metrics.height() / 2, -2, -2);
        Painter.setPen(palette().color(QPalette::Mid));
        Painter.drawRect(Frame);
        Painter.setPen(palette().color(QPalette::Light));
        Painter.drawRect(Frame.translated(1, 1));
        if (title().isEmpty())
            return;
        // The caption interrupts the frame line, a little in from the left
        // unless a wide face would then cut its end off.
        const int TextWidth = Metrics.horizontalAdvance(title());
        const int Left = std::clamp(width() - TextWidth - 2, 0, 6);
        const QRect Caption(Left, 0, TextWidth + 2, Metrics.height());
        Painter.fillRect(Caption, palette().window());
        style()->drawItemText(&Painter, Caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                              QPalette::WindowText);
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

// The items share the area inside the frame evenly, one column, indented
// from the frame's left edge.
void TRadioGroup::ArrangeButtons() {
    auto* W = static_cast<TRadioGroupWidget*>(Widget());
    if (W == nullptr || FButtons.empty())
        return;
    const QRect Area = W->ItemsArea();
    const int Count = static_cast<int>(FButtons.size());
    const int ItemHeight = std::max(1, Area.height() / Count);
    const int Top = Area.top() + (Area.height() - ItemHeight * Count) / 2;
    const int Left = Area.left();
    for (int I = 0; I < Count; ++I)
        FButtons[static_cast<std::size_t>(I)]->setGeometry(
            Left, Top + I * ItemHeight, std::max(1, Area.right() - Left), ItemHeight);
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
