// The information window: the usage text of the program, shown without
// being modal by the main window's "Információ".
#pragma once

#include "Form.h"
#include "Memo.h"

class TForm2 : public TForm {
public:
    explicit TForm2(TComponent* AOwner);
    ~TForm2() override;

    TMemo* Memo1;
};

extern TForm2* Form2;
