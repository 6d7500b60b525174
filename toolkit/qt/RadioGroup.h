// A captioned frame of radio buttons, one per item, of which at most one is
// checked.
//
// ItemIndex may be read on any thread: the index lives in an atomic integer
// that the main thread updates whenever the checked button changes, so
// reading it never calls into the window system. Everything else belongs to
// the main thread.
#pragma once

#include "Control.h"

#include <atomic>
#include <string>
#include <vector>

class QRadioButton;

class TRadioGroup : public TControl {
public:
    explicit TRadioGroup(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

    const std::vector<std::string>& Items() const { return FItems; }
    // Replaces the buttons; the selection becomes -1.
    void SetItems(const std::vector<std::string>& Value);

    // The checked item, or -1 when none is.
    int ItemIndex() const { return FItemIndex.load(std::memory_order_relaxed); }
    // An index outside the items checks none.
    void SetItemIndex(int Value);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    // Raised when the user checks an item.
    TNotifyEvent OnClick;

protected:
    void FontChanged() override;

private:
    friend class TRadioGroupWidget;
    void ArrangeButtons();
    void UpdateFocusProxy();

    std::string FCaption;
    std::vector<std::string> FItems;
    std::vector<QRadioButton*> FButtons;
    std::atomic<int> FItemIndex{-1};
};
