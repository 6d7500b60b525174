#include "Label.h"

#include "QtConvert.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>

class TLabelWidget final : public QLabel {
public:
    explicit TLabelWidget(TLabel* ALabel) : FLabel(ALabel) {}

protected:
    // A font inherited from the parent changes without the label being told
    // through the toolkit; the window system tells us here.
    void changeEvent(QEvent* Event) override {
        QLabel::changeEvent(Event);
        if (Event->type() == QEvent::FontChange)
            FLabel->AdjustBounds();
    }

private:
    TLabel* FLabel;
};

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
    auto* W = new TLabelWidget(this);
    W->setTextFormat(Qt::PlainText);
    W->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetWidget(W, true);
    AdjustBounds();
}

void TLabel::SetCaption(const std::string& Value) {
    FCaption = Value;
    static_cast<QLabel*>(Widget())->setText(ToQString(Value));
    AdjustBounds();
}

void TLabel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    AdjustBounds();
}

void TLabel::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Qt::Alignment Horizontal = Qt::AlignLeft;
    if (Value == taCenter)
        Horizontal = Qt::AlignHCenter;
    else if (Value == taRightJustify)
        Horizontal = Qt::AlignRight;
    static_cast<QLabel*>(Widget())->setAlignment(Horizontal | Qt::AlignTop);
    AdjustBounds();
}

void TLabel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    AdjustBounds();
}

void TLabel::FontChanged() {
    AdjustBounds();
}

void TLabel::AdjustBounds() {
    QWidget* W = Widget();
    if (!FAutoSize || W == nullptr)
        return;
    const QFontMetrics Metrics(W->font());
    const int NewWidth = Metrics.horizontalAdvance(ToQString(FCaption));
    const int NewHeight = Metrics.height();
    int NewLeft = W->x();
    if (FAlignment == taRightJustify)
        NewLeft = W->x() + W->width() - NewWidth;
    W->setGeometry(NewLeft, W->y(), NewWidth, NewHeight);
}
