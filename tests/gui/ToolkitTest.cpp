// The window toolkit's promises that the windows of the program rely on:
// the step timer's period, modal dialogs and how they close, the user's
// close command, the end of the application, the real message box, the
// radio group's thread-safe index.
#include "Application.h"
#include "Button.h"
#include "Form.h"
#include "GuiTestSupport.h"
#include "MessageBox.h"
#include "RadioGroup.h"
#include "TerminationSignals.h"
#include "Timer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using GuiTest::Later;

namespace {

class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* AOwner) : TForm(AOwner) {
        SetBounds(100, 100, 240, 120);
        Button = new TButton(this);
        Button->SetParent(this);
        Button->SetBounds(20, 20, 75, 25);
        Button->SetTabOrder(0);
    }
    TButton* Button;
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        App = std::make_unique<TApplication>();
        App->SetTitle("Toolkit test");
        App->CreateForm(Main);
        App->CreateForm(Dialog);
        Main->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Main->Widget()));
        // Whatever a broken test would leave waiting ends here.
        Guard = std::make_unique<QTimer>();
        Guard->setSingleShot(true);
        QObject::connect(Guard.get(), &QTimer::timeout, [this] {
            GuardFired = true;
            App->Terminate();
        });
        Guard->start(10000);
    }
    void TearDown() override {
        EXPECT_FALSE(GuardFired) << "the test had to be ended by its guard";
        Guard.reset();
        App.reset();
    }

    std::unique_ptr<TApplication> App;
    TTestForm* Main = nullptr;
    TTestForm* Dialog = nullptr;
    std::unique_ptr<QTimer> Guard;
    bool GuardFired = false;
};

// --- The timer's period -------------------------------------------------

// Each row changes something half-way through the first period and says
// when the first event is due if that change restarts the period, and when
// if it does not. The measured time must be nearer to the promised one than
// to the other; the two are hundreds of milliseconds apart, so a busy
// machine does not decide the result.
struct TPeriodRow {
    const char* Name;
    void (*Change)(TTimer&);
    bool Restarts;
    unsigned NewInterval;
};

void PrintTo(const TPeriodRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

constexpr unsigned Period = 800;
constexpr unsigned ChangeAt = 400;

class TimerPeriodTest : public ToolkitTest, public ::testing::WithParamInterface<TPeriodRow> {};

TEST_P(TimerPeriodTest, FirstEventComesWhenPromised) {
    const TPeriodRow& Row = GetParam();
    TTimer* Timer = new TTimer(Main);
    Timer->SetEnabled(false);
    Timer->SetInterval(Period);

    QElapsedTimer Clock;
    QEventLoop Loop;
    qint64 FiredAt = -1;
    Timer->OnTimer = [&](TComponent*) {
        if (FiredAt < 0)
            FiredAt = Clock.elapsed();
        Loop.quit();
    };
    Clock.start();
    Timer->SetEnabled(true);
    Later([&] { Row.Change(*Timer); }, ChangeAt);
    QTimer::singleShot(4000, &Loop, &QEventLoop::quit);
    Loop.exec();

    ASSERT_GE(FiredAt, 0) << "the timer never fired";
    const double Restarted = ChangeAt + Row.NewInterval;
    const double Kept = Row.NewInterval;
    const double Promised = Row.Restarts ? Restarted : Kept;
    const double Other = Row.Restarts ? Kept : Restarted;
    EXPECT_LT(std::abs(FiredAt - Promised), std::abs(FiredAt - Other))
        << "first event after " << FiredAt << " ms";
    delete Timer;
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, TimerPeriodTest,
    ::testing::Values(TPeriodRow{"UnchangedIntervalKeepsThePeriod",
                                 [](TTimer& T) { T.SetInterval(Period); }, false, Period},
                      TPeriodRow{"EnablingAnEnabledTimerKeepsThePeriod",
                                 [](TTimer& T) { T.SetEnabled(true); }, false, Period},
                      TPeriodRow{"DisableThenEnableRestartsThePeriod",
                                 [](TTimer& T) {
                                     T.SetEnabled(false);
                                     T.SetEnabled(true);
                                 },
                                 true, Period},
                      TPeriodRow{"ChangedIntervalRestartsThePeriod",
                                 [](TTimer& T) { T.SetInterval(Period - 200); }, true,
                                 Period - 200}),
    [](const ::testing::TestParamInfo<TPeriodRow>& Info) { return Info.param.Name; });

TEST_F(ToolkitTest, DisabledTimerStaysSilent) {
    TTimer* Timer = new TTimer(Main);
    Timer->SetInterval(50);
    int Events = 0;
    Timer->OnTimer = [&](TComponent*) { ++Events; };
    Timer->SetEnabled(false);
    QTest::qWait(300);
    EXPECT_EQ(Events, 0);
}

// --- Modal dialogs ------------------------------------------------------

TEST_F(ToolkitTest, CloseInAHandlerReturnsFromShowModalAfterTheHandler) {
    std::vector<std::string> Log;
    Dialog->Button->OnClick = [&](TComponent*) {
        Log.push_back("handler starts");
        Dialog->Close();
        Log.push_back(Dialog->Visible() ? "still shown" : "already hidden");
        Log.push_back("handler ends");
    };
    Main->Button->OnClick = [&](TComponent*) { Log.push_back("main window took input"); };
    Dialog->OnShow = [&](TComponent*) {
        Later([&] {
            Log.push_back(QApplication::activeModalWidget() == Dialog->Widget() ? "modal"
                                                                                : "not modal");
            GuiTest::Click(Main->Button);
            GuiTest::Click(Dialog->Button);
        });
    };

    const int Result = Dialog->ShowModal();
    Log.push_back("ShowModal returned");

    EXPECT_EQ(Result, mrCancel);
    EXPECT_EQ(Log, (std::vector<std::string>{"modal", "handler starts", "still shown",
                                             "handler ends", "ShowModal returned"}));
    EXPECT_FALSE(Dialog->Visible());
    EXPECT_FALSE(Dialog->Widget()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Shown modally again, it runs afresh.
    Dialog->OnShow = [&](TComponent*) { Later([&] { GuiTest::Click(Dialog->Button); }); };
    EXPECT_EQ(Dialog->ShowModal(), mrCancel);
}

TEST_F(ToolkitTest, ClosingAHiddenFormChangesNothing) {
    Dialog->Close();
    EXPECT_FALSE(Dialog->Visible());
    EXPECT_FALSE(App->Terminated());
    EXPECT_TRUE(Main->Visible());
}

// --- The user's close command -------------------------------------------

enum class TCommand { Escape, WindowClose };
enum class TShown { Modal, Normal, MainWindow };

struct TCloseRow {
    const char* Name;
    TShown Shown;
    TCommand Command;
    bool WithHandler;
    int ExpectedHandlerCalls;
    bool ExpectClosed;
    bool ExpectTerminated;
};

void PrintTo(const TCloseRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class CloseCommandTest : public ToolkitTest, public ::testing::WithParamInterface<TCloseRow> {};

TEST_P(CloseCommandTest, ReachesTheHandlerOrCloses) {
    const TCloseRow& Row = GetParam();
    TTestForm* Target = Row.Shown == TShown::MainWindow ? Main : Dialog;
    int HandlerCalls = 0;
    if (Row.WithHandler)
        Target->OnCloseCommand = [&](TComponent*) {
            ++HandlerCalls;
            Target->Close();
        };
    auto Give = [&] {
        if (Row.Command == TCommand::Escape)
            GuiTest::KeyClick(Target->Button, Qt::Key_Escape);
        else
            Target->Widget()->close();
    };

    if (Row.Shown == TShown::Modal) {
        // A command that does not close the dialog leaves it to the button.
        bool ClosedByCommand = false;
        Target->Button->OnClick = [&](TComponent*) { Target->Close(); };
        Target->OnShow = [&](TComponent*) {
            Later([&] {
                Give();
                ClosedByCommand = Target->ModalResult() != mrNone;
                if (!ClosedByCommand)
                    GuiTest::Click(Target->Button);
            });
        };
        EXPECT_EQ(Target->ShowModal(), mrCancel);
        EXPECT_EQ(ClosedByCommand, Row.ExpectClosed);
    } else {
        Target->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Target->Widget()));
        Give();
        EXPECT_EQ(!Target->Visible(), Row.ExpectClosed);
    }
    EXPECT_EQ(HandlerCalls, Row.ExpectedHandlerCalls);
    EXPECT_EQ(App->Terminated(), Row.ExpectTerminated);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, CloseCommandTest,
    ::testing::Values(TCloseRow{"EscapeOnModalGoesToHandler", TShown::Modal, TCommand::Escape, true,
                                1, true, false},
                      TCloseRow{"WindowCloseOnModalGoesToHandler", TShown::Modal,
                                TCommand::WindowClose, true, 1, true, false},
                      TCloseRow{"WindowCloseOnModalWithoutHandlerCloses", TShown::Modal,
                                TCommand::WindowClose, false, 0, true, false},
                      TCloseRow{"EscapeOnPlainWindowDoesNothing", TShown::Normal, TCommand::Escape,
                                false, 0, false, false},
                      TCloseRow{"WindowCloseOfPlainWindowHidesIt", TShown::Normal,
                                TCommand::WindowClose, false, 0, true, false},
                      TCloseRow{"WindowCloseOfMainWindowEndsTheApplication", TShown::MainWindow,
                                TCommand::WindowClose, false, 0, false, true}),
    [](const ::testing::TestParamInfo<TCloseRow>& Info) { return Info.param.Name; });

// --- The end of the application -----------------------------------------

TEST_F(ToolkitTest, ClosingTheMainWindowEndsRunWithAnotherWindowOpen) {
    Later([&] {
        Dialog->Show();
        Main->Widget()->close();
    });
    App->Run();
    EXPECT_TRUE(App->Terminated());
    EXPECT_TRUE(Dialog->Visible());
}

TEST_F(ToolkitTest, TerminateEndsAModalLoopWithCancel) {
    Dialog->OnShow = [&](TComponent*) { Later([&] { App->Terminate(); }); };
    EXPECT_EQ(Dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(Dialog->Visible());
    // Once the application ends, nothing is shown modally any more.
    Dialog->OnShow = [&](TComponent*) { ADD_FAILURE() << "shown after the end"; };
    EXPECT_EQ(Dialog->ShowModal(), mrCancel);
}

// SIGINT, SIGTERM and SIGHUP end whatever loop is running, through the application;
// so does an exit of the window system's application (QCoreApplication::exit),
// which would otherwise end the loop without the application knowing.
struct TSignalRow {
    const char* Name;
    void (*Request)();
    enum { InRun, InShowModal, InMessageBox } Where;
};

void PrintTo(const TSignalRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class TerminationSignalTest : public ToolkitTest,
                              public ::testing::WithParamInterface<TSignalRow> {};

TEST_P(TerminationSignalTest, EndsTheRunningLoop) {
    const TSignalRow& Row = GetParam();
    GuiTest::TExitRequestCleaner Cleaner;
    TTerminationSignals Signals;
    Later(Row.Request);
    switch (Row.Where) {
    case TSignalRow::InRun:
        App->Run();
        break;
    case TSignalRow::InShowModal:
        EXPECT_EQ(Dialog->ShowModal(), mrCancel);
        EXPECT_FALSE(Dialog->Visible());
        break;
    case TSignalRow::InMessageBox:
        EXPECT_EQ(MessageBoxA(Main, "Text", "", MB_OK), IDOK);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        break;
    }
    EXPECT_TRUE(App->Terminated());
}

void RaiseSigterm() {
    std::raise(SIGTERM);
}
void RaiseSigint() {
    std::raise(SIGINT);
}
void RaiseSighup() {
    std::raise(SIGHUP);
}
void ExitQt() {
    QCoreApplication::exit(0);
}
void ExitQtWithACode() {
    QCoreApplication::exit(3);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, TerminationSignalTest,
    ::testing::Values(TSignalRow{"SigtermInRun", RaiseSigterm, TSignalRow::InRun},
                      TSignalRow{"SigintInRun", RaiseSigint, TSignalRow::InRun},
                      TSignalRow{"SighupInRun", RaiseSighup, TSignalRow::InRun},
                      TSignalRow{"SigtermInShowModal", RaiseSigterm, TSignalRow::InShowModal},
                      TSignalRow{"SigintInMessageBox", RaiseSigint, TSignalRow::InMessageBox},
                      TSignalRow{"QtExitInRun", ExitQt, TSignalRow::InRun},
                      TSignalRow{"QtExitInShowModal", ExitQt, TSignalRow::InShowModal},
                      TSignalRow{"QtExitWithACodeInShowModal", ExitQtWithACode,
                                 TSignalRow::InShowModal},
                      TSignalRow{"QtExitInMessageBox", ExitQt, TSignalRow::InMessageBox}),
    [](const ::testing::TestParamInfo<TSignalRow>& Info) { return Info.param.Name; });

// --- The real message box -----------------------------------------------

struct TBoxRow {
    const char* Name;
    const char* Caption;
    const char* ExpectedTitle;
};

void PrintTo(const TBoxRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class MessageBoxTest : public ToolkitTest, public ::testing::WithParamInterface<TBoxRow> {};

TEST_P(MessageBoxTest, ShowsTextTitleAndOwner) {
    const TBoxRow& Row = GetParam();
    QString Title, Text;
    QWidget* Owner = nullptr;
    QMessageBox::Icon Icon = QMessageBox::Warning;
    int Buttons = 0;
    Qt::WindowModality Modality = Qt::NonModal;
    Later([&] {
        auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(Box, nullptr);
        Title = Box->windowTitle();
        Text = Box->text();
        Owner = Box->parentWidget();
        Icon = Box->icon();
        Buttons = static_cast<int>(Box->buttons().size());
        Modality = Box->windowModality();
        Box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(
        MessageBoxA(Main, "BASS.dll nem töltődött be!\r\n(error code: 4)", Row.Caption, MB_OK),
        IDOK);
    EXPECT_EQ(Title.toStdString(), Row.ExpectedTitle);
    EXPECT_EQ(Text.toStdString(), "BASS.dll nem töltődött be!\n(error code: 4)");
    EXPECT_EQ(Owner, Main->Widget());
    EXPECT_EQ(Icon, QMessageBox::NoIcon);
    EXPECT_EQ(Buttons, 1);
    EXPECT_EQ(Modality, Qt::ApplicationModal);
}

INSTANTIATE_TEST_SUITE_P(
    Toolkit, MessageBoxTest,
    ::testing::Values(TBoxRow{"NoCaptionShowsTheApplicationTitle", "", "Toolkit test"},
                      TBoxRow{"OwnCaptionIsShown", "Hiba", "Hiba"}),
    [](const ::testing::TestParamInfo<TBoxRow>& Info) { return Info.param.Name; });

// --- The radio group ----------------------------------------------------

TEST_F(ToolkitTest, RadioGroupIndexFollowsTheUserAndReadsOnAnyThread) {
    auto* Group = new TRadioGroup(Main);
    Group->SetParent(Main);
    Group->SetBounds(20, 50, 120, 60);
    Group->SetCaption("Group");
    Group->SetItems({"First", "Second"});
    Group->SetItemIndex(0);
    int Clicks = 0;
    Group->OnClick = [&](TComponent*) { ++Clicks; };
    QTest::qWait(0);

    auto Buttons = Group->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(Buttons.size(), 2);
    auto ReadOnOtherThread = [&] {
        std::atomic<int> Seen{-2};
        std::thread Reader([&] { Seen = Group->ItemIndex(); });
        Reader.join();
        return Seen.load();
    };
    struct TStepRow {
        const char* What;
        std::function<void()> Act;
        int Expected;
    };
    const TStepRow Steps[] = {
        {"start", [] {}, 0},
        {"user clicks the second", [&] { GuiTest::ClickRadio(Buttons[1]); }, 1},
        {"user clicks the first", [&] { GuiTest::ClickRadio(Buttons[0]); }, 0},
        {"program checks none", [&] { Group->SetItemIndex(-1); }, -1},
        {"program checks the second", [&] { Group->SetItemIndex(1); }, 1},
        {"program asks for an item that is not there", [&] { Group->SetItemIndex(2); }, -1},
    };
    for (const TStepRow& Step : Steps) {
        Step.Act();
        EXPECT_EQ(Group->ItemIndex(), Step.Expected) << Step.What;
        EXPECT_EQ(ReadOnOtherThread(), Step.Expected) << Step.What;
        for (int I = 0; I < 2; ++I)
            EXPECT_EQ(Buttons[I]->isChecked(), I == Step.Expected) << Step.What;
    }
    EXPECT_EQ(Clicks, 2);
}

} // namespace
