// A top-level window of the toolkit, shown normally (Show) or modally
// (ShowModal).
//
// Left, Top, Width and Height of a form are its outer geometry, frame and
// title bar included, as the window was designed; the client area is what
// the window system leaves inside that frame.
//
// Closing. Close() is the program's request: a modal form is marked to close
// with mrCancel and its ShowModal returns once the handler that is running
// has finished; the main form ends the application; any other form hides.
// The user's own close command (the title-bar button, the system menu,
// Alt+F4, and Escape on a modal form) is a different thing: it goes to
// OnCloseCommand when that is set, so a form can treat it like one of its
// buttons, and falls back to Close() otherwise.
#pragma once

#include "Control.h"

#include <string>

class QEventLoop;

enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
};

class TForm : public TControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);

    // Outer geometry; see the header comment.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    int ClientWidth() const;
    int ClientHeight() const;

    // The face colour of the client area (clBtnFace unless set).
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    // The window-system handle of the form's window.
    void* Handle() const;

    // Shows the form, or brings it to the front when it is already shown.
    void Show();
    void Hide();
    void Close();

    // Shows the form modally to the whole application and runs its message
    // loop until the form is closed or the application terminates; returns
    // the modal result (mrCancel when the application terminated). A request
    // to the window system's application to quit (QCoreApplication::exit)
    // terminates the application too.
    int ShowModal();
    bool IsModal() const { return FModalLoop != nullptr; }
    int ModalResult() const { return FModalResult; }
    // A non-zero result ends the modal loop once the running handler returns.
    void SetModalResult(int Value);

    // Raised every time the form becomes visible.
    TNotifyEvent OnShow;
    // Raised for the user's close command instead of closing the form.
    TNotifyEvent OnCloseCommand;

    // The user's close command, as the window system delivers it.
    void CloseCommand();

protected:
    QWidget* ClientWidget() const override;

private:
    friend class TFormWindow;

    void ApplyTabOrder();
    void ApplyGeometry();
    void FrameMayHaveChanged();
    void DoShow();

    std::string FCaption;
    TColor FColor = clBtnFace;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    // The frame the window system drew last time we looked (left, top,
    // right, bottom); none until it says otherwise.
    int FFrame[4] = {0, 0, 0, 0};
    QEventLoop* FModalLoop = nullptr;
    int FModalResult = mrNone;
};
