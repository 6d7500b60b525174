// A captioned frame of radio buttons, one per item, of which at most one is
// checked.
//
// ItemIndex may be read on any thread: the index lives in an atomic integer
// that the main thread updates whenever the checked button changes, so
// reading it never calls into the window system. Everything else belongs to
// the main thread.
//
// The keyboard. The group is one stop of its form's tab chain: Tab enters it
// at the checked button (the first when none is). There the arrow keys
// check and focus the next item (Down, Right) or the one before (Up, Left),
// around from the last to the first, and raise OnClick as a click does;
// Space checks the focused item. For assistive technology the group is
// named by its caption and each button by its item's text.
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
    // The item buttons, in the items' order.
    std::vector<QWidget*> TabStops() const override;

    // Raised when the user checks an item, with the mouse or the keyboard.
    TNotifyEvent OnClick;

protected:
    void FontChanged() override;

private:
    friend class TRadioGroupWidget;
    friend class TRadioItemWidget;
    void ArrangeButtons();
    void UpdateTabStop();
    // Checks and focuses the item Step places after From's, around the ends.
    void MoveSelection(const QRadioButton* From, int Step);

    std::string FCaption;
    std::vector<std::string> FItems;
    std::vector<QRadioButton*> FButtons;
    std::atomic<int> FItemIndex{-1};
};
