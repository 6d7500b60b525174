// The main window: the two frequency programs, their step timer, the
// information button and the waveform choice that the stream callback reads.
//
// A run of a program happens entirely inside its button's click handler on
// the main thread: each step initialises the sound library, shows its texts,
// sets CurrentFrequency and OutputGain, creates and starts the user stream,
// enables Timer1 and shows the generation dialog modally; the dialog's
// "Leállítás" or Timer1Timer stops and releases the library and closes it.
//
// The window's controls are built by its constructor; the components it
// carries beyond them (the tone generator ToneGen1) come from its stored form.
// A stored form that cannot be read fails the construction with EReadError,
// and no window is left behind.
#pragma once

#include "Button.h"
#include "Form.h"
#include "Image.h"
#include "Label.h"
#include "ProgressBar.h"
#include "RadioGroup.h"
#include "RenderStream.h"
#include "Timer.h"
#include "ToneGen.h"

#include <cstdint>
#include <string>

// One step of a frequency program: the frequency written into
// CurrentFrequency, the progress bar's position while it sounds, and the
// frequency as the windows show it (before "HZ").
struct TProgramStep {
    long double Frequency;
    int Progress;
    const char* Text;
};

// What a program does after its last step besides the end texts.
enum class TProgramEnd { KeepLibrary, FreeLibrary };

class TForm1 : public TForm, public TWaveformSource {
public:
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;
    const char* ClassName() const override { return "TForm1"; }

    TLabel* Label1;
    TProgressBar* ProgressBar1;
    TImage* Image1;
    TButton* Button3;
    TButton* Button4;
    TTimer* Timer1;
    // Never played by the programs: every step end stops it and clears its
    // Loop. Created from the stored form (VardenFree.frm) with the window;
    // its creation sets the device to full volume, its destruction with the
    // window puts the saved volume back.
    TToneGen* ToneGen1;
    TButton* Button5;
    TButton* Button6;
    TLabel* Label8;
    TRadioGroup* RadioGroup1;

    // The handle of the last stream created (0 after a failed creation).
    TStreamHandle StreamHandle = 0;

    void Button3Click(TComponent* Sender);
    void Button4Click(TComponent* Sender);
    void Button5Click(TComponent* Sender);
    void Button6Click(TComponent* Sender);
    void Timer1Timer(TComponent* Sender);

    // Shows Msg, a line break and the sound library's current error code in
    // a box owned by this window; call it directly after the failing call.
    void ShowBassError(const std::string& Msg);

    // The waveform number for the radio group's choice: "Négyszög" (0) is
    // the square wave (1), "Szinusz" (1) the sine (0); 255, which the stream
    // callback does not serve, for no choice. Called on the audio thread; it
    // reads the group's index as a plain integer.
    std::uint8_t SelectedWaveform() const override;

private:
    template <std::size_t N> void RunProgram(const TProgramStep (&Steps)[N], TProgramEnd End);
};

extern TForm1* Form1;
