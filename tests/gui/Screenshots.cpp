// Saves pictures of the program's three windows for the documentation:
// the main window and the generation dialog during the first step of the
// basic program, and the information window. The sound library is the test
// double, so nothing sounds.
//
//   QT_QPA_PLATFORM=offscreen gui_screenshots <folder>
#include "Application.h"
#include "FakeBass.h"
#include "ProgramIcon.h"
#include "Unit3.h"
#include "VardenFree.h"
#include "info.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>

namespace {

// The windows have no frame of their own on the offscreen platform; draw a
// plain title bar with the window's icon above the client area so the
// pictures read as windows.
QImage Framed(TForm* Form) {
    const QPixmap Client = Form->Widget()->grab();
    const int Bar = 22;
    QImage Out(Client.width() + 2, Client.height() + Bar + 1, QImage::Format_RGB32);
    Out.fill(QColor(90, 110, 140));
    QPainter Painter(&Out);
    QFont Font = Form->Widget()->font();
    Font.setBold(true);
    Font.setPixelSize(12);
    Painter.setFont(Font);
    Painter.setPen(Qt::white);
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    Painter.drawPixmap(QRect(4, 3, 16, 16), Form->Widget()->windowIcon().pixmap(32, 32));
    Painter.drawText(QRect(26, 0, Out.width() - 34, Bar), Qt::AlignVCenter | Qt::AlignLeft,
                     Form->Widget()->windowTitle());
    Painter.drawPixmap(1, Bar, Client);
    return Out;
}

bool Save(TForm* Form, const std::string& Path) {
    const bool Ok = Framed(Form).save(QString::fromStdString(Path), "PNG");
    std::printf("%s %s\n", Ok ? "saved" : "FAILED", Path.c_str());
    return Ok;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string Folder = argv[1];
    TApplication App(argc, argv);
    if (!Application->SetIcon(
            {{ProgramIcon32Png, ProgramIcon32PngSize}, {ProgramIcon64Png, ProgramIcon64PngSize}}))
        std::fprintf(stderr, "the program icon did not decode\n");
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Form1->Show();

    bool Ok = true;
    Form3->OnShow = [&](TComponent*) {
        QTimer::singleShot(100, [&] {
            if (Form1->ProgressBar1->Position() == 10) {
                Ok &= Save(Form1, Folder + "/main-window.png");
                Ok &= Save(Form3, Folder + "/generation-dialog.png");
            }
            Form3->Button1->Click();
        });
    };
    QTimer::singleShot(100, [&] {
        Form1->Button6->Click();
        Form2->Show();
        QTimer::singleShot(100, [&] {
            Ok &= Save(Form2, Folder + "/information-window.png");
            Application->Terminate();
        });
    });
    Application->Run();
    return Ok ? 0 : 1;
}
