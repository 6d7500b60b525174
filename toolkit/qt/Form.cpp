#include "Form.h"

#include "Application.h"
#include "QtConvert.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QShowEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <vector>

// The window of a form: hands the window system's requests to the form.
class TFormWindow final : public QWidget {
public:
    explicit TFormWindow(TForm* AForm) : QWidget(nullptr, Qt::Window), FForm(AForm) {}

protected:
    // Every close event reaches us from outside the form's own Close(),
    // which hides the window without one: it is the user's close command.
    void closeEvent(QCloseEvent* Event) override {
        Event->ignore();
        FForm->CloseCommand();
    }

    void keyPressEvent(QKeyEvent* Event) override {
        if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier &&
            FForm->IsModal()) {
            FForm->CloseCommand();
            return;
        }
        QWidget::keyPressEvent(Event);
    }

    void showEvent(QShowEvent* Event) override {
        QWidget::showEvent(Event);
        FForm->FrameMayHaveChanged();
        // Spontaneous show events come with de-iconifying; the form was
        // visible all along.
        if (!Event->spontaneous())
            FForm->DoShow();
    }

    // The window manager reports the frame it drew some time after the
    // window appeared, and moves the window as it does so.
    void moveEvent(QMoveEvent* Event) override {
        QWidget::moveEvent(Event);
        FForm->FrameMayHaveChanged();
    }

private:
    TForm* FForm;
};

namespace {

bool ApplicationTerminated() {
    return Application != nullptr && Application->Terminated();
}

} // namespace

TForm::TForm(TComponent* AOwner) : TControl(AOwner) {
    auto* Window = new TFormWindow(this);
    SetWidget(Window, false);
    Window->setAttribute(Qt::WA_QuitOnClose, false);
    SetColor(clBtnFace);
    SetFont(TFont{});
}

TForm::~TForm() = default;

void TForm::SetCaption(const std::string& Value) {
    FCaption = Value;
    Widget()->setWindowTitle(ToQString(Value));
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    ApplyGeometry();
}

void TForm::ApplyGeometry() {
    QWidget* W = Widget();
    // move() places the outer frame; resize() sizes the client area.
    W->move(FLeft, FTop);
    W->resize(std::max(1, FWidth - FFrame[0] - FFrame[2]),
              std::max(1, FHeight - FFrame[1] - FFrame[3]));
}

void TForm::FrameMayHaveChanged() {
    const QWindow* Window = Widget()->windowHandle();
    if (Window == nullptr)
        return;
    const QMargins M = Window->frameMargins();
    const int Frame[4] = {M.left(), M.top(), M.right(), M.bottom()};
    if (std::equal(std::begin(Frame), std::end(Frame), std::begin(FFrame)))
        return;
    std::copy(std::begin(Frame), std::end(Frame), std::begin(FFrame));
    if (FWidth > 0 && FHeight > 0)
        Widget()->resize(std::max(1, FWidth - FFrame[0] - FFrame[2]),
                         std::max(1, FHeight - FFrame[1] - FFrame[3]));
}

int TForm::ClientWidth() const {
    return Widget()->width();
}
int TForm::ClientHeight() const {
    return Widget()->height();
}

void TForm::SetColor(TColor Value) {
    FColor = Value;
    QWidget* W = Widget();
    QPalette Palette = W->palette();
    Palette.setColor(QPalette::Window, ToQColor(Value, QApplication::palette()));
    W->setPalette(Palette);
    W->setAutoFillBackground(true);
}

void* TForm::Handle() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(Widget()->winId()));
}

QWidget* TForm::ClientWidget() const {
    return Widget();
}

void TForm::ApplyTabOrder() {
    std::vector<TControl*> Chain;
    for (int I = 0; I < ComponentCount(); ++I) {
        auto* Control = dynamic_cast<TControl*>(Components(I));
        if (Control != nullptr && Control->Parent() == this && Control->Widget() != nullptr &&
            Control->TabOrder() >= 0)
            Chain.push_back(Control);
    }
    std::stable_sort(Chain.begin(), Chain.end(),
                     [](TControl* A, TControl* B) { return A->TabOrder() < B->TabOrder(); });
    for (std::size_t I = 1; I < Chain.size(); ++I)
        QWidget::setTabOrder(Chain[I - 1]->Widget(), Chain[I]->Widget());
    // The first control that takes the keyboard gets it when the form shows.
    QWidget* W = Widget();
    if (W->focusWidget() == nullptr) {
        for (TControl* Control : Chain) {
            QWidget* Target = Control->Widget()->focusProxy() != nullptr
                                  ? Control->Widget()->focusProxy()
                                  : Control->Widget();
            if ((Target->focusPolicy() & Qt::TabFocus) != 0 && Target->isEnabled()) {
                Target->setFocus(Qt::TabFocusReason);
                break;
            }
        }
    }
}

void TForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TForm::Show() {
    ApplyTabOrder();
    QWidget* W = Widget();
    SetVisible(true);
    W->raise();
    W->activateWindow();
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::Close() {
    if (IsModal()) {
        SetModalResult(mrCancel);
        return;
    }
    if (Application != nullptr && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    Hide();
}

void TForm::CloseCommand() {
    if (OnCloseCommand)
        OnCloseCommand(this);
    else
        Close();
}

void TForm::SetModalResult(int Value) {
    FModalResult = Value;
    // exit() takes effect when control returns to the loop, that is after
    // the handler that asked for it has finished.
    if (Value != mrNone && FModalLoop != nullptr)
        FModalLoop->exit(0);
}

int TForm::ShowModal() {
    if (IsModal() || ApplicationTerminated())
        return mrCancel;
    QWidget* W = Widget();
    const QPointer<QWidget> PreviouslyActive = QApplication::activeWindow();
    W->hide();
    // Modality is read when the window is shown, so it is set while hidden.
    W->setWindowModality(Qt::ApplicationModal);
    FModalResult = mrNone;

    QEventLoop Loop;
    TLoopRegistration Registration(Loop);
    FModalLoop = &Loop;
    Show();
    while (FModalResult == mrNone) {
        if (ApplicationTerminated()) {
            FModalResult = mrCancel;
            break;
        }
        // A loop that cannot run returns non-zero: someone asked the window
        // system's application to quit. That is a request to end the whole
        // program, so it ends the application as Terminate does; the caller
        // of ShowModal then sees Terminated() and stops what it was doing,
        // instead of taking the dialog for one closed by its handlers.
        if (Loop.exec() != 0 && FModalResult == mrNone) {
            FModalResult = mrCancel;
            if (Application != nullptr)
                Application->Terminate();
        }
    }
    FModalLoop = nullptr;
    Hide();
    W->setWindowModality(Qt::NonModal);
    if (PreviouslyActive != nullptr && PreviouslyActive->isVisible())
        PreviouslyActive->activateWindow();
    return FModalResult;
}
