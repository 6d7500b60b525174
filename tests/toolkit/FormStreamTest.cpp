// Form streams: what is stored, the text layout, reading back through the
// setters, and the failures of a read, which must leave no created component
// behind.
#include "FormStream.h"

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

enum TShape { shRound, shSquare, shStar };

// Counts the parts alive, to see that a failed read frees what it made.
int LiveParts = 0;

// A stored component with one property of each kind, two binary defined
// properties and a log of its setter calls ("Width" or "Width*" when the
// component was loading).
class TTestPart : public TComponent {
public:
    explicit TTestPart(TComponent* AOwner) : TComponent(AOwner) { ++LiveParts; }
    ~TTestPart() override { --LiveParts; }

    const char* ClassName() const override { return "TTestPart"; }
    const TPublishedProperties& Published() const override {
        static const TPublishedProperties P =
            TPublishedProperties(TComponent::PublishedProperties())
                .Integer("Width", &TTestPart::Width, &TTestPart::SetWidth, 100)
                .Enumeration("Shape", &TTestPart::Shape, &TTestPart::SetShape,
                             {"shRound", "shSquare", "shStar"}, shRound)
                .Boolean("Visible", &TTestPart::Visible, &TTestPart::SetVisible, true)
                .Integer("Count", &TTestPart::Count, &TTestPart::SetCount)
                .Single("Gain", &TTestPart::Gain, &TTestPart::SetGain);
        return P;
    }

    void DefineProperties(TFiler& Filer) override {
        TComponent::DefineProperties(Filer);
        // A count, then that many 32-bit values, little-endian.
        Filer.DefineBinaryProperty(
            "Points",
            [this](TMemoryStream& S) {
                Note("Points");
                std::uint32_t N = 0;
                S.ReadBuffer(&N, 4);
                std::vector<std::int32_t> Read(N);
                for (std::int32_t& V : Read)
                    S.ReadBuffer(&V, 4);
                Points = Read;
            },
            [this](TMemoryStream& S) {
                const auto N = static_cast<std::uint32_t>(Points.size());
                S.WriteBuffer(&N, 4);
                for (std::int32_t V : Points)
                    S.WriteBuffer(&V, 4);
            },
            !Points.empty());
        // The bytes as they are, for the layout of binary values.
        Filer.DefineBinaryProperty(
            "Blob",
            [this](TMemoryStream& S) {
                Note("Blob");
                Blob.assign(S.Size(), 0);
                if (!Blob.empty())
                    S.ReadBuffer(Blob.data(), Blob.size());
            },
            [this](TMemoryStream& S) {
                if (!Blob.empty())
                    S.WriteBuffer(Blob.data(), Blob.size());
            },
            StoreBlob);
    }

    std::int16_t Width() const { return FWidth; }
    void SetWidth(std::int16_t V) {
        Note("Width");
        FWidth = V;
    }
    TShape Shape() const { return FShape; }
    void SetShape(TShape V) {
        Note("Shape");
        FShape = V;
    }
    bool Visible() const { return FVisible; }
    void SetVisible(bool V) {
        Note("Visible");
        FVisible = V;
    }
    int Count() const { return FCount; }
    void SetCount(int V) {
        Note("Count");
        if (V < 0)
            throw std::invalid_argument("Count below zero");
        FCount = V;
    }
    float Gain() const { return FGain; }
    void SetGain(float V) {
        Note("Gain");
        FGain = V;
    }

    std::vector<std::int32_t> Points;
    std::vector<std::uint8_t> Blob;
    bool StoreBlob = false;
    std::vector<std::string> Log;

private:
    void Note(const char* Property) {
        Log.push_back(std::string(Property) + (IsLoading() ? "*" : ""));
    }

    std::int16_t FWidth = 100;
    TShape FShape = shRound;
    bool FVisible = true;
    int FCount = 0;
    float FGain = 0;
};

// The root of the stored forms. Its string property exercises the quoting
// of strings, which no component of the program stores yet.
class TTestForm : public TComponent {
public:
    TTestForm() : TComponent(nullptr) {}
    const char* ClassName() const override { return "TTestForm"; }
    const TPublishedProperties& Published() const override {
        static const TPublishedProperties P = [] {
            TPublishedProperties L(TComponent::PublishedProperties());
            TPublishedProperty Caption;
            Caption.Name = "Caption";
            Caption.Get = [](const TComponent& C) {
                TStoredValue V;
                V.Kind = TStoredValue::vkString;
                V.Text = static_cast<const TTestForm&>(C).Caption;
                return V;
            };
            Caption.Set = [](TComponent& C, const TStoredValue& V) {
                if (V.Kind != TStoredValue::vkString)
                    FormStreamDetail::WrongKind("Caption", V);
                static_cast<TTestForm&>(C).Caption = V.Text;
            };
            Caption.IsStored = [](const TComponent& C) {
                return !static_cast<const TTestForm&>(C).Caption.empty();
            };
            return L.Add(std::move(Caption));
        }();
        return P;
    }
    std::string Caption;
};

// Built in a form's own code; its class is not registered.
class TLocalControl : public TComponent {
public:
    using TComponent::TComponent;
    const char* ClassName() const override { return "TLocalControl"; }
};

class FormStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterComponentClass("TTestPart", [](TComponent* Owner) { return new TTestPart(Owner); });
    }
    void TearDown() override { EXPECT_EQ(LiveParts, 0) << "parts left alive"; }

    static TTestPart* Part(const TComponent& Owner, const char* Name) {
        return dynamic_cast<TTestPart*>(Owner.FindComponent(Name));
    }
};

std::uint32_t Bits(float F) {
    return std::bit_cast<std::uint32_t>(F);
}

TEST_F(FormStreamTest, WritesOnlyWhatDiffersFromDefaultsAndSkipsUnregisteredClasses) {
    TTestForm Form;
    Form.SetName("Form1");
    new TLocalControl(&Form);
    auto* A = new TTestPart(&Form);
    A->SetName("Part1");
    // Count has no default and is stored even at 0; Gain 0 is not stored.
    EXPECT_EQ(WriteComponentText(Form), "object Form1: TTestForm\n"
                                        "  object Part1: TTestPart\n"
                                        "    Count = 0\n"
                                        "  end\n"
                                        "end\n");

    Form.SetTag(-12);
    A->SetWidth(-7);
    A->SetShape(shStar);
    A->SetVisible(false);
    A->SetCount(3);
    A->SetGain(0.5f);
    A->SetDesignInfo(static_cast<std::int32_t>((7u << 16) | 0xFFFDu)); // Left -3, Top 7
    A->Points = {1, -1};
    auto* B = new TTestPart(A);
    B->SetName("Inner");
    B->SetDesignInfo(5); // Top 0 is not stored
    EXPECT_EQ(WriteComponentText(Form), "object Form1: TTestForm\n"
                                        "  Tag = -12\n"
                                        "  object Part1: TTestPart\n"
                                        "    Width = -7\n"
                                        "    Shape = shStar\n"
                                        "    Visible = False\n"
                                        "    Count = 3\n"
                                        "    Gain = 0.5\n"
                                        "    Left = -3\n"
                                        "    Top = 7\n"
                                        "    Points = {\n"
                                        "      0200000001000000FFFFFFFF}\n"
                                        "    object Inner: TTestPart\n"
                                        "      Count = 0\n"
                                        "      Left = 5\n"
                                        "    end\n"
                                        "  end\n"
                                        "end\n");
}

TEST_F(FormStreamTest, BinaryValuesTakeThirtyTwoBytesALine) {
    TTestForm Form;
    Form.SetName("F");
    auto* A = new TTestPart(&Form);
    A->SetName("P");
    A->StoreBlob = true;
    const std::string Head = "object F: TTestForm\n  object P: TTestPart\n    Count = 0\n";
    EXPECT_EQ(WriteComponentText(Form), Head + "    Blob = {}\n  end\nend\n");

    for (int K = 0; K < 70; ++K)
        A->Blob.push_back(static_cast<std::uint8_t>(K * 7 + 0xA0));
    std::string Lines[3];
    for (int K = 0; K < 70; ++K) {
        char Hex[3];
        std::snprintf(Hex, sizeof Hex, "%02X", A->Blob[static_cast<std::size_t>(K)]);
        Lines[K / 32] += Hex;
    }
    const std::string Text = WriteComponentText(Form);
    EXPECT_EQ(Text, Head + "    Blob = {\n      " + Lines[0] + "\n      " + Lines[1] + "\n      " +
                        Lines[2] + "}\n  end\nend\n");

    // Read back, and from a hand-made layout: lower-case digits, other line
    // breaks, blanks between the digit pairs, Windows line ends.
    std::string Lower = Lines[0] + Lines[1] + " \r\n" + Lines[2];
    for (char& C : Lower)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    for (const std::string& Stored :
         {Text, Head + "    Blob = {" + Lower + "\r\n }\n  end\nend\n"}) {
        TTestForm Copy;
        ReadComponentText(Stored, Copy);
        ASSERT_NE(Part(Copy, "P"), nullptr);
        EXPECT_EQ(Part(Copy, "P")->Blob, A->Blob);
    }
}

TEST_F(FormStreamTest, FloatsReadBackToTheSameBits) {
    const float Values[] = {0.1f,
                            1e-30f,
                            1e-40f, // subnormal
                            -2.5f,
                            1.0f,
                            16777216.0f,
                            1e20f,
                            std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::lowest(),
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    for (float V : Values) {
        TTestForm Form;
        Form.SetName("F");
        auto* A = new TTestPart(&Form);
        A->SetName("P");
        A->SetGain(V);
        const std::string Text = WriteComponentText(Form);
        TTestForm Copy;
        ReadComponentText(Text, Copy);
        const float Read = Part(Copy, "P")->Gain();
        if (std::isnan(V))
            EXPECT_TRUE(std::isnan(Read)) << Text;
        else
            EXPECT_EQ(Bits(Read), Bits(V)) << Text;
    }
    EXPECT_EQ(FormStreamDetail::FloatText(1.0f), "1");
    EXPECT_EQ(FormStreamDetail::FloatText(1e-5f), "1E-5");
    EXPECT_EQ(FormStreamDetail::FloatText(1e20f), "1E20");
    EXPECT_EQ(FormStreamDetail::FloatText(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(FormStreamDetail::FloatText(-std::numeric_limits<float>::infinity()), "-Inf");
    // Negative zero keeps its sign through the text.
    TStoredValue Zero;
    Zero.Kind = TStoredValue::vkFloat;
    Zero.Text = FormStreamDetail::FloatText(-0.0f);
    EXPECT_EQ(Bits(FormStreamDetail::FloatFromText("Gain", Zero)), Bits(-0.0f));
}

TEST_F(FormStreamTest, WrittenFormReadsBackToTheSameValuesAndText) {
    TTestForm Form;
    Form.SetName("Form1");
    Form.SetTag(std::numeric_limits<std::intptr_t>::min());
    Form.Caption = "It's \xC3\xA9t\xC3\xA9\n'quoted'\t";
    auto* A = new TTestPart(&Form);
    A->SetName("Part1");
    A->SetWidth(std::numeric_limits<std::int16_t>::min());
    A->SetShape(shSquare);
    A->SetCount(std::numeric_limits<int>::max());
    A->SetGain(0.1f);
    A->SetDesignInfo(static_cast<std::int32_t>(0x80007FFFu)); // Left 32767, Top -32768
    A->Points = {std::numeric_limits<std::int32_t>::min(), 0, 42};
    auto* B = new TTestPart(A);
    B->SetName("Inner");
    B->SetVisible(false);
    auto* C = new TTestPart(&Form);
    C->SetName("Part2");
    C->StoreBlob = true;
    const std::string Text = WriteComponentText(Form);
    // Quotes doubled, control characters as codes, other bytes as they are.
    EXPECT_NE(Text.find("\n  Caption = 'It''s \xC3\xA9t\xC3\xA9'#10'''quoted'''#9\n"),
              std::string::npos)
        << Text;

    TTestForm Copy;
    ReadComponentText(Text, Copy);
    EXPECT_EQ(Copy.Name(), "Form1");
    EXPECT_EQ(Copy.Tag(), Form.Tag());
    EXPECT_EQ(Copy.Caption, Form.Caption);
    ASSERT_EQ(Copy.ComponentCount(), 2);
    TTestPart* RA = Part(Copy, "Part1");
    ASSERT_NE(RA, nullptr);
    EXPECT_EQ(Copy.Components(0), RA);
    EXPECT_EQ(RA->Owner(), &Copy);
    EXPECT_EQ(RA->Width(), A->Width());
    EXPECT_EQ(RA->Shape(), shSquare);
    EXPECT_EQ(RA->Count(), A->Count());
    EXPECT_EQ(Bits(RA->Gain()), Bits(0.1f));
    EXPECT_EQ(RA->DesignInfo(), A->DesignInfo());
    EXPECT_EQ(RA->Points, A->Points);
    TTestPart* RB = Part(*RA, "Inner");
    ASSERT_NE(RB, nullptr);
    EXPECT_EQ(RB->Owner(), RA);
    EXPECT_FALSE(RB->Visible());
    EXPECT_EQ(Part(Copy, "Inner"), nullptr) << "a nested object belongs to its parent";
    ASSERT_NE(Part(Copy, "Part2"), nullptr);
    EXPECT_TRUE(Part(Copy, "Part2")->Blob.empty());
    Part(Copy, "Part2")->StoreBlob = true; // a component-side switch, not stored
    EXPECT_EQ(WriteComponentText(Copy), Text);

    // Windows line ends read the same.
    std::string Crlf;
    for (char Ch : Text)
        Crlf += Ch == '\n' ? std::string("\r\n") : std::string(1, Ch);
    TTestForm Copy2;
    ReadComponentText(Crlf, Copy2);
    EXPECT_EQ(Copy2.Caption, Form.Caption);
    Part(Copy2, "Part2")->StoreBlob = true;
    EXPECT_EQ(WriteComponentText(Copy2), Text);
}

TEST_F(FormStreamTest, AssignsThroughSettersInStreamOrderWhileLoading) {
    TTestForm Form;
    ReadComponentText("object Form1: TTestForm\n"
                      "  object Part1: TTestPart\n"
                      "    Blob = {01}\n"
                      "    Visible = True\n"
                      "    Width = 100\n" // equal to the default, still assigned
                      "    Count = 2\n"
                      "    Points = {0100000005000000}\n"
                      "    Gain = 3\n" // an integer for a float property
                      "    object Inner: TTestPart\n"
                      "      Shape = shRound\n"
                      "    end\n"
                      "  end\n"
                      "end\n",
                      Form);
    TTestPart* A = Part(Form, "Part1");
    ASSERT_NE(A, nullptr);
    EXPECT_EQ(A->Log, (std::vector<std::string>{"Blob*", "Visible*", "Width*", "Count*", "Points*",
                                                "Gain*"}));
    EXPECT_EQ(A->Points, std::vector<std::int32_t>{5});
    EXPECT_EQ(A->Gain(), 3.0f);
    EXPECT_EQ(Part(*A, "Inner")->Log, std::vector<std::string>{"Shape*"});
    EXPECT_FALSE(Form.IsLoading());
    EXPECT_FALSE(A->IsLoading());
    EXPECT_FALSE(Part(*A, "Inner")->IsLoading());
}

struct TBadText {
    const char* Name;
    std::string Text;
    std::string Message; // the start of the error message
};

void PrintTo(const TBadText& Row, std::ostream* Out) {
    *Out << Row.Name;
}

class FormStreamFailureTest : public FormStreamTest,
                              public ::testing::WithParamInterface<TBadText> {};

std::string Nested(int Depth) {
    std::string Text;
    for (int K = 0; K < Depth; ++K)
        Text += K == 0 ? "object F: TTestForm\n" : "object P" + std::to_string(K) + ": TTestPart\n";
    for (int K = 0; K < Depth; ++K)
        Text += "end\n";
    return Text;
}

const std::string Good = "object F: TTestForm\n"
                         "  object A: TTestPart\n"
                         "    object B: TTestPart\n"
                         "    end\n"
                         "  end\n";

// Each text fails; the parts created before the fault (A and B in most) must
// be gone again afterwards.
const TBadText BadTexts[] = {
    {"Empty", "", "Line 1: 'object' expected"},
    {"BlankOnly", "\n\n  \n", "Line 4: 'object' expected"},
    {"MissingEndOfChild", "object F: TTestForm\n  object A: TTestPart\n  Count = 1\n",
     "Line 3: 'end' expected for object A"},
    {"MissingEndOfRoot", Good, "Line 5: 'end' expected for object F"},
    {"TextAfterTheLastEnd", Good + "end\n\nend\n", "Line 8: Text after the final 'end'"},
    {"SecondObjectAfterTheLastEnd", Good + "end\nobject G: TTestForm\nend\n",
     "Line 7: Text after the final 'end'"},
    {"TwoStatementsOnALine", "object F: TTestForm\n  Tag = 1 Tag = 2\nend\n",
     "Line 2: Line end expected"},
    {"HeadingWithoutClass", "object F:\nend\n", "Line 1: Class name expected"},
    {"HeadingWithoutColon", "object F TTestForm\nend\n", "Line 1: ':' expected"},
    {"PropertyWithoutValue", "object F: TTestForm\n  Tag =\nend\n",
     "Line 2: Property value expected"},
    {"PropertyWithoutEquals", "object F: TTestForm\n  Tag 5\nend\n", "Line 2: '=' expected"},
    {"PropertyAfterNestedObject", Good + "  Tag = 1\nend\n",
     "Line 6: Property Tag after the nested objects"},
    {"InvalidCharacter", "object F: TTestForm\n  Tag = [1]\nend\n",
     "Line 2: Invalid character '['"},
    {"NumberRunningIntoLetters", "object F: TTestForm\n  Tag = 12ab\nend\n",
     "Line 2: Invalid number"},
    {"IntegerBeyondInt64", "object F: TTestForm\n  Tag = 9223372036854775808\nend\n",
     "Line 2: Integer value out of range"},
    {"UnterminatedString", "object F: TTestForm\n  Caption = 'abc\n'\nend\n",
     "Line 2: Unterminated string"},
    {"OddHexDigits",
     "object F: TTestForm\n  object A: TTestPart\n    Blob = {\n      ABC}\n  end\nend\n",
     "Line 4: Invalid binary value: odd number"},
    {"NonHexDigit",
     "object F: TTestForm\n  object A: TTestPart\n    Blob = {\n      0G}\n  end\nend\n",
     "Line 4: Invalid binary value: 'G' is not a hexadecimal digit"},
    {"UnterminatedBinary", "object F: TTestForm\n  object A: TTestPart\n    Blob = {00\n",
     "Line 3: Unterminated binary value"},
    {"NestedTooDeeply", Nested(33), "Line 33: Objects nested too deeply"},
    {"NestedFarTooDeeply", Nested(100000), "Line 33: Objects nested too deeply"},
    {"RootOfAnotherClass", "object F: TTestPart\nend\n",
     "Line 1: Stream holds a TTestPart, not a TTestForm"},
    {"UnknownClass", Good + "  object C: TNoSuchPart\n  end\nend\n",
     "Line 6: Class TNoSuchPart not found"},
    {"UnregisteredClass", Good + "  object C: TLocalControl\n  end\nend\n",
     "Line 6: Class TLocalControl not found"},
    {"DuplicateName", Good + "  object A: TTestPart\n  end\nend\n",
     "Line 6: A component named A already exists in F"},
    {"UnknownProperty", Good + "  object C: TTestPart\n    Height = 1\n  end\nend\n",
     "Line 7: Property Height does not exist"},
    {"WrongKind", Good + "  object C: TTestPart\n    Width = 'wide'\n  end\nend\n",
     "Line 7: Error reading C.Width: Invalid property value"},
    {"OutOfInt16", Good + "  object C: TTestPart\n    Width = 32768\n  end\nend\n",
     "Line 7: Error reading C.Width: Property value 32768 out of range"},
    {"UnknownEnumerationName", Good + "  object C: TTestPart\n    Shape = shCube\n  end\nend\n",
     "Line 7: Error reading C.Shape: Property value shCube out of range"},
    // A number stands only for a value that has no name.
    {"NamedEnumerationAsANumber", Good + "  object C: TTestPart\n    Shape = 1\n  end\nend\n",
     "Line 7: Error reading C.Shape: Property value 1 out of range"},
    {"BooleanAsInteger", Good + "  object C: TTestPart\n    Visible = 1\n  end\nend\n",
     "Line 7: Error reading C.Visible: Invalid property value"},
    {"FloatBeyondSingle", Good + "  object C: TTestPart\n    Gain = 1E39\n  end\nend\n",
     "Line 7: Error reading C.Gain: Property value 1E39 out of range"},
    {"LeftBeyondInt16", Good + "  object C: TTestPart\n    Left = -32769\n  end\nend\n",
     "Line 7: Error reading C.Left: Property value -32769 out of range"},
    {"BinaryForInteger", Good + "  object C: TTestPart\n    Top = {00}\n  end\nend\n",
     "Line 7: Error reading C.Top: Invalid property value"},
    {"IntegerForBinary", Good + "  object C: TTestPart\n    Points = 0\n  end\nend\n",
     "Line 7: Error reading C.Points: Invalid property value"},
    {"SetterThrows", Good + "  object C: TTestPart\n    Count = -1\n  end\nend\n",
     "Line 7: Error reading C.Count: Count below zero"},
    {"TruncatedBinary",
     Good + "  object C: TTestPart\n    Points = {0200000001000000}\n  end\nend\n",
     "Line 7: Error reading C.Points: Stream read error"},
    {"RootPropertyFails", "object F: TTestForm\n  Tag = 5\n  Caption = 5\nend\n",
     "Line 3: Error reading F.Caption: Invalid property value"},
};

TEST_P(FormStreamFailureTest, FailsAndLeavesNoCreatedComponent) {
    TTestForm Form;
    Form.SetName("Before");
    auto* Own = new TTestPart(&Form); // built by the form's code, not by the reader
    Own->SetName("Own");
    try {
        ReadComponentText(GetParam().Text, Form);
        ADD_FAILURE() << "read without error";
    } catch (const EReadError& E) {
        EXPECT_EQ(std::string(E.what()).substr(0, GetParam().Message.size()), GetParam().Message)
            << E.what();
    }
    ASSERT_EQ(Form.ComponentCount(), 1);
    EXPECT_EQ(Form.Components(0), Own);
    EXPECT_EQ(Own->ComponentCount(), 0);
    EXPECT_EQ(LiveParts, 1);
    EXPECT_FALSE(Form.IsLoading());
    EXPECT_FALSE(Own->IsLoading());
}

INSTANTIATE_TEST_SUITE_P(Malformed, FormStreamFailureTest, ::testing::ValuesIn(BadTexts),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(FormStreamTest, FailedReadKeepsTheRootValuesAlreadyAssigned) {
    TTestForm Form;
    EXPECT_THROW(ReadComponentText("object F: TTestForm\n  Tag = 5\n  Caption = 5\nend\n", Form),
                 EReadError);
    EXPECT_EQ(Form.Name(), "F");
    EXPECT_EQ(Form.Tag(), 5);
}

TEST_F(FormStreamTest, ReadsIntoAComponentAlreadyOwningParts) {
    TTestForm Form;
    auto* Own = new TTestPart(&Form);
    Own->SetName("Own");
    EXPECT_THROW(
        ReadComponentText("object F: TTestForm\n  object Own: TTestPart\n  end\nend\n", Form),
        EReadError);
    ReadComponentText("object F: TTestForm\n  object New: TTestPart\n  end\nend\n", Form);
    ASSERT_EQ(Form.ComponentCount(), 2);
    EXPECT_EQ(Form.Components(1)->Name(), "New");
    EXPECT_EQ(Form.FindComponent("Own"), Own);
    EXPECT_EQ(Form.FindComponent("new"), nullptr) << "names compare exactly";
}

TEST(MemoryStreamTest, ReadingPastTheEndReadsNothing) {
    TMemoryStream S;
    const std::uint8_t Bytes[] = {1, 2, 3};
    S.WriteBuffer(Bytes, 3);
    S.SetPosition(1);
    std::uint8_t Out[4] = {9, 9, 9, 9};
    try {
        S.ReadBuffer(Out, 3);
        ADD_FAILURE() << "read past the end";
    } catch (const EReadError& E) {
        EXPECT_STREQ(E.what(), "Stream read error");
    }
    EXPECT_EQ(S.Position(), 1u);
    EXPECT_EQ(Out[0], 9);
    S.ReadBuffer(Out, 2);
    EXPECT_EQ(Out[0], 2);
    EXPECT_EQ(Out[1], 3);
    EXPECT_EQ(S.Position(), 3u);
    S.SetPosition(10);
    EXPECT_THROW(S.ReadBuffer(Out, 1), EReadError);
    S.ReadBuffer(Out, 0);
    // Writing beyond the end fills the gap with zeros.
    S.WriteBuffer(Bytes, 1);
    EXPECT_EQ(S.Bytes(), (std::vector<std::uint8_t>{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 1}));
}

} // namespace
