#include "RadioGroup.h"

#include "QtConvert.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
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

// One item of the group. The window system moves among auto-exclusive
// buttons with the arrow keys by where they sit on the screen and stops at
// the ends; the group moves by the items' order and goes around.
class TRadioItemWidget final : public QRadioButton {
public:
    TRadioItemWidget(const QString& Text, QWidget* Parent, TRadioGroup* AGroup)
        : QRadioButton(Text, Parent), FGroup(AGroup) {}

protected:
    void keyPressEvent(QKeyEvent* Event) override {
        int Step = 0;
        if ((Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (Event->key() == Qt::Key_Down || Event->key() == Qt::Key_Right)
                Step = 1;
            else if (Event->key() == Qt::Key_Up || Event->key() == Qt::Key_Left)
                Step = -1;
        }
        if (Step == 0) {
            QRadioButton::keyPressEvent(Event);
            return;
        }
        Event->accept();
        FGroup->MoveSelection(this, Step);
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
    // The frame draws its caption as it is, ampersands included.
    Widget()->setAccessibleName(ToQString(Value));
    ArrangeButtons();
}

void TRadioGroup::SetItems(const std::vector<std::string>& Value) {
    for (QRadioButton* Button : FButtons)
        delete Button;
    FButtons.clear();
    FItems = Value;
    FItemIndex.store(-1, std::memory_order_relaxed);
    for (std::size_t I = 0; I < FItems.size(); ++I) {
        auto* Button = new TRadioItemWidget(ToQString(FItems[I]), Widget(), this);
        Button->setAccessibleName(WithoutMnemonics(FItems[I]));
        const int Index = static_cast<int>(I);
        QObject::connect(Button, &QRadioButton::toggled, Button, [this, Index](bool Checked) {
            if (!Checked)
                return;
            FItemIndex.store(Index, std::memory_order_relaxed);
            UpdateTabStop();
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
    UpdateTabStop();
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
    UpdateTabStop();
}

void TRadioGroup::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    ArrangeButtons();
}

std::vector<QWidget*> TRadioGroup::TabStops() const {
    return std::vector<QWidget*>(FButtons.begin(), FButtons.end());
}

void TRadioGroup::MoveSelection(const QRadioButton* From, int Step) {
    const auto Found = std::find(FButtons.begin(), FButtons.end(), From);
    if (Found == FButtons.end())
        return;
    const int Count = static_cast<int>(FButtons.size());
    const int Index = static_cast<int>(Found - FButtons.begin());
    const int Next = ((Index + Step) % Count + Count) % Count;
    if (Next == Index)
        return;
    QRadioButton* Target = FButtons[static_cast<std::size_t>(Next)];
    Target->setFocus(Step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    // As the user's click: checks the item and raises OnClick.
    Target->click();
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

// The keyboard enters the group at its checked button, or at the first one:
// that button is the group's only stop for Tab. The others still take the
// focus from a click, which checks them. The frame itself never takes the
// keyboard; with a focus proxy it would, at its own place in the chain.
void TRadioGroup::UpdateTabStop() {
    const int Index = ItemIndex();
    for (std::size_t I = 0; I < FButtons.size(); ++I) {
        const bool Entry = static_cast<int>(I) == (Index >= 0 ? Index : 0);
        FButtons[I]->setFocusPolicy(Entry ? Qt::StrongFocus : Qt::ClickFocus);
    }
}
