// A push button with a caption; OnClick is raised when it is pressed with the
// mouse or the keyboard.
//
// The keyboard presses a button that has the focus with Space (on release,
// as with the mouse) and with Enter or Return (on press). No button is a
// default button: Enter on any other control presses none.
#pragma once

#include "Control.h"

#include <string>

class TButton : public TControl {
public:
    explicit TButton(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    // Also the button's name for assistive technology.
    void SetCaption(const std::string& Value);

    // Presses the button from the program.
    void Click();

    TNotifyEvent OnClick;

private:
    std::string FCaption;
};
