// The program's windows used with the keyboard alone and read by assistive
// technology: the main window's tab chain both ways, the names the controls
// give, buttons pressed with Space, Return and Enter, the waveform chosen
// with the arrow keys, and a whole run of the BX program without the mouse.
// Every key goes to the window that has the keyboard, which hands it to its
// focused widget, as a key of the real keyboard does.
#include "Application.h"
#include "Button.h"
#include "FakeBass.h"
#include "FakeSoundPlayer.h"
#include "FakeVolume.h"
#include "Form.h"
#include "GuiTestSupport.h"
#include "Label.h"
#include "Memo.h"
#include "MessageBox.h"
#include "RadioGroup.h"
#include "RenderStream.h"
#include "Unit3.h"
#include "VardenFree.h"
#include "info.h"

#include <QAccessible>
#include <QApplication>
#include <QRadioButton>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using GuiTest::Later;

namespace {

QWidget* Focused() {
    return QApplication::focusWidget();
}

// Who has the keyboard, for failure messages.
std::string NameOf(const QWidget* W) {
    if (W == nullptr)
        return "(nobody)";
    const QString Name = W->accessibleName();
    return Name.isEmpty() ? W->metaObject()->className() : Name.toStdString();
}

// A key from the keyboard: to the window that has the focus.
void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QWidget* W = Focused();
    ASSERT_NE(W, nullptr) << "no widget has the keyboard";
    QTest::keyClick(W->window()->windowHandle(), Key, Modifiers);
}

// Waits until Window has the keyboard. Requests to the window system that
// are still on their way (the main window's activation at the end of the
// step before) arrive first, as they would before the user's next key.
bool WaitForKeyboard(QWidget* Window) {
    QCoreApplication::processEvents();
    return QTest::qWaitForWindowActive(Window) && QApplication::activeWindow() == Window;
}

// What assistive technology reads of a widget.
struct TAccessible {
    std::string Name;
    QAccessible::Role Role;
};

TAccessible AccessibleOf(QWidget* W) {
    QAccessibleInterface* Interface = QAccessible::queryAccessibleInterface(W);
    if (Interface == nullptr)
        return {"(no interface)", QAccessible::NoRole};
    return {Interface->text(QAccessible::Name).toStdString(), Interface->role()};
}

QRadioButton* RadioItem(int Index) {
    const auto Buttons = Form1->RadioGroup1->Widget()->findChildren<QRadioButton*>();
    return Index < Buttons.size() ? Buttons[Index] : nullptr;
}

// The waveform as the stream callback reads it, on a thread of its own.
int WaveformOnTheAudioThread() {
    std::atomic<int> Waveform{-1};
    std::thread Audio([&] { Waveform = WaveformSource->SelectedWaveform(); });
    Audio.join();
    return Waveform.load();
}

class KeyboardTest : public ::testing::Test {
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
        Form2->OnShow = [this](TComponent*) { ++InformationShown; };
        Form1->Show();
        // Keys go to the window that has the keyboard: the main window must
        // have it before the first key.
        ASSERT_TRUE(WaitForKeyboard(Form1->Widget()));
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

    std::unique_ptr<TApplication> App;
    std::vector<TMessageBoxCall> Boxes;
    int InformationShown = 0;
    std::unique_ptr<QTimer> Guard;
    bool GuardFired = false;
};

// --- The tab chain ------------------------------------------------------

// The main window's chain: Információ (1), Kilépés (2), BX vírus ellen (3),
// Varden alap (4), the radio group (5) at its checked item. The progress bar
// (0), the labels and the picture take no keyboard focus and are passed over.
TEST_F(KeyboardTest, TabGoesThroughTheMainWindowInTabOrderAndShiftTabBack) {
    QWidget* Informacio = Form1->Button3->Widget();
    QWidget* Kilepes = Form1->Button4->Widget();
    QWidget* Bx = Form1->Button5->Widget();
    QWidget* Alap = Form1->Button6->Widget();
    QWidget* Negyszog = RadioItem(0);
    QWidget* Szinusz = RadioItem(1);
    ASSERT_NE(Szinusz, nullptr);

    EXPECT_EQ(Focused(), Informacio) << "the first control of the chain has the keyboard at start";

    struct TStroke {
        const char* What;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        QWidget* Expected;
    };
    constexpr Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
    constexpr Qt::KeyboardModifiers None = Qt::NoModifier;
    const TStroke Strokes[] = {
        {"Tab", Qt::Key_Tab, None, Kilepes},
        {"Tab", Qt::Key_Tab, None, Bx},
        {"Tab", Qt::Key_Tab, None, Alap},
        {"Tab into the group at its checked item", Qt::Key_Tab, None, Negyszog},
        {"Tab leaves the group and goes around", Qt::Key_Tab, None, Informacio},
        {"Shift+Tab goes around backwards into the group", Qt::Key_Tab, Shift, Negyszog},
        {"Shift+Tab", Qt::Key_Tab, Shift, Alap},
        {"Shift+Tab", Qt::Key_Tab, Shift, Bx},
        {"Shift+Tab", Qt::Key_Tab, Shift, Kilepes},
        {"Shift+Tab", Qt::Key_Tab, Shift, Informacio},
        // The group's stop follows the item that is checked.
        {"Shift+Tab into the group", Qt::Key_Tab, Shift, Negyszog},
        {"Down checks Szinusz", Qt::Key_Down, None, Szinusz},
        {"Tab leaves the group", Qt::Key_Tab, None, Informacio},
        {"Shift+Tab enters at Szinusz, now checked", Qt::Key_Tab, Shift, Szinusz},
        {"Shift+Tab passes over Négyszög", Qt::Key_Tab, Shift, Alap},
        {"Tab enters at Szinusz", Qt::Key_Tab, None, Szinusz},
    };
    for (const TStroke& Stroke : Strokes) {
        Press(Stroke.Key, Stroke.Modifiers);
        EXPECT_EQ(Focused(), Stroke.Expected)
            << Stroke.What << ": " << NameOf(Focused()) << " has the keyboard, not "
            << NameOf(Stroke.Expected);
    }

    // A choice made by the program moves the stop too.
    Press(Qt::Key_Tab);
    ASSERT_EQ(Focused(), Informacio);
    Form1->RadioGroup1->SetItemIndex(0);
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focused(), Negyszog) << NameOf(Focused());
}

// The chain follows the tab order, not the order in which the controls were
// made: the main window makes its controls in their tab order and cannot
// tell the two apart.
TEST_F(KeyboardTest, TabFollowsTheTabOrderNotTheOrderOfCreation) {
    auto* Form = new TForm(App.get());
    Form->SetBounds(100, 100, 300, 240);
    int Top = 10;
    auto Place = [&](auto* Control, int TabOrder) {
        Control->SetParent(Form);
        Control->SetBounds(10, Top, 150, 25);
        Control->SetTabOrder(TabOrder);
        Top += 40;
        return Control;
    };
    TButton* Last = Place(new TButton(Form), 3);
    TRadioGroup* Group = Place(new TRadioGroup(Form), 1);
    Group->SetItems({"Egy", "Kettő", "Három"});
    Group->SetItemIndex(1);
    Place(new TLabel(Form), 4);
    TButton* First = Place(new TButton(Form), 0);
    TButton* Third = Place(new TButton(Form), 2);
    const auto Items = Group->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(Items.size(), 3);

    Form->Show();
    ASSERT_TRUE(WaitForKeyboard(Form->Widget()));
    EXPECT_EQ(Focused(), First->Widget()) << NameOf(Focused());
    const std::vector<QWidget*> Forward = {Items[1], Third->Widget(), Last->Widget(),
                                           First->Widget()};
    for (QWidget* Expected : Forward) {
        Press(Qt::Key_Tab);
        EXPECT_EQ(Focused(), Expected) << "Tab: " << NameOf(Focused());
    }
    const std::vector<QWidget*> Backward = {Last->Widget(), Third->Widget(), Items[1],
                                            First->Widget()};
    for (QWidget* Expected : Backward) {
        Press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(Focused(), Expected) << "Shift+Tab: " << NameOf(Focused());
    }
}

// --- Names for assistive technology -------------------------------------

struct TNameRow {
    const char* Name;
    QWidget* (*Widget)();
    std::string Expected;
    QAccessible::Role Role;
};

void PrintTo(const TNameRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class AccessibleNameTest : public KeyboardTest, public ::testing::WithParamInterface<TNameRow> {};

TEST_P(AccessibleNameTest, IsTheCaptionOrTheChosenDescription) {
    const TNameRow& Row = GetParam();
    QWidget* W = Row.Widget();
    ASSERT_NE(W, nullptr);
    const TAccessible Read = AccessibleOf(W);
    EXPECT_EQ(Read.Name, Row.Expected);
    EXPECT_EQ(Read.Role, Row.Role);
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, AccessibleNameTest,
    ::testing::Values(TNameRow{"MainWindow", [] { return Form1->Widget(); },
                               "Dr. Varden frekvencia generátor" + std::string(34, ' ') + "Free",
                               QAccessible::Window},
                      TNameRow{"Informacio", [] { return Form1->Button3->Widget(); }, "Információ",
                               QAccessible::Button},
                      TNameRow{"Kilepes", [] { return Form1->Button4->Widget(); }, "Kilépés",
                               QAccessible::Button},
                      TNameRow{"BxVirusEllen", [] { return Form1->Button5->Widget(); },
                               "BX vírus ellen", QAccessible::Button},
                      // With the trailing space of its caption.
                      TNameRow{"VardenAlap", [] { return Form1->Button6->Widget(); },
                               "Varden alap ", QAccessible::Button},
                      TNameRow{"RadioGroup", [] { return Form1->RadioGroup1->Widget(); },
                               "Kimenő jel formája", QAccessible::Grouping},
                      TNameRow{"Negyszog", [] { return static_cast<QWidget*>(RadioItem(0)); },
                               "Négyszög", QAccessible::RadioButton},
                      TNameRow{"Szinusz", [] { return static_cast<QWidget*>(RadioItem(1)); },
                               "Szinusz", QAccessible::RadioButton},
                      // No caption of its own: a short description of what it shows.
                      TNameRow{"ProgressBar", [] { return Form1->ProgressBar1->Widget(); },
                               "Előrehaladás", QAccessible::ProgressBar},
                      TNameRow{"Dialog", [] { return Form3->Widget(); }, "Frekvencia generálása",
                               QAccessible::Window},
                      TNameRow{"Leallitas", [] { return Form3->Button1->Widget(); }, "Leállítás",
                               QAccessible::Button},
                      TNameRow{"DialogFrequency", [] { return Form3->Label1->Widget(); }, "Label1",
                               QAccessible::StaticText},
                      TNameRow{"InformationWindow", [] { return Form2->Widget(); }, "Információ",
                               QAccessible::Window},
                      // No caption of its own: the caption of its window.
                      TNameRow{"UsageText", [] { return Form2->Memo1->Widget(); }, "Információ",
                               QAccessible::EditableText}),
    [](const ::testing::TestParamInfo<TNameRow>& Info) { return Info.param.Name; });

TEST_F(KeyboardTest, NamesFollowCaptionChanges) {
    struct TChangeRow {
        const char* What;
        std::function<void()> Change;
        QWidget* (*Widget)();
        std::string Expected;
    };
    const TChangeRow Rows[] = {
        {"a label's new caption", [] { Form1->Label1->SetCaption("Vége"); },
         [] { return Form1->Label1->Widget(); }, "Vége"},
        // A button draws an ampersand as the underline of the next letter and
        // a doubled one as itself; it is read as it is drawn.
        {"a button's caption with a mnemonic",
         [] { Form1->Button3->SetCaption("&Súgó && névjegy"); },
         [] { return Form1->Button3->Widget(); }, "Súgó & névjegy"},
        {"a radio item's text with a mnemonic",
         [] {
             Form1->RadioGroup1->SetItems({"&Fűrész", "Háromszög"});
         },
         [] { return static_cast<QWidget*>(RadioItem(0)); }, "Fűrész"},
        {"a radio group's caption", [] { Form1->RadioGroup1->SetCaption("Jelalak"); },
         [] { return Form1->RadioGroup1->Widget(); }, "Jelalak"},
        {"the memo under its window's new caption", [] { Form2->SetCaption("Használat"); },
         [] { return Form2->Memo1->Widget(); }, "Használat"},
        {"a memo placed on another window", [] { Form2->Memo1->SetParent(Form3); },
         [] { return Form2->Memo1->Widget(); }, "Frekvencia generálása"},
    };
    for (const TChangeRow& Row : Rows) {
        Row.Change();
        EXPECT_EQ(AccessibleOf(Row.Widget()).Name, Row.Expected) << Row.What;
    }
}

// --- Pressing buttons ---------------------------------------------------

struct TPressRow {
    const char* Name;
    // Tabs from the start, where Információ has the keyboard.
    int Tabs;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    bool InformationOpens;
    bool ApplicationEnds;
};

void PrintTo(const TPressRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class PressTest : public KeyboardTest, public ::testing::WithParamInterface<TPressRow> {};

TEST_P(PressTest, PressesTheFocusedButtonOnly) {
    const TPressRow& Row = GetParam();
    for (int I = 0; I < Row.Tabs; ++I)
        Press(Qt::Key_Tab);
    const QWidget* Target = Focused();
    Press(Row.Key, Row.Modifiers);

    EXPECT_EQ(InformationShown, Row.InformationOpens ? 1 : 0) << "on " << NameOf(Target);
    EXPECT_EQ(App->Terminated(), Row.ApplicationEnds) << "on " << NameOf(Target);
    EXPECT_TRUE(FakeBass::Calls().empty()) << "a program started";
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), 0);
    if (Row.InformationOpens) {
        // The keyboard goes on in the information window, in its text.
        ASSERT_TRUE(WaitForKeyboard(Form2->Widget()));
        EXPECT_EQ(Focused(), Form2->Memo1->Widget()) << NameOf(Focused());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, PressTest,
    ::testing::Values(
        TPressRow{"SpaceOnInformacio", 0, Qt::Key_Space, Qt::NoModifier, true, false},
        TPressRow{"ReturnOnInformacio", 0, Qt::Key_Return, Qt::NoModifier, true, false},
        TPressRow{"KeypadEnterOnInformacio", 0, Qt::Key_Enter, Qt::KeypadModifier, true, false},
        // Enter presses the button that has the keyboard, not the first one.
        TPressRow{"ReturnOnKilepes", 1, Qt::Key_Return, Qt::NoModifier, false, true},
        TPressRow{"SpaceOnKilepes", 1, Qt::Key_Space, Qt::NoModifier, false, true},
        // No button is the window's default: Enter elsewhere presses none.
        TPressRow{"ReturnOnTheRadioGroup", 4, Qt::Key_Return, Qt::NoModifier, false, false},
        TPressRow{"KeypadEnterOnTheRadioGroup", 4, Qt::Key_Enter, Qt::KeypadModifier, false,
                  false}),
    [](const ::testing::TestParamInfo<TPressRow>& Info) { return Info.param.Name; });

// --- The waveform with the arrow keys -----------------------------------

TEST_F(KeyboardTest, ArrowKeysMoveTheWaveformChoiceAroundTheItems) {
    int Clicks = 0;
    Form1->RadioGroup1->OnClick = [&](TComponent*) { ++Clicks; };
    Press(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(Focused(), RadioItem(0)) << NameOf(Focused());

    struct TArrowRow {
        const char* What;
        Qt::Key Key;
        int ItemIndex;
        int Waveform;
    };
    const TArrowRow Rows[] = {
        {"Down to Szinusz, the sine", Qt::Key_Down, 1, 0},
        {"Down from the last item to Négyszög, the square wave", Qt::Key_Down, 0, 1},
        {"Up from the first item to Szinusz", Qt::Key_Up, 1, 0},
        {"Up to Négyszög", Qt::Key_Up, 0, 1},
        {"Right as Down", Qt::Key_Right, 1, 0},
        {"Left as Up", Qt::Key_Left, 0, 1},
    };
    int Expected = 0;
    for (const TArrowRow& Row : Rows) {
        Press(Row.Key);
        ++Expected;
        EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), Row.ItemIndex) << Row.What;
        EXPECT_EQ(Focused(), RadioItem(Row.ItemIndex)) << Row.What << ": " << NameOf(Focused());
        EXPECT_TRUE(RadioItem(Row.ItemIndex)->isChecked()) << Row.What;
        EXPECT_EQ(WaveformOnTheAudioThread(), Row.Waveform) << Row.What;
        EXPECT_EQ(Clicks, Expected) << Row.What << ": the choice raises OnClick as a click does";
    }
    // Space on the checked item keeps the choice.
    Press(Qt::Key_Space);
    EXPECT_EQ(Form1->RadioGroup1->ItemIndex(), 0);
}

// --- A whole run without the mouse --------------------------------------

struct TRunKeyRow {
    const char* Name;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
};

void PrintTo(const TRunKeyRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class KeyboardRunTest : public KeyboardTest, public ::testing::WithParamInterface<TRunKeyRow> {};

// "BX vírus ellen" reached with Tab and pressed with the row's key, every
// step's dialog ended with the same key on "Leállítás", which has the
// keyboard as the dialog comes up.
TEST_P(KeyboardRunTest, BxProgramRunsToItsEnd) {
    const TRunKeyRow& Row = GetParam();
    QWidget* Bx = Form1->Button5->Widget();
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    ASSERT_EQ(Focused(), Bx) << NameOf(Focused());

    struct TSeenStep {
        std::string Frequency;
        std::string FrequencyRead;
        std::string Focused;
        bool Modal;
        QAccessible::Role Role;
        bool Sounding;
    };
    std::vector<TSeenStep> Seen;
    Form3->OnShow = [&](TComponent*) {
        Later([&] {
            ASSERT_TRUE(WaitForKeyboard(Form3->Widget()));
            Seen.push_back({Form3->Label1->Caption(), AccessibleOf(Form3->Label1->Widget()).Name,
                            NameOf(Focused()), QApplication::activeModalWidget() == Form3->Widget(),
                            AccessibleOf(Form3->Widget()).Role, FakeBass::Playing()});
            Press(Row.Key, Row.Modifiers);
        });
    };
    Press(Row.Key, Row.Modifiers);
    Form3->OnShow = nullptr;

    ASSERT_EQ(Seen.size(), 2u);
    const char* Frequencies[] = {"2128HZ", "3713HZ"};
    for (std::size_t K = 0; K < 2; ++K) {
        SCOPED_TRACE("step " + std::to_string(K + 1));
        EXPECT_EQ(Seen[K].Frequency, Frequencies[K]);
        EXPECT_EQ(Seen[K].FrequencyRead, Frequencies[K]);
        EXPECT_EQ(Seen[K].Focused, "Leállítás");
        EXPECT_TRUE(Seen[K].Modal);
        EXPECT_EQ(Seen[K].Role, QAccessible::Dialog) << "a modal dialog is read as one";
        EXPECT_TRUE(Seen[K].Sounding);
    }
    EXPECT_EQ(Form1->Label1->Caption(), "Vége");
    EXPECT_EQ(AccessibleOf(Form1->Label1->Widget()).Name, "Vége");
    EXPECT_EQ(Form1->Label8->Caption(), "");
    EXPECT_EQ(Form1->ProgressBar1->Position(), 0);
    EXPECT_FALSE(Form3->Visible());
    EXPECT_EQ(InformationShown, 0);
    EXPECT_FALSE(App->Terminated());
    EXPECT_TRUE(Boxes.empty());
    EXPECT_EQ(FakeBass::SequenceText(), "Init StreamCreate ChannelPlay Stop Free "
                                        "Init StreamCreate ChannelPlay Stop Free");
    // The keyboard is back on the button that started the run.
    ASSERT_TRUE(WaitForKeyboard(Form1->Widget()));
    EXPECT_EQ(Focused(), Bx) << NameOf(Focused());
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, KeyboardRunTest,
    ::testing::Values(TRunKeyRow{"Space", Qt::Key_Space, Qt::NoModifier},
                      TRunKeyRow{"Return", Qt::Key_Return, Qt::NoModifier},
                      TRunKeyRow{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier}),
    [](const ::testing::TestParamInfo<TRunKeyRow>& Info) { return Info.param.Name; });

} // namespace
