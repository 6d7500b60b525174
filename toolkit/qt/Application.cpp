#include "Application.h"

#include "Form.h"
#include "MessageDialog.h"
#include "QtConvert.h"

#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QPixmap>
#include <algorithm>

TApplication* Application = nullptr;

namespace {

// The window system wants an argument vector that outlives its application
// object; a TApplication made without one lends it this.
int DefaultArgc = 1;
char DefaultProgram[] = "DrVardenFree";
char* DefaultArgv[] = {DefaultProgram, nullptr};

} // namespace

TApplication::TApplication(int& argc, char** argv) : TComponent(nullptr) {
    if (QApplication::instance() == nullptr)
        FOwnQtApplication = std::make_unique<QApplication>(argc, argv);
    Setup();
}

TApplication::TApplication() : TComponent(nullptr) {
    if (QApplication::instance() == nullptr)
        FOwnQtApplication = std::make_unique<QApplication>(DefaultArgc, DefaultArgv);
    Setup();
}

void TApplication::Setup() {
    Application = this;
    // The application ends when its main form closes, not when the last
    // window does: the information window may still be open, and a hidden
    // main form during start-up must not end anything.
    QApplication::setQuitOnLastWindowClosed(false);
    FTitle = ToStdString(QApplication::applicationName());
    FPreviousMessageBox = SetMessageBoxHandler(ShowMessageDialog);
}

TApplication::~TApplication() {
    FMainForm = nullptr;
    DestroyComponents();
    SetMessageBoxHandler(std::move(FPreviousMessageBox));
    if (FPreviousIcon != nullptr)
        QApplication::setWindowIcon(*FPreviousIcon);
    if (Application == this)
        Application = nullptr;
}

void TApplication::FormCreated(TForm* Form) {
    if (FMainForm == nullptr)
        FMainForm = Form;
}

void TApplication::Run() {
    if (FTerminated)
        return;
    if (FMainForm != nullptr)
        FMainForm->Show();
    QEventLoop Loop;
    TLoopRegistration Registration(Loop);
    while (!FTerminated) {
        // Non-zero: the window system's application was asked to quit.
        if (Loop.exec() != 0)
            Terminate();
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    for (QEventLoop* Loop : FLoops)
        Loop->exit(0);
}

bool TApplication::SetIcon(std::initializer_list<TIconImage> Images) {
    QIcon Icon;
    for (const TIconImage& Image : Images) {
        QPixmap Pixmap;
        if (!Pixmap.loadFromData(Image.Data, static_cast<unsigned>(Image.Size), "PNG"))
            return false;
        Icon.addPixmap(Pixmap);
    }
    if (FPreviousIcon == nullptr)
        FPreviousIcon = std::make_unique<QIcon>(QApplication::windowIcon());
    QApplication::setWindowIcon(Icon);
    return true;
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TApplication::EnterLoop(QEventLoop* Loop) {
    FLoops.push_back(Loop);
}

void TApplication::LeaveLoop(QEventLoop* Loop) {
    FLoops.erase(std::remove(FLoops.begin(), FLoops.end(), Loop), FLoops.end());
}
