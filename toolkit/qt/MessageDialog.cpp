#include "MessageDialog.h"

#include "Application.h"
#include "Control.h"
#include "QtConvert.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QWidget>

namespace {

QMessageBox::Icon IconOf(unsigned Style) {
    switch (Style & 0xF0u) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int ShowMessageDialog(const TMessageBoxCall& Call) {
    if (Application != nullptr && Application->Terminated())
        return IDOK;

    QWidget* Parent = nullptr;
    if (const auto* Control = dynamic_cast<const TControl*>(Call.Owner);
        Control != nullptr && Control->Widget() != nullptr)
        Parent = Control->Widget()->window();

    std::string Caption = Call.Caption;
    if (Caption.empty() && Application != nullptr)
        Caption = Application->Title();
    QString Text = ToQString(Call.Text);
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QMessageBox Box(IconOf(Call.Style), ToQString(Caption), Text, QMessageBox::Ok, Parent);
    Box.setWindowModality(Qt::ApplicationModal);
    Box.setTextFormat(Qt::PlainText);

    QEventLoop Loop;
    QObject::connect(&Box, &QMessageBox::finished, &Loop, [&Loop] { Loop.exit(0); });
    TLoopRegistration Registration(Loop);
    Box.show();
    while (Box.isVisible() && !(Application != nullptr && Application->Terminated())) {
        // Non-zero: the window system's application was asked to quit, which
        // ends the program as Terminate does.
        if (Loop.exec() != 0) {
            if (Application != nullptr)
                Application->Terminate();
            break;
        }
    }
    return IDOK;
}
