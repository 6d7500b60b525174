// A push button with a caption; OnClick is raised when it is pressed with the
// mouse or the keyboard.
#pragma once

#include "Control.h"

#include <string>

class TButton : public TControl {
public:
    explicit TButton(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

    // Presses the button from the program.
    void Click();

    TNotifyEvent OnClick;

private:
    std::string FCaption;
};
