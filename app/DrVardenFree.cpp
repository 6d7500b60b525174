// Program start: the three windows, in the order the program relies on (the
// first is the main window), and the message loop until the application
// ends. The oscillator bank has built its tables before main runs.
#include "Application.h"
#include "FormStream.h"
#include "MessageBox.h"
#include "ProgramIcon.h"
#include "TerminationSignals.h"
#include "Unit3.h"
#include "VardenFree.h"
#include "info.h"

int main(int argc, char* argv[]) {
    TApplication App(argc, argv);
    // SIGINT, SIGTERM and SIGHUP end the program like "Kilépés": loops end, a
    // running step stops its sound, the windows are destroyed, and the tone
    // generator puts the device volume back.
    TTerminationSignals Signals;
    Application->Initialize();
    Application->SetTitle("DrVardenFree");
    // Compiled-in images that the tests decode; a failure would only leave
    // the window system's default icon, so the result is not examined.
    Application->SetIcon(
        {{ProgramIcon32Png, ProgramIcon32PngSize}, {ProgramIcon64Png, ProgramIcon64PngSize}});
    // A main window whose stored form cannot be read is not shown half
    // built: the program says why and ends.
    try {
        Application->CreateForm(Form1);
    } catch (const EReadError& Error) {
        MessageBoxA(nullptr, Error.what(), "", MB_OK | MB_ICONERROR);
        return 1;
    }
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Application->Run();
    return 0;
}
