// The generation dialog, shown modally for exactly one step of a frequency
// program with the step's frequency; "Leállítás" ends the step.
#pragma once

#include "Button.h"
#include "Form.h"
#include "Label.h"

class TForm3 : public TForm {
public:
    explicit TForm3(TComponent* AOwner);
    ~TForm3() override;

    TLabel* Label1;
    TButton* Button1;

    // "Leállítás": stops and releases the sound library, then closes the
    // dialog. The dialog's own close command does the same.
    void Button1Click(TComponent* Sender);
};

extern TForm3* Form3;
