#include "VardenFree.h"

#include "Application.h"
#include "Bass.h"
#include "DDFS.h"
#include "FormStream.h"
#include "JpegPicture.h"
#include "MainPicture.h"
#include "MessageBox.h"
#include "StoredForm.h"
#include "Unit3.h"
#include "info.h"

#include <string>

TForm1* Form1 = nullptr;

namespace {

constexpr TProgramStep BasicProgram[] = {
    {10000.0L, 10, "10000"},
    {5000.0L, 20, "5000"},
    {1800.0L, 30, "1800"},
    {1500.0L, 40, "1500"},
    {690.0L, 50, "690"},
    {650.0L, 60, "650"},
    {600.0L, 70, "600"},
    {465.0L, 80, "465"},
    // Two point one six five and two point zero zero eight hertz, as the
    // windows show them. The oscillators advance by whole table entries, so
    // both of these steps sound at about 2 Hz.
    {2.165L, 90, "2.165"},
    {2.008L, 100, "2.008"},
};

constexpr TProgramStep BxProgram[] = {
    {2128.0L, 50, "2128"},
    {3713.0L, 100, "3713"},
};

// Three minutes: the length of a step left to run out.
constexpr unsigned StepInterval = 180000;

constexpr DWORD OutputRate = 44100;

template <class TControlClass>
TControlClass* Place(TForm* Form, int Left, int Top, int Width, int Height) {
    auto* Control = new TControlClass(Form);
    Control->SetParent(Form);
    Control->SetBounds(Left, Top, Width, Height);
    return Control;
}

} // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form1");
    SetCaption("Dr. Varden frekvencia generátor" + std::string(34, ' ') + "Free");
    SetBounds(294, 229, 468, 268);
    SetFont(TFont{});

    TFont Bold;
    Bold.Style = fsBold;
    Bold.Color = clBlue;
    Label1 = Place<TLabel>(this, 320, 88, 0, 13);
    Label1->SetFont(Bold);

    ProgressBar1 = Place<TProgressBar>(this, 264, 112, 150, 17);
    ProgressBar1->SetMin(0);
    ProgressBar1->SetMax(100);
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetTabOrder(0);

    Image1 = Place<TImage>(this, 48, 24, 153, 185);
    TJpegPicture Picture;
    if (DecodeJpeg(MainPictureJpeg, MainPictureJpegSize, Picture))
        Image1->SetPicture(Picture.Width, Picture.Height, Picture.Rgb.data());

    Button3 = Place<TButton>(this, 368, 168, 75, 25);
    Button3->SetCaption("Információ");
    Button3->SetTabOrder(1);
    Button3->OnClick = [this](TComponent* Sender) { Button3Click(Sender); };

    Button4 = Place<TButton>(this, 368, 200, 75, 25);
    Button4->SetCaption("Kilépés");
    Button4->SetTabOrder(2);
    Button4->OnClick = [this](TComponent* Sender) { Button4Click(Sender); };

    // Enabled from the start; a timer event outside a step finds the dialog
    // hidden and the library not initialised, and changes nothing.
    Timer1 = new TTimer(this);
    Timer1->SetInterval(StepInterval);
    Timer1->OnTimer = [this](TComponent* Sender) { Timer1Timer(Sender); };

    Button5 = Place<TButton>(this, 256, 56, 169, 25);
    Button5->SetCaption("BX vírus ellen");
    Button5->SetTabOrder(3);
    Button5->OnClick = [this](TComponent* Sender) { Button5Click(Sender); };

    Button6 = Place<TButton>(this, 256, 24, 169, 25);
    Button6->SetCaption("Varden alap ");
    Button6->SetTabOrder(4);
    Button6->OnClick = [this](TComponent* Sender) { Button6Click(Sender); };

    Label8 = Place<TLabel>(this, 304, 144, 0, 13);

    RadioGroup1 = Place<TRadioGroup>(this, 224, 176, 105, 49);
    RadioGroup1->SetCaption("Kimenő jel formája");
    RadioGroup1->SetItems({"Négyszög", "Szinusz"});
    RadioGroup1->SetItemIndex(0);
    RadioGroup1->SetTabOrder(5);

    ToneGen1 = nullptr;
    ReadComponentText(
        std::string(reinterpret_cast<const char*>(VardenFreeForm), VardenFreeFormSize), *this);
    ToneGen1 = dynamic_cast<TToneGen*>(FindComponent("ToneGen1"));
    if (ToneGen1 == nullptr)
        throw EReadError("The stored form of Form1 has no ToneGen1");

    WaveformSource = this;
}

TForm1::~TForm1() {
    if (WaveformSource == this)
        WaveformSource = nullptr;
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::Button3Click(TComponent*) {
    Form2->Show();
}

void TForm1::Button4Click(TComponent*) {
    Application->Terminate();
}

void TForm1::Button5Click(TComponent*) {
    RunProgram(BxProgram, TProgramEnd::KeepLibrary);
}

void TForm1::Button6Click(TComponent*) {
    RunProgram(BasicProgram, TProgramEnd::FreeLibrary);
}

template <std::size_t N> void TForm1::RunProgram(const TProgramStep (&Steps)[N], TProgramEnd End) {
    Label8->SetCaption("");
    Timer1->SetEnabled(false);
    for (std::size_t K = 0; K < N; ++K) {
        const TProgramStep& Step = Steps[K];
        if (!BASS_Init(-1, OutputRate, 0, Handle(), nullptr)) {
            ShowBassError("BASS.dll nem töltődött be!");
            return;
        }
        Label8->SetCaption(std::string("Aktuális: ") + Step.Text + "HZ");
        ProgressBar1->SetPosition(Step.Progress);
        // No stream exists now, so the audio thread reads neither value.
        CurrentFrequency = Step.Frequency;
        OutputGain = 1.0L;
        StreamHandle = BASS_StreamCreate(OutputRate, 2, 0, RenderStream, nullptr);
        if (StreamHandle == 0) {
            ShowBassError("User-Stream kann nicht angelegt werden!");
            // Released only after the box has shown the failing call's code;
            // a library left initialised would refuse every later run.
            BASS_Free();
            return;
        }
        if (!BASS_ChannelPlay(StreamHandle, 0)) {
            ShowBassError("Wiedergabe kann nicht gestartet werden.");
            BASS_Free();
            return;
        }
        // The timer was disabled, so this begins a full period.
        Timer1->SetEnabled(true);
        Form3->Label1->SetCaption(std::string(Step.Text) + "HZ");
        Form3->ShowModal();
        // A termination request (the main window's end, SIGINT, SIGTERM) ends
        // the dialog without its handlers: stop the sound here and make no
        // further step.
        if (Application != nullptr && Application->Terminated()) {
            BASS_Stop();
            BASS_Free();
            return;
        }
        if (K + 1 < N)
            Timer1->SetEnabled(false);
    }
    Label8->SetCaption("");
    Label1->SetCaption("Vége");
    ProgressBar1->SetPosition(0);
    if (End == TProgramEnd::FreeLibrary)
        BASS_Free();
}

void TForm1::Timer1Timer(TComponent*) {
    ToneGen1->SetLoop(false);
    Form3->Close();
    Timer1->SetInterval(StepInterval);
    ToneGen1->Stop();
    BASS_Stop();
    BASS_Free();
}

void TForm1::ShowBassError(const std::string& Msg) {
    MessageBoxA(this, Msg + "\r\n(error code: " + std::to_string(BASS_ErrorGetCode()) + ")", "",
                MB_OK);
}

std::uint8_t TForm1::SelectedWaveform() const {
    switch (RadioGroup1->ItemIndex()) {
    case 0:
        return DDFS::wfSquare;
    case 1:
        return DDFS::wfSine;
    default:
        return 255;
    }
}
