// The application object: owns the forms, runs the message loop and ends it.
//
// There is one at a time, reachable through the global Application while it
// exists. It creates the window system's application object when none exists
// yet (tests keep one for the whole process and create a TApplication per
// test), installs the real message box behind MessageBoxA, and frees its
// forms, the last created first, when it is destroyed.
#pragma once

#include "Component.h"
#include "MessageBox.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QApplication;
class QEventLoop;
class QIcon;
class TForm;

class TApplication : public TComponent {
public:
    // argc and argv must outlive the object, as main's do.
    TApplication(int& argc, char** argv);
    TApplication();
    ~TApplication() override;

    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Nothing to prepare beyond the constructor; kept so that the program
    // start reads as the usual Initialize, CreateForm..., Run.
    void Initialize() {}

    // Creates a form owned by the application and stores it in Reference.
    // The first form created becomes the main form: closing it ends the
    // application.
    template <class TFormClass> void CreateForm(TFormClass*& Reference) {
        Reference = new TFormClass(this);
        FormCreated(Reference);
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main form and runs the message loop until Terminate.
    void Run();
    // Ends the message loop and every modal loop running inside it. Safe to
    // call at any time on the main thread, also before Run.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Handles the events that are waiting, then returns.
    void ProcessMessages();

    // One image of the program's icon: the bytes of a PNG file.
    struct TIconImage {
        const std::uint8_t* Data;
        std::size_t Size;
    };
    // Gives every window of the application the icon made of Images, one per
    // size; the window system takes the size nearest to what it draws. False,
    // with the icon left as it was, when an image cannot be decoded. The icon
    // before the first call comes back when the application object goes.
    bool SetIcon(std::initializer_list<TIconImage> Images);

    // The default caption of message boxes; the program's name unless set.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    // For the toolkit's modal loops: a loop registered here is ended by
    // Terminate.
    void EnterLoop(QEventLoop* Loop);
    void LeaveLoop(QEventLoop* Loop);

private:
    void Setup();
    void FormCreated(TForm* Form);

    std::unique_ptr<QApplication> FOwnQtApplication;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    std::string FTitle;
    std::vector<QEventLoop*> FLoops;
    TMessageBoxHandler FPreviousMessageBox;
    // The icon to put back at destruction; none while SetIcon was not called.
    std::unique_ptr<QIcon> FPreviousIcon;
};

extern TApplication* Application;

// Registers a message loop with the application (when there is one) for as
// long as the object lives, so that Terminate ends the loop.
class TLoopRegistration {
public:
    explicit TLoopRegistration(QEventLoop& Loop) : FLoop(Loop) {
        if (Application != nullptr)
            Application->EnterLoop(&FLoop);
    }
    ~TLoopRegistration() {
        if (Application != nullptr)
            Application->LeaveLoop(&FLoop);
    }
    TLoopRegistration(const TLoopRegistration&) = delete;
    TLoopRegistration& operator=(const TLoopRegistration&) = delete;

private:
    QEventLoop& FLoop;
};
