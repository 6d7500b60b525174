// The program's windows driven as the user drives them: whole runs of both
// frequency programs, each way a step can end, each failure of the sound
// library, the waveform choice, the information window, the end of the
// application and the main window's picture. The sound library is the
// scriptable double; everything on screen is the real toolkit.
#include "VardenFree.h"

#include "Application.h"
#include "DDFS.h"
#include "FakeBass.h"
#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "FormStream.h"
#include "GuiTestSupport.h"
#include "JpegPicture.h"
#include "MainPicture.h"
#include "MessageBox.h"
#include "ProgramIcon.h"
#include "RenderStream.h"
#include "StoredForm.h"
#include "TerminationSignals.h"
#include "Unit3.h"
#include "info.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
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

// How the user (or the step timer) ends every step's dialog. With
// FirstByRealTimer the test shortens Timer1's interval before the run, so
// that the timer's own event ends the first step inside the dialog's modal
// loop; the steps after it, back at the full interval, end by "Leállítás".
enum class TEnding { StopButton, StepTimer, EscapeKey, WindowClose, FirstByRealTimer };

// Short enough for a test to wait for, long enough for the dialog to be up
// and looked at first.
constexpr unsigned ShortInterval = 100;

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
        FakeVolume = TFakeVolumeDevice{};
        FakeSoundPlayer = TFakeSoundPlayer{};
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
        case TEnding::FirstByRealTimer:
            // The short period is the timer's to end.
            if (Form1->Timer1->Interval() != ShortInterval)
                GuiTest::Click(Form3->Button1);
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

// --- The windows as designed --------------------------------------------

// What the user sees of a window or a component when the program starts.
// Auto-sized labels have no designed width and height; a font or colour that
// the design leaves to the window is not checked.
constexpr int AutoSized = -1;
constexpr int NoTabStop = -1;
constexpr int AnyFont = 0;
constexpr QRgb Black = 0xFF000000;
constexpr QRgb Blue = 0xFF0000FF;
constexpr QRgb AnyColour = 0;

struct TLookRow {
    const char* Name;
    TControl* (*Component)();
    // The caption or text; none where the design gives none that is seen.
    std::optional<std::string> Text;
    int Left, Top, Width, Height;
    int TabOrder;
    int FontHeight;
    bool Bold;
    QRgb Colour;
    // The settings of this kind of component, checked on its widget.
    void (*AlsoCheck)();
};

void PrintTo(const TLookRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

// The text as the toolkit holds it and as the widget shows it.
std::pair<std::string, QString> TextsOf(TControl* Control) {
    if (auto* Form = dynamic_cast<TForm*>(Control))
        return {Form->Caption(), Form->Widget()->windowTitle()};
    if (auto* Button = dynamic_cast<TButton*>(Control))
        return {Button->Caption(), static_cast<QPushButton*>(Button->Widget())->text()};
    if (auto* Label = dynamic_cast<TLabel*>(Control))
        return {Label->Caption(), static_cast<QLabel*>(Label->Widget())->text()};
    if (auto* Group = dynamic_cast<TRadioGroup*>(Control))
        return {Group->Caption(), static_cast<QGroupBox*>(Group->Widget())->title()};
    ADD_FAILURE() << "no text to compare on this component";
    return {};
}

void ProgressRangeIs0To100() {
    TProgressBar* Bar = Form1->ProgressBar1;
    EXPECT_EQ(Bar->Min(), 0);
    EXPECT_EQ(Bar->Max(), 100);
    EXPECT_EQ(Bar->Position(), 0);
    auto* W = static_cast<QProgressBar*>(Bar->Widget());
    EXPECT_EQ(W->minimum(), 0);
    EXPECT_EQ(W->maximum(), 100);
    EXPECT_EQ(W->value(), 0);
}

void SquareAndSineWithSquareChosen() {
    TRadioGroup* Group = Form1->RadioGroup1;
    EXPECT_EQ(Group->Items(), (std::vector<std::string>{"Négyszög", "Szinusz"}));
    EXPECT_EQ(Group->ItemIndex(), 0);
    const auto Buttons = Group->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(Buttons.size(), 2);
    EXPECT_EQ(Buttons[0]->text(), QStringLiteral("Négyszög"));
    EXPECT_EQ(Buttons[1]->text(), QStringLiteral("Szinusz"));
    EXPECT_TRUE(Buttons[0]->isChecked());
    EXPECT_FALSE(Buttons[1]->isChecked());
}

void CentredWithItsLeftEdgeKept() {
    TLabel* Label = Form3->Label1;
    EXPECT_EQ(Label->Alignment(), taCenter);
    EXPECT_TRUE(static_cast<QLabel*>(Label->Widget())->alignment() & Qt::AlignHCenter);
    Label->SetCaption("10000HZ");
    EXPECT_EQ(Label->Left(), 104);
    Label->SetCaption("2.008HZ");
    EXPECT_EQ(Label->Left(), 104);
}

void ReadOnlyWrappedWithoutScrollBars() {
    TMemo* Memo = Form2->Memo1;
    EXPECT_TRUE(Memo->ReadOnly());
    EXPECT_EQ(Memo->ScrollBars(), ssNone);
    EXPECT_TRUE(Memo->WordWrap());
    auto* W = static_cast<QPlainTextEdit*>(Memo->Widget());
    EXPECT_TRUE(W->isReadOnly());
    EXPECT_EQ(W->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(W->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(W->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

void CreatedHidden(TForm* Form) {
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->Widget()->isVisible());
}

class DesignedLookTest : public VardenFreeTest, public ::testing::WithParamInterface<TLookRow> {};

TEST_P(DesignedLookTest, MatchesTheDesign) {
    const TLookRow& Row = GetParam();
    TControl* Control = Row.Component();
    ASSERT_NE(Control, nullptr);
    QWidget* W = Control->Widget();

    if (Row.Text) {
        const auto [Held, Shown] = TextsOf(Control);
        EXPECT_EQ(Held, *Row.Text);
        EXPECT_EQ(Shown.toStdString(), *Row.Text);
    }
    EXPECT_EQ(Control->Left(), Row.Left);
    EXPECT_EQ(Control->Top(), Row.Top);
    if (Row.Width != AutoSized) {
        EXPECT_EQ(Control->Width(), Row.Width);
        EXPECT_EQ(Control->Height(), Row.Height);
    }
    EXPECT_EQ(Control->TabOrder(), Row.TabOrder);
    if (Row.FontHeight != AnyFont) {
        EXPECT_EQ(Control->Font().Name, "MS Sans Serif");
        EXPECT_EQ(W->font().pixelSize(), Row.FontHeight);
        EXPECT_EQ(W->font().bold(), Row.Bold);
    }
    if (Row.Colour != AnyColour) {
        EXPECT_EQ(W->palette().color(W->foregroundRole()).rgba(), Row.Colour);
    }
    if (Row.AlsoCheck != nullptr)
        Row.AlsoCheck();
}

// The designed values, written down from the window designs, not from the
// code that builds the windows.
INSTANTIATE_TEST_SUITE_P(
    Forms, DesignedLookTest,
    ::testing::Values(
        TLookRow{"Form1", []() -> TControl* { return Form1; },
                 "Dr. Varden frekvencia generátor" + std::string(34, ' ') + "Free", 294, 229, 468,
                 268, NoTabStop, 11, false, Black, nullptr},
        TLookRow{"Form1Label1", []() -> TControl* { return Form1->Label1; }, "", 320, 88, AutoSized,
                 AutoSized, NoTabStop, 11, true, Blue, nullptr},
        TLookRow{"Form1ProgressBar1", []() -> TControl* { return Form1->ProgressBar1; },
                 std::nullopt, 264, 112, 150, 17, 0, AnyFont, false, AnyColour,
                 ProgressRangeIs0To100},
        TLookRow{"Form1Image1", []() -> TControl* { return Form1->Image1; }, std::nullopt, 48, 24,
                 153, 185, NoTabStop, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form1Button3", []() -> TControl* { return Form1->Button3; }, "Információ", 368,
                 168, 75, 25, 1, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form1Button4", []() -> TControl* { return Form1->Button4; }, "Kilépés", 368, 200,
                 75, 25, 2, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form1Button5", []() -> TControl* { return Form1->Button5; }, "BX vírus ellen",
                 256, 56, 169, 25, 3, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form1Button6", []() -> TControl* { return Form1->Button6; }, "Varden alap ", 256,
                 24, 169, 25, 4, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form1Label8", []() -> TControl* { return Form1->Label8; }, "", 304, 144,
                 AutoSized, AutoSized, NoTabStop, 11, false, Black, nullptr},
        TLookRow{"Form1RadioGroup1", []() -> TControl* { return Form1->RadioGroup1; },
                 "Kimenő jel formája", 224, 176, 105, 49, 5, AnyFont, false, AnyColour,
                 SquareAndSineWithSquareChosen},
        TLookRow{"Form3", []() -> TControl* { return Form3; }, "Frekvencia generálása", 302, 258,
                 270, 149, NoTabStop, 11, false, AnyColour, [] { CreatedHidden(Form3); }},
        TLookRow{"Form3Label1", []() -> TControl* { return Form3->Label1; }, std::nullopt, 104, 32,
                 AutoSized, AutoSized, NoTabStop, 19, false, Blue, CentredWithItsLeftEdgeKept},
        TLookRow{"Form3Button1", []() -> TControl* { return Form3->Button1; }, "Leállítás", 96, 80,
                 75, 25, 0, AnyFont, false, AnyColour, nullptr},
        TLookRow{"Form2", []() -> TControl* { return Form2; }, "Információ", 264, 70, 502, 643,
                 NoTabStop, 11, false, AnyColour, [] { CreatedHidden(Form2); }},
        TLookRow{"Form2Memo1", []() -> TControl* { return Form2->Memo1; }, std::nullopt, 16, 16,
                 457, 553, 0, 11, false, AnyColour, ReadOnlyWrappedWithoutScrollBars}),
    [](const ::testing::TestParamInfo<TLookRow>& Info) { return Info.param.Name; });

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
    const bool ShortFirstStep = Row.Ending == TEnding::FirstByRealTimer;
    if (ShortFirstStep)
        Form1->Timer1->SetInterval(ShortInterval);
    const std::vector<TSeen> Seen = RunProgram(Row.Program, Row.Ending, TryMainWindow);

    ASSERT_EQ(static_cast<int>(Seen.size()), N);
    for (int K = 0; K < N; ++K) {
        SCOPED_TRACE("step " + std::to_string(K + 1));
        EXPECT_EQ(Seen[K].Dialog, Steps[K].Text + "HZ");
        EXPECT_EQ(Seen[K].Label8, "Aktuális: " + Steps[K].Text + "HZ");
        EXPECT_EQ(Seen[K].Label1, "");
        EXPECT_EQ(Seen[K].Progress, Steps[K].Progress);
        EXPECT_TRUE(Seen[K].TimerEnabled);
        // Timer1Timer, run by the timer's own event, puts the full interval
        // back for every later step.
        EXPECT_EQ(Seen[K].TimerInterval, ShortFirstStep && K == 0 ? ShortInterval : 180000u);
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
                      TRunRow{"BxByWindowClose", TProgram::Bx, TEnding::WindowClose},
                      TRunRow{"BxFirstStepByTheRealTimer", TProgram::Bx,
                              TEnding::FirstByRealTimer}),
    [](const ::testing::TestParamInfo<TRunRow>& Info) { return Info.param.Name; });

TEST_F(VardenFreeTest, StepTimerOutsideAStepChangesNothing) {
    Form1->Timer1Timer(Form1->Timer1);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->Label8->Caption(), "");
    EXPECT_EQ(Form1->Timer1->Interval(), 180000u);
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_EQ(FakeBass::SequenceText(), "Stop Free");
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(Form1->ToneGen1->Loop());
    EXPECT_EQ(FakeSoundPlayer.Calls.size(), 1u);
}

// --- The main window's tone generator -----------------------------------

TEST_F(VardenFreeTest, ToneGeneratorComesWithItsDesignValues) {
    TToneGen* Gen = Form1->ToneGen1;
    ASSERT_NE(Gen, nullptr);
    EXPECT_EQ(Gen->Owner(), Form1);
    EXPECT_EQ(Gen->Name(), "ToneGen1");
    EXPECT_FALSE(Gen->IsLoading());
    EXPECT_EQ(Gen->Duration(), 30000);
    EXPECT_TRUE(Gen->Loop());
    EXPECT_EQ(Gen->AMAmplitude(), 0);
    EXPECT_EQ(Gen->AMWaveform(), tgSquare);
    EXPECT_EQ(Gen->AMFrequency(), 0.5f);
    EXPECT_EQ(Gen->DesignInfo(), 8 + 8 * 65536);
    // Everything else is the component's default.
    EXPECT_EQ(Gen->Frequency(), 440);
    EXPECT_EQ(Gen->Waveform(), tgSine);
    EXPECT_TRUE(Gen->Async());
    EXPECT_EQ(Gen->Resolution(), tg16Bit);
    EXPECT_EQ(Gen->Quality(), tgHiQ);
    EXPECT_EQ(Gen->LeftVolume(), 100);
    EXPECT_EQ(Gen->RightVolume(), 100);
    EXPECT_FALSE(Gen->Stereo());
    EXPECT_EQ(Gen->AMLevel(), tgAMLevel1);
    EXPECT_TRUE(Gen->AMUseMultiplier());
    EXPECT_EQ(
        std::make_tuple(Gen->Attack(), Gen->Hold(), Gen->Decay(), Gen->Sustain(), Gen->Release()),
        std::make_tuple(10, 5, 20, 50, 30));
    for (int K = 0; K < AMLevelCount; ++K) {
        const auto Row = Gen->AMRow(static_cast<TTGAMLevel>(K));
        EXPECT_EQ(Row.Amplitude, 0) << K;
        EXPECT_EQ(Row.Waveform, K == 0 ? tgSquare : tgSine) << K;
        EXPECT_EQ(Row.Frequency, (K + 1) / 2.0f) << K;
    }
    // Still to be rendered at a first play, and never played by the window.
    EXPECT_TRUE(Gen->ToneDirty());
    EXPECT_EQ(Gen->GetDataBuffer(), nullptr);
    EXPECT_TRUE(FakeSoundPlayer.Plays().empty());
    // Creation with the window set the device to full volume.
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0xFFFFFFFF});
    // The stored form in the repository is exactly what the window would
    // store of itself: nothing in it is lost or left to a reader's defaults.
    EXPECT_EQ(WriteComponentText(*Form1),
              std::string(reinterpret_cast<const char*>(VardenFreeForm), VardenFreeFormSize));
}

// At every step end, by either handler, the tone generator is stopped and
// its Loop cleared at their places among the handler's other steps.
TEST_F(VardenFreeTest, EveryStepEndStopsTheToneGeneratorAndClearsItsLoop) {
    for (const TEnding Ending : {TEnding::StopButton, TEnding::StepTimer}) {
        Form1->ToneGen1->SetLoop(true);
        std::string Order;
        FakeBass::OnCall = [&](const FakeBass::TCall& Call) {
            if (Call.Function != TFunction::Stop)
                return;
            // At BASS_Stop: the player has just been told to stop, Loop is
            // false, and the timer's handler has already closed the dialog.
            Order += !FakeSoundPlayer.Calls.empty() && FakeSoundPlayer.Calls.back().Stop
                         ? "stopped "
                         : "playing ";
            Order += Form1->ToneGen1->Loop() ? "looped " : "unlooped ";
            Order += Form3->ModalResult() == mrNone ? "open;" : "closed;";
            FakeSoundPlayer.Calls.clear();
        };
        FakeSoundPlayer.Calls.clear();
        RunProgram(TProgram::Bx, Ending, [&](int) {
            // The first step's end clears Loop; the second finds it false.
            EXPECT_EQ(Form1->ToneGen1->Loop(), Order.empty());
            return true;
        });
        FakeBass::OnCall = nullptr;
        const std::string Dialog = Ending == TEnding::StepTimer ? "closed;" : "open;";
        EXPECT_EQ(Order, "stopped unlooped " + Dialog + "stopped unlooped " + Dialog);
        EXPECT_FALSE(Form1->ToneGen1->Loop());
        EXPECT_TRUE(Form1->ToneGen1->Stopped());
        EXPECT_TRUE(FakeSoundPlayer.Plays().empty());
    }
}

TEST_F(VardenFreeTest, ExitPutsTheSavedDeviceVolumeBack) {
    // Set to full at creation (the fake reports 0x12345678 as the volume
    // before), put back when the window goes with the application.
    EXPECT_EQ(FakeVolume.SetValues(), std::vector<std::uint32_t>{0xFFFFFFFF});
    Later([] { GuiTest::Click(Form1->Button4); });
    App->Run();
    App.reset();
    EXPECT_EQ(FakeVolume.SetValues(), (std::vector<std::uint32_t>{0xFFFFFFFF, 0x12345678}));
}

// --- Failures of the sound library --------------------------------------

struct TFailureRow {
    const char* Name;
    TProgram Program;
    // When non-zero, a run of the same program has failed before, at this
    // step's initialisation, and left its step texts and progress behind.
    int EarlierRunFailsAtStep;
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
    if (Row.EarlierRunFailsAtStep != 0) {
        FakeBass::FailAt(TFunction::Init, Row.EarlierRunFailsAtStep, beNoOutput);
        RunProgram(Row.Program, TEnding::StopButton);
        ASSERT_EQ(Boxes.size(), 1u);
        const TExpectedStep& Left = StepsOf(Row.Program)[Row.EarlierRunFailsAtStep - 2];
        ASSERT_EQ(Form1->Label8->Caption(), "Aktuális: " + Left.Text + "HZ");
        ASSERT_EQ(Form1->ProgressBar1->Position(), Left.Progress);
        Boxes.clear();
        FakeBass::Reset();
    }
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
        TFailureRow{"InitAtTheFirstStep", TProgram::Basic, 0, TFunction::Init, 1, beNoOutput,
                    "BASS.dll nem töltődött be!\r\n(error code: 4)", "", 0, "Init ErrorGetCode",
                    true},
        // The run empties what the failed one left in Label8 before anything
        // else, and the progress stays as the failed run left it.
        TFailureRow{"InitAtTheFirstStepAfterARunThatFailedAtStep3", TProgram::Basic, 3,
                    TFunction::Init, 1, beNoOutput, "BASS.dll nem töltődött be!\r\n(error code: 4)",
                    "", 20, "Init ErrorGetCode", false},
        TFailureRow{"InitAtALaterStep", TProgram::Basic, 0, TFunction::Init, 3, beNoSuchDevice,
                    "BASS.dll nem töltődött be!\r\n(error code: 3)", "Aktuális: 5000HZ", 20,
                    "Init StreamCreate ChannelPlay Stop Free Init StreamCreate ChannelPlay Stop "
                    "Free Init ErrorGetCode",
                    false},
        TFailureRow{
            "StreamCreate", TProgram::Bx, 0, TFunction::StreamCreate, 2, beFormat,
            "User-Stream kann nicht angelegt werden!\r\n(error code: 5)", "Aktuális: 3713HZ", 100,
            "Init StreamCreate ChannelPlay Stop Free Init StreamCreate ErrorGetCode Free", true},
        TFailureRow{"ChannelPlayWithANegativeCode", TProgram::Basic, 0, TFunction::ChannelPlay, 1,
                    beUnknown, "Wiedergabe kann nicht gestartet werden.\r\n(error code: -1)",
                    "Aktuális: 10000HZ", 10, "Init StreamCreate ChannelPlay ErrorGetCode Free",
                    false}),
    [](const ::testing::TestParamInfo<TFailureRow>& Info) { return Info.param.Name; });

// --- Ending the program -------------------------------------------------

// A request to end the program while a step sounds: the dialog ends without
// its handlers, so the run itself stops the sound and makes no further step.
struct TEndRequestRow {
    const char* Name;
    void (*Request)();
};

void PrintTo(const TEndRequestRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class EndRequestTest : public VardenFreeTest,
                       public ::testing::WithParamInterface<TEndRequestRow> {};

TEST_P(EndRequestTest, DuringAStepStopsTheSoundAndMakesNoFurtherStep) {
    GuiTest::TExitRequestCleaner Cleaner;
    TTerminationSignals Signals;
    const std::vector<TSeen> Seen = RunProgram(TProgram::Basic, TEnding::StopButton, [](int Step) {
        if (Step < 2)
            return true;
        GetParam().Request();
        return false;
    });
    EXPECT_TRUE(App->Terminated());
    EXPECT_EQ(Seen.size(), 2u);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(FakeBass::SequenceText(), StepCalls(2));
    EXPECT_FALSE(FakeBass::Initialised());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->Label1->Caption(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EndRequestTest,
    ::testing::Values(TEndRequestRow{"Sigterm", [] { std::raise(SIGTERM); }},
                      // Code elsewhere in the process ending the window
                      // system's application rather than ours.
                      TEndRequestRow{"ExitOfTheQtApplication", [] { QCoreApplication::exit(0); }}),
    [](const ::testing::TestParamInfo<TEndRequestRow>& Info) { return Info.param.Name; });

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

// The samples of each step, pulled from the stream as the sound library's
// thread pulls them, are those of the table that the choice made before the
// run selects. The expected frames come from the oscillator bank's own
// routines, frame by frame from the phase at which the step's stream begins.
struct TWaveformRow {
    const char* Name;
    // The radio button clicked before the run; -1 for none.
    int Click;
    std::int16_t (*Read)(std::uint32_t Index);
};

void PrintTo(const TWaveformRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class WaveformOfTheRunTest : public VardenFreeTest,
                             public ::testing::WithParamInterface<TWaveformRow> {};

TEST_P(WaveformOfTheRunTest, StreamDeliversTheChosenTable) {
    const TWaveformRow& Row = GetParam();
    if (Row.Click >= 0) {
        auto Buttons = Form1->RadioGroup1->Widget()->findChildren<QRadioButton*>();
        ASSERT_EQ(Buttons.size(), 2);
        GuiTest::ClickRadio(Buttons[Row.Click]);
    }
    constexpr DWORD Frames = 1024;
    int Steps = 0;
    RunProgram(TProgram::Bx, TEnding::StopButton, [&](int Step) {
        SCOPED_TRACE("step " + std::to_string(Step));
        ++Steps;
        const std::uint32_t Left = DDFS::PhaseAccumulators[1];
        const std::uint32_t Right = DDFS::PhaseAccumulators[9];
        std::vector<std::int16_t> Buffer(2 * Frames, 0x5A5A);
        DWORD Delivered = 0;
        std::thread Audio([&] { Delivered = FakeBass::Pull(Buffer.data(), 4 * Frames); });
        Audio.join();
        EXPECT_EQ(Delivered, 4 * Frames);
        const std::uint32_t LeftAfter = DDFS::PhaseAccumulators[1];
        const std::uint32_t RightAfter = DDFS::PhaseAccumulators[9];

        DDFS::PhaseAccumulators[1] = Left;
        DDFS::PhaseAccumulators[9] = Right;
        int Mismatches = 0;
        for (DWORD K = 0; K < Frames; ++K) {
            const std::int16_t L = Row.Read(DDFS::AdvancePhase(1, CurrentFrequency));
            const std::int16_t R = Row.Read(DDFS::AdvancePhase(9, CurrentFrequency));
            if (Buffer[2 * K] != L || Buffer[2 * K + 1] != R)
                ++Mismatches;
        }
        EXPECT_EQ(Mismatches, 0) << "frames that are not the chosen table's";
        EXPECT_EQ(DDFS::PhaseAccumulators[1], LeftAfter);
        EXPECT_EQ(DDFS::PhaseAccumulators[9], RightAfter);
        return true;
    });
    EXPECT_EQ(Steps, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, WaveformOfTheRunTest,
    ::testing::Values(TWaveformRow{"SquareByDefault", -1, DDFS::SquareSample},
                      TWaveformRow{"SineWhenSzinuszIsChosen", 1, DDFS::SineSample}),
    [](const ::testing::TestParamInfo<TWaveformRow>& Info) { return Info.param.Name; });

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
        // Numbers that cannot belong to anyone.
        {37, "Telefon: +36 00 000 0000"},
        {38, "Mobil: +36 00 000 0001"},
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

// --- The program icon ---------------------------------------------------

TEST_F(VardenFreeTest, ProgramIconReachesEveryWindowAtBothSizes) {
    const std::pair<const std::uint8_t*, std::size_t> Images[] = {
        {ProgramIcon32Png, ProgramIcon32PngSize}, {ProgramIcon64Png, ProgramIcon64PngSize}};
    ASSERT_TRUE(App->SetIcon(
        {{ProgramIcon32Png, ProgramIcon32PngSize}, {ProgramIcon64Png, ProgramIcon64PngSize}}));
    for (TForm* Form :
         {static_cast<TForm*>(Form1), static_cast<TForm*>(Form2), static_cast<TForm*>(Form3)}) {
        SCOPED_TRACE(Form->Caption());
        const QIcon Icon = Form->Widget()->windowIcon();
        EXPECT_EQ(Icon.availableSizes(), (QList<QSize>{QSize(32, 32), QSize(64, 64)}));
        // Each size is its own drawing, given back unscaled.
        for (const auto& [Data, Size] : Images) {
            const QImage Drawn = QImage::fromData(Data, static_cast<int>(Size), "PNG");
            ASSERT_FALSE(Drawn.isNull());
            EXPECT_EQ(Drawn.width(), Drawn.height());
            const QImage Given = Icon.pixmap(Drawn.size())
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            EXPECT_EQ(Given, Drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied))
                << Drawn.width();
        }
    }
    // A picture that is not one leaves the icon alone.
    const std::uint8_t NotAPng[] = {0x89, 'P', 'N', 'G', 0, 0};
    EXPECT_FALSE(App->SetIcon({{NotAPng, sizeof NotAPng}}));
    EXPECT_EQ(Form1->Widget()->windowIcon().availableSizes().size(), 2);
}

} // namespace
