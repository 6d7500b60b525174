#include "Memo.h"

#include "QtConvert.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace {

QPlainTextEdit* Edit(QWidget* W) {
    return static_cast<QPlainTextEdit*>(W);
}

} // namespace

TMemo::TMemo(TComponent* AOwner) : TControl(AOwner) {
    auto* W = new QPlainTextEdit;
    W->setTabChangesFocus(true);
    SetWidget(W, true);
    SetWordWrap(FWordWrap);
    SetScrollBars(FScrollBars);
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> Result;
    for (QTextBlock Block = Edit(Widget())->document()->begin(); Block.isValid();
         Block = Block.next())
        Result.push_back(ToStdString(Block.text()));
    return Result;
}

void TMemo::SetLines(const std::vector<std::string>& Value) {
    QStringList Text;
    for (const std::string& Line : Value)
        Text.append(ToQString(Line));
    Edit(Widget())->setPlainText(Text.join(QLatin1Char('\n')));
}

int TMemo::LineCount() const {
    return Edit(Widget())->document()->blockCount();
}

void TMemo::SetReadOnly(bool Value) {
    FReadOnly = Value;
    QPlainTextEdit* W = Edit(Widget());
    W->setReadOnly(Value);
    // Read-only boxes still take the keyboard for selecting and copying.
    if (Value)
        W->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void TMemo::SetWordWrap(bool Value) {
    FWordWrap = Value;
    Edit(Widget())->setLineWrapMode(Value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    QPlainTextEdit* W = Edit(Widget());
    const bool Horizontal = Value == ssHorizontal || Value == ssBoth;
    const bool Vertical = Value == ssVertical || Value == ssBoth;
    W->setHorizontalScrollBarPolicy(Horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    W->setVerticalScrollBarPolicy(Vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SelectAll() {
    Edit(Widget())->selectAll();
}

std::string TMemo::SelText() const {
    // The selection separates paragraphs with U+2029; the memo's lines are
    // separated by line feeds.
    QString Text = Edit(Widget())->textCursor().selectedText();
    Text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return ToStdString(Text);
}

void TMemo::CopyToClipboard() {
    Edit(Widget())->copy();
}
