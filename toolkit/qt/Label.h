// A line of static text. With AutoSize (the default) the label's size
// follows its text and font; the left edge stays put, except that a
// right-justified label keeps its right edge.
#pragma once

#include "Control.h"

#include <string>

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    void FontChanged() override;

private:
    friend class TLabelWidget;
    void AdjustBounds();

    std::string FCaption;
    bool FAutoSize = true;
    TAlignment FAlignment = taLeftJustify;
};
