// The program's windows driven as the user drives them: whole runs of both
// frequency programs, each way a step can end, each failure of the sound
// library, the waveform choice, the information window, the end of the
// application and the main window's picture. The sound library is the
// scriptable double; everything on screen is the real toolkit.
#include "VardenFree.h"

#include "Application.h"
#include "FakeBass.h"
#include "GuiTestSupport.h"
#include "JpegPicture.h"
#include "MainPicture.h"
#include "MessageBox.h"
#include "RenderStream.h"
#include "TerminationSignals.h"
#include "Unit3.h"
#include "info.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPixmap>
#include <QRadioButton>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using FakeBass::TFunction;
using GuiTest::Later;

namespace {

struct TExpectedStep {
    long double Frequency;
    int Progress;
    std::string Text;
};

const std::vector<TExpectedStep> BasicSteps = {
    {10000.0L, 10, "10000"}, {5000.0L, 20, "5000"},  {1800.0L, 30, "1800"}, {1500.0L, 40, "1500"},
    {690.0L, 50, "690"},     {650.0L, 60, "650"},    {600.0L, 70, "600"},   {465.0L, 80, "465"},
    {2.165L, 90, "2.165"},   {2.008L, 100, "2.008"},
};

const std::vector<TExpectedStep> BxSteps = {{2128.0L, 50, "2128"}, {3713.0L, 100, "3713"}};

enum class TProgram { Basic, Bx };

const std::vector<TExpectedStep>& StepsOf(TProgram Program) {
    return Program == TProgram::Basic ? BasicSteps : BxSteps;
}

// How the user (or the step timer) ends every step's dialog.
enum class TEnding { StopButton, StepTimer, EscapeKey, WindowClose };

// What the windows show while a step's dialog is up.
struct TSeen {
    std::string Dialog;
    std::string Label8;
    std::string Label1;
    int Progress;
    bool TimerEnabled;
    unsigned TimerInterval;
    bool Modal;
    int DialogLabelLeft;
    bool Sounding;
};

class VardenFreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeBass::Reset();
        App = std::make_unique<TApplication>();
        App->CreateForm(Form1);
        App->CreateForm(Form2);
        App->CreateForm(Form3);
        SetMessageBoxHandler([this](const TMessageBoxCall& Call) {
            Boxes.push_back(Call);
            return IDOK;
        });
        Form1->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1->Widget()));
        Guard = std::make_unique<QTimer>();
        Guard->setSingleShot(true);
        QObject::connect(Guard.get(), &QTimer::timeout, [this] {
            GuardFired = true;
            App->Terminate();
        });
        Guard->start(20000);
    }

    void TearDown() override {
        EXPECT_FALSE(GuardFired) << "the test had to be ended by its guard";
        Guard.reset();
        App.reset();
        FakeBass::Reset();
    }

    static TButton* ButtonOf(TProgram Program) {
        return Program == TProgram::Basic ? Form1->Button6 : Form1->Button5;
    }

    static TSeen Look() {
        return TSeen{Form3->Label1->Caption(),
                     Form1->Label8->Caption(),
                     Form1->Label1->Caption(),
                     Form1->ProgressBar1->Position(),
                     Form1->Timer1->Enabled(),
                     Form1->Timer1->Interval(),
                     QApplication::activeModalWidget() == Form3->Widget() && Form3->Visible(),
                     Form3->Label1->Left(),
                     FakeBass::Playing()};
    }

    static void End(TEnding Ending) {
        switch (Ending) {
        case TEnding::StopButton:
            GuiTest::Click(Form3->Button1);
            break;
        case TEnding::StepTimer:
            Form1->Timer1Timer(Form1->Timer1);
            break;
        case TEnding::EscapeKey:
            GuiTest::KeyClick(Form3->Button1, Qt::Key_Escape);
            break;
        case TEnding::WindowClose:
            Form3->Widget()->close();
            break;
        }
    }

    // Presses the program's button and ends every dialog with Ending, from
    // the dialog's own message loop; returns what each dialog showed. During,
    // when given, acts in each dialog first and says whether the dialog is
    // still to be ended.
    std::vector<TSeen> RunProgram(TProgram Program, TEnding Ending,
                                  std::function<bool(int Step)> During = nullptr) {
        std::vector<TSeen> Seen;
        Form3->OnShow = [&](TComponent*) {
            Later([&] {
                Seen.push_back(Look());
                const bool EndIt = !During || During(static_cast<int>(Seen.size()));
                if (EndIt && Form3->IsModal() && Form3->ModalResult() == mrNone)
                    End(Ending);
            });
        };
        GuiTest::Click(ButtonOf(Program));
        Form3->OnShow = nullptr;
        return Seen;
    }

    static std::string StepCalls(int Steps) {
        std::string Text;
        for (int I = 0; I < Steps; ++I)
            Text +=
                std::string(Text.empty() ? "" : " ") + "Init StreamCreate ChannelPlay Stop Free";
        return Text;
    }

    std::unique_ptr<TApplication> App;
    std::vector<TMessageBoxCall> Boxes;
    std::unique_ptr<QTimer> Guard;
    bool GuardFired = false;
};

// --- Whole runs ---------------------------------------------------------

struct TRunRow {
    const char* Name;
    TProgram Program;
    TEnding Ending;
};

void PrintTo(const TRunRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class ProgramRunTest : public VardenFreeTest, public ::testing::WithParamInterface<TRunRow> {};

TEST_P(ProgramRunTest, PassesEveryStepInOrderAndEndsWithVege) {
    const TRunRow& Row = GetParam();
    const auto& Steps = StepsOf(Row.Program);
    const int N = static_cast<int>(Steps.size());

    std::vector<long double> Frequencies, Gains;
    FakeBass::OnCall = [&](const FakeBass::TCall& Call) {
        if (Call.Function == TFunction::StreamCreate) {
            Frequencies.push_back(CurrentFrequency);
            Gains.push_back(OutputGain);
        }
    };
    // The main window takes no input while a dialog is shown.
    auto TryMainWindow = [](int Step) {
        if (Step == 1) {
            GuiTest::Click(Form1->Button6);
            GuiTest::Click(Form1->Button3);
            GuiTest::Click(Form1->Button4);
        }
        return true;
    };
    const std::vector<TSeen> Seen = RunProgram(Row.Program, Row.Ending, TryMainWindow);

    ASSERT_EQ(static_cast<int>(Seen.size()), N);
    for (int K = 0; K < N; ++K) {
        SCOPED_TRACE("step " + std::to_string(K + 1));
        EXPECT_EQ(Seen[K].Dialog, Steps[K].Text + "HZ");
        EXPECT_EQ(Seen[K].Label8, "Aktuális: " + Steps[K].Text + "HZ");
        EXPECT_EQ(Seen[K].Label1, "");
        EXPECT_EQ(Seen[K].Progress, Steps[K].Progress);
        EXPECT_TRUE(Seen[K].TimerEnabled);
        EXPECT_EQ(Seen[K].TimerInterval, 180000u);
        EXPECT_TRUE(Seen[K].Modal);
        EXPECT_EQ(Seen[K].DialogLabelLeft, 104);
        EXPECT_TRUE(Seen[K].Sounding);
    }
    EXPECT_FALSE(Form2->Visible()) << "the information window opened during the run";
    EXPECT_FALSE(App->Terminated()) << "Kilépés worked during the run";

    EXPECT_EQ(Form1->Label8->Caption(), "");
    EXPECT_EQ(Form1->Label1->Caption(), "Vége");
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_FALSE(FakeBass::Initialised());
    EXPECT_TRUE(Boxes.empty());

    // Every step initialises, creates and starts its stream, and the dialog's
    // end stops and frees the library; the basic program frees it once more.
    EXPECT_EQ(FakeBass::SequenceText(),
              StepCalls(N) + (Row.Program == TProgram::Basic ? " Free" : ""));
    TStreamHandle LastStream = 0;
    for (const FakeBass::TCall& Call : FakeBass::Calls()) {
        if (Call.Function == TFunction::Init) {
            EXPECT_EQ(Call.Device, -1);
            EXPECT_EQ(Call.Freq, 44100u);
            EXPECT_EQ(Call.Flags, 0u);
            EXPECT_EQ(Call.Win, Form1->Handle());
            EXPECT_EQ(Call.DeviceGuid, nullptr);
        } else if (Call.Function == TFunction::StreamCreate) {
            EXPECT_EQ(Call.Freq, 44100u);
            EXPECT_EQ(Call.Chans, 2u);
            EXPECT_EQ(Call.Flags, 0u);
            EXPECT_EQ(Call.Proc, &RenderStream);
            EXPECT_EQ(Call.User, nullptr);
            LastStream = static_cast<TStreamHandle>(Call.Result);
        } else if (Call.Function == TFunction::ChannelPlay) {
            EXPECT_EQ(Call.Handle, LastStream);
            EXPECT_EQ(Call.Restart, 0);
        }
    }
    EXPECT_EQ(Form1->StreamHandle, LastStream);
    ASSERT_EQ(static_cast<int>(Frequencies.size()), N);
    for (int K = 0; K < N; ++K) {
        // Exact: 2.165 and 2.008 are the extended values nearest to them.
        EXPECT_EQ(Frequencies[K], Steps[K].Frequency) << "step " << K + 1;
        EXPECT_EQ(Gains[K], 1.0L) << "step " << K + 1;
    }

    // A second run shows "Vége" from the first all the while.
    FakeBass::Reset();
    const std::vector<TSeen> Again = RunProgram(Row.Program, Row.Ending);
    ASSERT_EQ(static_cast<int>(Again.size()), N);
    for (const TSeen& S : Again)
        EXPECT_EQ(S.Label1, "Vége");
    EXPECT_EQ(Form1->Label1->Caption(), "Vége");
    EXPECT_EQ(FakeBass::SequenceText(),
              StepCalls(N) + (Row.Program == TProgram::Basic ? " Free" : ""));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ProgramRunTest,
    ::testing::Values(TRunRow{"BasicByStopButton", TProgram::Basic, TEnding::StopButton},
                      TRunRow{"BasicByStepTimer", TProgram::Basic, TEnding::StepTimer},
                      TRunRow{"BasicByEscapeKey", TProgram::Basic, TEnding::EscapeKey},
                      TRunRow{"BasicByWindowClose", TProgram::Basic, TEnding::WindowClose},
                      TRunRow{"BxByStopButton", TProgram::Bx, TEnding::StopButton},
                      TRunRow{"BxByStepTimer", TProgram::Bx, TEnding::StepTimer},
                      TRunRow{"BxByEscapeKey", TProgram::Bx, TEnding::EscapeKey},
                      TRunRow{"BxByWindowClose", TProgram::Bx, TEnding::WindowClose}),
    [](const ::testing::TestParamInfo<TRunRow>& Info) { return Info.param.Name; });

TEST_F(VardenFreeTest, StepTimerOutsideAStepChangesNothing) {
    Form1->Timer1Timer(Form1->Timer1);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->Label8->Caption(), "");
    EXPECT_EQ(Form1->Timer1->Interval(), 180000u);
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_EQ(FakeBass::SequenceText(), "Stop Free");
    EXPECT_TRUE(Boxes.empty());
}

// --- Failures of the sound library --------------------------------------

struct TFailureRow {
    const char* Name;
    TProgram Program;
    TFunction Failing;
    int Occurrence;
    std::int32_t Code;
    const char* Message;
    const char* Label8;
    int Progress;
    const char* Calls;
    bool StreamHandleZero;
};

void PrintTo(const TFailureRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class FailureTest : public VardenFreeTest, public ::testing::WithParamInterface<TFailureRow> {};

TEST_P(FailureTest, ShowsTheErrorEndsTheRunAndReleasesTheLibrary) {
    const TFailureRow& Row = GetParam();
    FakeBass::FailAt(Row.Failing, Row.Occurrence, Row.Code);
    RunProgram(Row.Program, TEnding::StopButton);

    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, Row.Message);
    EXPECT_EQ(Boxes[0].Caption, "");
    EXPECT_EQ(Boxes[0].Style, static_cast<unsigned>(MB_OK));
    EXPECT_EQ(Boxes[0].Owner, Form1);

    EXPECT_EQ(Form1->Label8->Caption(), Row.Label8);
    EXPECT_EQ(Form1->ProgressBar1->Position(), Row.Progress);
    EXPECT_EQ(Form1->Label1->Caption(), "");
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->StreamHandle == 0, Row.StreamHandleZero);
    // The code shown is the failing call's: the box asks for it before the
    // library is released.
    EXPECT_EQ(FakeBass::SequenceText(), Row.Calls);
    EXPECT_FALSE(FakeBass::Initialised());

    // So the next run starts and completes.
    Boxes.clear();
    FakeBass::Reset();
    EXPECT_EQ(RunProgram(TProgram::Bx, TEnding::StopButton).size(), 2u);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(Form1->Label1->Caption(), "Vége");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FailureTest,
    ::testing::Values(
        TFailureRow{"InitAtTheFirstStep", TProgram::Basic, TFunction::Init, 1, beNoOutput,
                    "BASS.dll nem töltődött be!\r\n(error code: 4)", "", 0, "Init ErrorGetCode",
                    true},
        TFailureRow{"InitAtALaterStep", TProgram::Basic, TFunction::Init, 3, beNoSuchDevice,
                    "BASS.dll nem töltődött be!\r\n(error code: 3)", "Aktuális: 5000HZ", 20,
                    "Init StreamCreate ChannelPlay Stop Free Init StreamCreate ChannelPlay Stop "
                    "Free Init ErrorGetCode",
                    false},
        TFailureRow{
            "StreamCreate", TProgram::Bx, TFunction::StreamCreate, 2, beFormat,
            "User-Stream kann nicht angelegt werden!\r\n(error code: 5)", "Aktuális: 3713HZ", 100,
            "Init StreamCreate ChannelPlay Stop Free Init StreamCreate ErrorGetCode Free", true},
        TFailureRow{
            "ChannelPlayWithANegativeCode", TProgram::Basic, TFunction::ChannelPlay, 1,
            beUnknown, "Wiedergabe kann nicht gestartet werden.\r\n(error code: -1)",
            "Aktuális: 10000HZ", 10, "Init StreamCreate ChannelPlay ErrorGetCode Free", false}),
    [](const ::testing::TestParamInfo<TFailureRow>& Info) { return Info.param.Name; });

// --- Ending the program -------------------------------------------------

TEST_F(VardenFreeTest, SigtermDuringAStepStopsTheSoundAndMakesNoFurtherStep) {
    TTerminationSignals Signals;
    const std::vector<TSeen> Seen = RunProgram(TProgram::Basic, TEnding::StopButton, [](int Step) {
        if (Step < 2)
            return true;
        std::raise(SIGTERM);
        return false;
    });
    EXPECT_TRUE(App->Terminated());
    EXPECT_EQ(Seen.size(), 2u);
    // The second step's sound is stopped by the run itself, as the dialog
    // ended without its handler.
    EXPECT_EQ(FakeBass::SequenceText(), StepCalls(2));
    EXPECT_FALSE(FakeBass::Initialised());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->Label1->Caption(), "");
}

struct TExitRow {
    const char* Name;
    void (*Exit)();
};

void PrintTo(const TExitRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class ExitTest : public VardenFreeTest, public ::testing::WithParamInterface<TExitRow> {};

TEST_P(ExitTest, EndsTheApplicationWithTheInformationWindowOpen) {
    Later([&] {
        GuiTest::Click(Form1->Button3);
        ASSERT_TRUE(Form2->Visible());
        GetParam().Exit();
    });
    App->Run();
    EXPECT_TRUE(App->Terminated());
    EXPECT_TRUE(FakeBass::Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ExitTest,
    ::testing::Values(TExitRow{"Kilepes", [] { GuiTest::Click(Form1->Button4); }},
                      TExitRow{"MainWindowClose", [] { Form1->Widget()->close(); }}),
    [](const ::testing::TestParamInfo<TExitRow>& Info) { return Info.param.Name; });

// --- The waveform choice ------------------------------------------------

TEST_F(VardenFreeTest, RadioGroupChoosesTheWaveformTheStreamReads) {
    auto ReadAsTheAudioThreadDoes = [] {
        std::atomic<int> Waveform{-1};
        std::thread Audio([&] { Waveform = WaveformSource->SelectedWaveform(); });
        Audio.join();
        return Waveform.load();
    };
    ASSERT_EQ(WaveformSource, Form1);
    auto Buttons = Form1->RadioGroup1->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(Buttons.size(), 2);
    struct TChoiceRow {
        const char* What;
        std::function<void()> Choose;
        int ItemIndex;
        int Waveform;
    };
    const TChoiceRow Rows[] = {
        {"at start Négyszög, the square wave", [] {}, 0, 1},
        {"Szinusz, the sine", [&] { GuiTest::ClickRadio(Buttons[1]); }, 1, 0},
        {"Négyszög again", [&] { GuiTest::ClickRadio(Buttons[0]); }, 0, 1},
        {"no choice: a number the stream does not serve",
         [] { Form1->RadioGroup1->SetItemIndex(-1); }, -1, 255},
    };
    for (const TChoiceRow& Row : Rows) {
        Row.Choose();
        EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), Row.ItemIndex) << Row.What;
        EXPECT_EQ(Form1->SelectedWaveform(), Row.Waveform) << Row.What;
        EXPECT_EQ(ReadAsTheAudioThreadDoes(), Row.Waveform) << Row.What;
    }

    // During a step the callback reads the choice made before the run.
    GuiTest::ClickRadio(Buttons[1]);
    std::vector<int> DuringSteps;
    RunProgram(TProgram::Bx, TEnding::StopButton, [&](int) {
        DuringSteps.push_back(ReadAsTheAudioThreadDoes());
        return true;
    });
    EXPECT_EQ(DuringSteps, (std::vector<int>{0, 0}));
}

// --- The information window ---------------------------------------------

TEST_F(VardenFreeTest, InformationTwiceShowsOneWindowInFront) {
    GuiTest::Click(Form1->Button3);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form2->Widget()));
    Form1->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1->Widget()));
    GuiTest::Click(Form1->Button3);
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form2->Widget()));

    int Shown = 0;
    for (QWidget* W : QApplication::topLevelWidgets())
        if (W->isVisible() && W->windowTitle() == QStringLiteral("Információ"))
            ++Shown;
    EXPECT_EQ(Shown, 1);

    // Closing it only hides it; it comes back with the same text.
    const auto Text = Form2->Memo1->Lines();
    Form2->Widget()->close();
    EXPECT_FALSE(Form2->Visible());
    GuiTest::Click(Form1->Button3);
    EXPECT_TRUE(Form2->Visible());
    EXPECT_EQ(Form2->Memo1->Lines(), Text);
}

TEST_F(VardenFreeTest, MemoHoldsTheUsageTextReadOnlyAndCopyable) {
    TMemo* Memo = Form2->Memo1;
    const std::vector<std::string> Lines = Memo->Lines();
    ASSERT_EQ(Memo->LineCount(), 42);
    ASSERT_EQ(Lines.size(), 42u);
    // The lines whose wording is fixed, and the blank lines between the
    // sections.
    const std::pair<int, const char*> Fixed[] = {
        {0, "A program használata:"},
        {1, ""},
        {7, ""},
        {8, "Alap Dr. Varden frekvenciák: "},
        {10, "Kezelés ideje: 30 perc"},
        {11, ""},
        {12, "BX vírus:"},
        {14, "Kezelés ideje: 6 perc"},
        {15, ""},
        {16, "A kezelés a kiválasztott gomb megnyomásával indul."},
        {17, "Az aktuális frekvencia leolvasható, a program befejezését a \"Vége\""},
        {18, "felirat jelzi."},
        {19, ""},
        {20, "A PC hangerőszabályzóját maximumra kell állítani, ez erősítő beállítása egyéni"},
        {21, "érzékenység szerint."},
        {22, ""},
        {23, "A program nem orvosi célokra készült, mindenki saját felelőségére használhatja!"},
        {24, "Várandós kismamák és szívritmus szabályzóval élők nem használhatják!"},
        {25, ""},
        {35, ""},
        {36, "További információ:"},
        {41, ""},
    };
    for (const auto& [Index, Text] : Fixed)
        EXPECT_EQ(Lines[static_cast<std::size_t>(Index)], Text) << "line " << Index + 1;

    Form2->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form2->Widget()));
    GuiTest::Click(Memo);
    GuiTest::KeyClick(Memo, Qt::Key_X);
    GuiTest::KeyClick(Memo, Qt::Key_Backspace);
    GuiTest::KeyClick(Memo, Qt::Key_Return);
    EXPECT_EQ(Memo->Lines(), Lines) << "the memo took an edit";

    QApplication::clipboard()->clear();
    QTest::keyClick(GuiTest::WindowOf(Memo), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(GuiTest::WindowOf(Memo), Qt::Key_C, Qt::ControlModifier);
    std::string Joined;
    for (std::size_t I = 0; I < Lines.size(); ++I)
        Joined += (I == 0 ? "" : "\n") + Lines[I];
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Joined);
}

// --- The main window's picture ------------------------------------------

TEST_F(VardenFreeTest, PictureIsDrawnUnscaledFromTheTopLeftAndClipped) {
    TJpegPicture Picture;
    ASSERT_TRUE(DecodeJpeg(MainPictureJpeg, MainPictureJpegSize, Picture));
    ASSERT_EQ(Picture.Width, 166);
    ASSERT_EQ(Picture.Height, 182);

    TImage* Image = Form1->Image1;
    ASSERT_EQ(Image->Width(), 153);
    ASSERT_EQ(Image->Height(), 185);
    const QImage Shot = Form1->Widget()
                            ->grab(QRect(Image->Left(), Image->Top(), 153, 185))
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(Shot.size(), QSize(153, 185));

    int Mismatches = 0;
    for (int Y = 0; Y < 182; ++Y)
        for (int X = 0; X < 153; ++X) {
            const std::uint8_t* P = &Picture.Rgb[(static_cast<std::size_t>(Y) * 166 + X) * 3];
            if (Shot.pixel(X, Y) != qRgb(P[0], P[1], P[2]))
                ++Mismatches;
        }
    EXPECT_EQ(Mismatches, 0) << "pixels differ from the decoded picture";
    // Below the picture the window's face shows through.
    const QRgb Face = Form1->Widget()->palette().color(QPalette::Window).rgb();
    for (int Y = 182; Y < 185; ++Y)
        for (int X : {0, 76, 152})
            EXPECT_EQ(Shot.pixel(X, Y), Face) << X << "," << Y;
}

} // namespace
