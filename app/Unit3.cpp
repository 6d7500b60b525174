#include "Unit3.h"

#include "Bass.h"
#include "VardenFree.h"

TForm3* Form3 = nullptr;

TForm3::TForm3(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form3");
    SetCaption("Frekvencia generálása");
    SetBounds(302, 258, 270, 149);
    SetFont(TFont{});

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(104, 32, 56, 24);
    Label1->SetAlignment(taCenter);
    TFont Large;
    Large.Height = 19;
    Large.Color = clBlue;
    Label1->SetFont(Large);
    // Replaced by the frequency before every showing.
    Label1->SetCaption("Label1");

    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(96, 80, 75, 25);
    Button1->SetCaption("Leállítás");
    Button1->SetTabOrder(0);
    Button1->OnClick = [this](TComponent* Sender) { Button1Click(Sender); };

    // The title-bar close button, Alt+F4 and Escape end the step like
    // "Leállítás". Closing the dialog without stopping the sound would leave
    // the library initialised: the step's tone would go on sounding and the
    // next step could not initialise it.
    OnCloseCommand = [this](TComponent* Sender) { Button1Click(Sender); };
}

TForm3::~TForm3() {
    if (Form3 == this)
        Form3 = nullptr;
}

void TForm3::Button1Click(TComponent*) {
    if (Form1 != nullptr) {
        Form1->ToneGen1->Stop();
        Form1->ToneGen1->SetLoop(false);
    }
    BASS_Stop();
    BASS_Free();
    Close();
}
