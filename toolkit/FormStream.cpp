#include "FormStream.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

// ---- memory stream ----

void TMemoryStream::ReadBuffer(void* Buffer, std::size_t Count) {
    const std::size_t Left = FPosition < FBytes.size() ? FBytes.size() - FPosition : 0;
    if (Count > Left)
        throw EReadError("Stream read error");
    if (Count > 0)
        std::memcpy(Buffer, FBytes.data() + FPosition, Count);
    FPosition += Count;
}

void TMemoryStream::WriteBuffer(const void* Buffer, std::size_t Count) {
    if (Count == 0)
        return;
    if (Count > FBytes.max_size() - FPosition)
        throw std::length_error("Stream write error");
    // A position beyond the end leaves zero bytes in the gap.
    if (FPosition + Count > FBytes.size())
        FBytes.resize(FPosition + Count);
    std::memcpy(FBytes.data() + FPosition, Buffer, Count);
    FPosition += Count;
}

void TMemoryStream::SetPosition(std::size_t Value) {
    FPosition = Value;
}

// ---- published properties ----

TPublishedProperties& TPublishedProperties::Add(TPublishedProperty Property) {
    FItems.push_back(std::move(Property));
    return *this;
}

const TPublishedProperty* TPublishedProperties::Find(const std::string& Name) const {
    for (const TPublishedProperty& P : FItems)
        if (P.Name == Name)
            return &P;
    return nullptr;
}

// ---- class registry ----

namespace {

struct TRegistry {
    std::mutex Lock;
    std::map<std::string, TComponentFactory> Factories;
};

// Built on first use, so that classes may register from static initialisers
// of any translation unit.
TRegistry& Registry() {
    static TRegistry R;
    return R;
}

std::optional<TComponentFactory> FindFactory(const std::string& ClassName) {
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    auto It = R.Factories.find(ClassName);
    if (It == R.Factories.end())
        return std::nullopt;
    return It->second;
}

} // namespace

void RegisterComponentClass(const std::string& ClassName, TComponentFactory Factory) {
    TRegistry& R = Registry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    R.Factories[ClassName] = std::move(Factory);
}

// ---- value conversions ----

namespace {

// A stored value as a message shows it; long texts are cut, since the text
// may come from a hostile stream.
std::string ValueText(const TStoredValue& Value) {
    constexpr std::size_t MaxText = 40;
    auto Cut = [](const std::string& S) {
        return S.size() <= MaxText ? S : S.substr(0, MaxText) + "...";
    };
    switch (Value.Kind) {
    case TStoredValue::vkInteger:
        return std::to_string(Value.Integer);
    case TStoredValue::vkFloat:
    case TStoredValue::vkIdent:
        return Cut(Value.Text);
    case TStoredValue::vkString:
        return "'" + Cut(Value.Text) + "'";
    case TStoredValue::vkBinary:
        return "binary value of " + std::to_string(Value.Bytes.size()) + " bytes";
    }
    return {};
}

bool IsNonFiniteText(const std::string& Text) {
    return Text == "NaN" || Text == "Inf" || Text == "-Inf";
}

} // namespace

namespace FormStreamDetail {

// The reader puts the component and property in front of these messages.
[[noreturn]] void WrongKind(const std::string&, const TStoredValue& Value) {
    throw EReadError("Invalid property value " + ValueText(Value));
}

[[noreturn]] void OutOfRange(const std::string&, const TStoredValue& Value) {
    throw EReadError("Property value " + ValueText(Value) + " out of range");
}

std::string FloatText(float Value) {
    if (std::isnan(Value))
        return "NaN";
    if (std::isinf(Value))
        return Value < 0 ? "-Inf" : "Inf";
    // "-0" would read back as the integer 0 and lose its sign.
    if (Value == 0.0f && std::signbit(Value))
        return "-0.0";
    char Buffer[32];
    const auto R = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
    std::string Text(Buffer, R.ptr);
    // "1e-05" becomes "1E-5" and "1e+20" becomes "1E20".
    const std::size_t E = Text.find('e');
    if (E != std::string::npos) {
        std::string Mantissa = Text.substr(0, E);
        std::string Exponent = Text.substr(E + 1);
        std::string Sign;
        if (!Exponent.empty() && (Exponent[0] == '+' || Exponent[0] == '-')) {
            if (Exponent[0] == '-')
                Sign = "-";
            Exponent.erase(0, 1);
        }
        while (Exponent.size() > 1 && Exponent[0] == '0')
            Exponent.erase(0, 1);
        Text = Mantissa + "E" + Sign + Exponent;
    }
    return Text;
}

float FloatFromText(const std::string& Property, const TStoredValue& Value) {
    if (Value.Kind == TStoredValue::vkInteger)
        return static_cast<float>(Value.Integer);
    if (Value.Kind != TStoredValue::vkFloat && Value.Kind != TStoredValue::vkIdent)
        WrongKind(Property, Value);
    if (IsNonFiniteText(Value.Text)) {
        if (Value.Text == "NaN")
            return std::numeric_limits<float>::quiet_NaN();
        return Value.Text == "Inf" ? std::numeric_limits<float>::infinity()
                                   : -std::numeric_limits<float>::infinity();
    }
    if (Value.Kind != TStoredValue::vkFloat)
        WrongKind(Property, Value);
    const char* First = Value.Text.data();
    const char* Last = First + Value.Text.size();
    // from_chars takes no leading '+', and would take "inf" and "nan",
    // which the check above has already dealt with in their stored spelling.
    float F = 0;
    const auto R = std::from_chars(First, Last, F);
    if (R.ec == std::errc::result_out_of_range)
        OutOfRange(Property, Value);
    if (R.ec != std::errc() || R.ptr != Last || !std::isfinite(F))
        WrongKind(Property, Value);
    return F;
}

} // namespace FormStreamDetail

// ---- the text form: parsing ----

namespace {

// Deeper nesting is refused; it also bounds the recursion of the reader.
constexpr std::size_t MaxNesting = 32;

struct TNodeProperty {
    std::string Name;
    TStoredValue Value;
    std::size_t Line = 0;
};

struct TNodeObject {
    std::string Name;
    std::string ClassName;
    std::size_t Line = 0;
    std::vector<TNodeProperty> Properties;
    std::vector<std::unique_ptr<TNodeObject>> Children;
};

std::string LineText(std::size_t Line) {
    return "Line " + std::to_string(Line) + ": ";
}

[[noreturn]] void Fail(std::size_t Line, const std::string& Message) {
    throw EReadError(LineText(Line) + Message);
}

bool IsIdentStart(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
}
bool IsIdentChar(char C) {
    return IsIdentStart(C) || (C >= '0' && C <= '9');
}
bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

int HexDigit(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    return -1;
}

enum class TTokenKind { Ident, Integer, Float, String, Binary, Symbol, End };

struct TToken {
    TTokenKind Kind = TTokenKind::End;
    std::string Text; // Ident, Float, String (the decoded bytes), Symbol
    std::int64_t Integer = 0;
    std::vector<std::uint8_t> Bytes;
    std::size_t Line = 0;    // where the token starts
    std::size_t EndLine = 0; // where it ends (a binary value may span lines)
};

class TScanner {
public:
    explicit TScanner(const std::string& Text) : FText(Text) {}

    TToken Next() {
        SkipBlanks();
        TToken T;
        T.Line = FLine;
        if (FPos >= FText.size()) {
            T.Kind = TTokenKind::End;
        } else {
            const char C = FText[FPos];
            if (IsIdentStart(C))
                ScanIdent(T);
            else if (IsDigit(C) || (C == '-' && FPos + 1 < FText.size() &&
                                    (IsDigit(FText[FPos + 1]) || FText[FPos + 1] == 'I')))
                ScanNumber(T);
            else if (C == '\'' || C == '#')
                ScanString(T);
            else if (C == '{')
                ScanBinary(T);
            else if (C == ':' || C == '=') {
                T.Kind = TTokenKind::Symbol;
                T.Text = std::string(1, C);
                ++FPos;
            } else
                Fail(FLine, "Invalid character " + CharText(C));
        }
        T.EndLine = FLine;
        return T;
    }

private:
    static std::string CharText(char C) {
        const auto U = static_cast<unsigned char>(C);
        std::string Text;
        if (U >= 0x20 && U < 0x7F) {
            Text += '\'';
            Text += C;
            Text += '\'';
        } else {
            Text += '#';
            Text += std::to_string(U);
        }
        return Text;
    }

    void SkipBlanks() {
        while (FPos < FText.size()) {
            const char C = FText[FPos];
            if (C == '\n')
                ++FLine;
            else if (C != ' ' && C != '\t' && C != '\r')
                return;
            ++FPos;
        }
    }

    void ScanIdent(TToken& T) {
        const std::size_t Start = FPos;
        while (FPos < FText.size() && IsIdentChar(FText[FPos]))
            ++FPos;
        T.Kind = TTokenKind::Ident;
        T.Text = FText.substr(Start, FPos - Start);
    }

    void ScanNumber(TToken& T) {
        const std::size_t Start = FPos;
        if (FText[FPos] == '-')
            ++FPos;
        if (FText.compare(FPos, 3, "Inf") == 0 &&
            (FPos + 3 >= FText.size() || !IsIdentChar(FText[FPos + 3]))) {
            FPos += 3;
            T.Kind = TTokenKind::Float;
            T.Text = "-Inf";
            return;
        }
        bool IsFloat = false;
        auto Digits = [this] {
            const std::size_t From = FPos;
            while (FPos < FText.size() && IsDigit(FText[FPos]))
                ++FPos;
            return FPos > From;
        };
        if (!Digits())
            Fail(FLine, "Invalid number");
        if (FPos < FText.size() && FText[FPos] == '.') {
            ++FPos;
            IsFloat = true;
            if (!Digits())
                Fail(FLine, "Invalid number");
        }
        if (FPos < FText.size() && (FText[FPos] == 'E' || FText[FPos] == 'e')) {
            ++FPos;
            IsFloat = true;
            if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-'))
                ++FPos;
            if (!Digits())
                Fail(FLine, "Invalid number");
        }
        if (FPos < FText.size() && (IsIdentChar(FText[FPos]) || FText[FPos] == '.'))
            Fail(FLine, "Invalid number");
        const std::string Text = FText.substr(Start, FPos - Start);
        if (IsFloat) {
            T.Kind = TTokenKind::Float;
            T.Text = Text;
            return;
        }
        T.Kind = TTokenKind::Integer;
        const auto R = std::from_chars(Text.data(), Text.data() + Text.size(), T.Integer);
        if (R.ec != std::errc() || R.ptr != Text.data() + Text.size())
            Fail(FLine, "Integer value out of range");
    }

    // Quoted runs ('it''s') and character codes (#13) in any sequence,
    // without blanks between them, make one string.
    void ScanString(TToken& T) {
        T.Kind = TTokenKind::String;
        while (FPos < FText.size()) {
            const char C = FText[FPos];
            if (C == '\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
                        Fail(FLine, "Unterminated string");
                    if (FText[FPos] == '\'') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                            T.Text += '\'';
                            FPos += 2;
                            continue;
                        }
                        ++FPos;
                        break;
                    }
                    T.Text += FText[FPos++];
                }
            } else if (C == '#') {
                ++FPos;
                unsigned Code = 0;
                std::size_t Count = 0;
                while (FPos < FText.size() && IsDigit(FText[FPos])) {
                    Code = Code * 10 + static_cast<unsigned>(FText[FPos] - '0');
                    ++FPos;
                    if (++Count > 3 || Code > 255)
                        Fail(FLine, "Invalid character code in string");
                }
                if (Count == 0)
                    Fail(FLine, "Invalid character code in string");
                T.Text += static_cast<char>(Code);
            } else {
                break;
            }
        }
    }

    // Pairs of hexadecimal digits up to the closing brace; blanks and line
    // ends between them are allowed.
    void ScanBinary(TToken& T) {
        T.Kind = TTokenKind::Binary;
        const std::size_t StartLine = FLine;
        ++FPos;
        int High = -1;
        for (;;) {
            if (FPos >= FText.size())
                Fail(StartLine, "Unterminated binary value");
            const char C = FText[FPos++];
            if (C == '}')
                break;
            if (C == '\n') {
                ++FLine;
                continue;
            }
            if (C == ' ' || C == '\t' || C == '\r')
                continue;
            const int D = HexDigit(C);
            if (D < 0)
                Fail(FLine, "Invalid binary value: " + CharText(C) + " is not a hexadecimal digit");
            if (High < 0) {
                High = D;
            } else {
                T.Bytes.push_back(static_cast<std::uint8_t>(High << 4 | D));
                High = -1;
            }
        }
        if (High >= 0)
            Fail(FLine, "Invalid binary value: odd number of hexadecimal digits");
    }

    const std::string& FText;
    std::size_t FPos = 0;
    std::size_t FLine = 1;
};

// The whole text into a tree of objects, or EReadError; nothing of the form
// is touched yet.
class TParser {
public:
    explicit TParser(const std::string& Text) : FScanner(Text) { Advance(); }

    std::unique_ptr<TNodeObject> Parse() {
        if (!IsKeyword("object"))
            Fail(FToken.Line, "'object' expected");
        auto Root = Heading();
        std::vector<TNodeObject*> Open{Root.get()};
        while (!Open.empty()) {
            TNodeObject& Top = *Open.back();
            if (FToken.Kind == TTokenKind::End)
                Fail(FLastLine, "'end' expected for object " + Top.Name);
            StartOfLine();
            if (IsKeyword("end")) {
                Advance();
                Open.pop_back();
            } else if (IsKeyword("object")) {
                if (Open.size() >= MaxNesting)
                    Fail(FToken.Line, "Objects nested too deeply");
                Top.Children.push_back(Heading());
                Open.push_back(Top.Children.back().get());
            } else if (FToken.Kind == TTokenKind::Ident) {
                if (!Top.Children.empty())
                    Fail(FToken.Line, "Property " + FToken.Text + " after the nested objects");
                Top.Properties.push_back(Property());
            } else {
                Fail(FToken.Line, "Property name, 'object' or 'end' expected");
            }
        }
        if (FToken.Kind != TTokenKind::End)
            Fail(FToken.Line, "Text after the final 'end'");
        return Root;
    }

private:
    void Advance() {
        FLastLine = FToken.EndLine;
        FToken = FScanner.Next();
    }

    bool IsKeyword(const char* Word) const {
        return FToken.Kind == TTokenKind::Ident && FToken.Text == Word;
    }

    // Every heading, property and 'end' begins a line of its own.
    void StartOfLine() const {
        if (FLastLine != 0 && FToken.Line == FLastLine)
            Fail(FToken.Line, "Line end expected");
    }

    // A token of the same line as the one before it.
    void SameLine(const char* What) const {
        if (FToken.Kind == TTokenKind::End || FToken.Line != FLastLine)
            Fail(FLastLine, std::string(What) + " expected");
    }

    std::string Identifier(const char* What) {
        SameLine(What);
        if (FToken.Kind != TTokenKind::Ident)
            Fail(FToken.Line, std::string(What) + " expected");
        std::string Text = FToken.Text;
        Advance();
        return Text;
    }

    void Symbol(char Text) {
        SameLine(Text == ':' ? "':'" : "'='");
        if (FToken.Kind != TTokenKind::Symbol || FToken.Text[0] != Text)
            Fail(FToken.Line, Text == ':' ? "':' expected" : "'=' expected");
        Advance();
    }

    std::unique_ptr<TNodeObject> Heading() {
        auto Node = std::make_unique<TNodeObject>();
        Node->Line = FToken.Line;
        Advance(); // 'object'
        Node->Name = Identifier("Component name");
        Symbol(':');
        Node->ClassName = Identifier("Class name");
        return Node;
    }

    TNodeProperty Property() {
        TNodeProperty P;
        P.Line = FToken.Line;
        P.Name = FToken.Text;
        Advance();
        Symbol('=');
        SameLine("Property value");
        TStoredValue& V = P.Value;
        switch (FToken.Kind) {
        case TTokenKind::Integer:
            V.Kind = TStoredValue::vkInteger;
            V.Integer = FToken.Integer;
            break;
        case TTokenKind::Float:
            V.Kind = TStoredValue::vkFloat;
            V.Text = std::move(FToken.Text);
            break;
        case TTokenKind::Ident:
            V.Kind = TStoredValue::vkIdent;
            V.Text = std::move(FToken.Text);
            break;
        case TTokenKind::String:
            V.Kind = TStoredValue::vkString;
            V.Text = std::move(FToken.Text);
            break;
        case TTokenKind::Binary:
            V.Kind = TStoredValue::vkBinary;
            V.Bytes = std::move(FToken.Bytes);
            break;
        default:
            Fail(FToken.Line, "Property value expected");
        }
        Advance();
        return P;
    }

    TScanner FScanner;
    TToken FToken;
    std::size_t FLastLine = 0;
};

// ---- the text form: reading into components ----

// Hands a defined property's reader the one stored value.
class TValueReader : public TReader {
public:
    explicit TValueReader(const TStoredValue& Value) : FValue(Value) {}

    std::int32_t ReadInteger() override {
        if (FRead)
            throw EReadError("Stream read error");
        FRead = true;
        if (FValue.Kind != TStoredValue::vkInteger)
            FormStreamDetail::WrongKind({}, FValue);
        if (FValue.Integer < std::numeric_limits<std::int32_t>::min() ||
            FValue.Integer > std::numeric_limits<std::int32_t>::max())
            FormStreamDetail::OutOfRange({}, FValue);
        return static_cast<std::int32_t>(FValue.Integer);
    }

private:
    const TStoredValue& FValue;
    bool FRead = false;
};

// Finds the reader of one defined property; the reader is called after
// DefineProperties has returned.
class TReadingFiler : public TFiler {
public:
    explicit TReadingFiler(const std::string& Name) : FName(Name) {}

    void DefineProperty(const std::string& Name, std::function<void(TReader&)> ReadData,
                        std::function<void(TWriter&)>, bool) override {
        if (!FFound && Name == FName) {
            FFound = true;
            FRead = std::move(ReadData);
        }
    }

    void DefineBinaryProperty(const std::string& Name, std::function<void(TMemoryStream&)> ReadData,
                              std::function<void(TMemoryStream&)>, bool) override {
        if (!FFound && Name == FName) {
            FFound = true;
            FReadBinary = std::move(ReadData);
        }
    }

    bool Found() const { return FFound; }

    void Read(const TStoredValue& Value) const {
        if (FRead) {
            TValueReader Reader(Value);
            FRead(Reader);
        } else if (FReadBinary) {
            if (Value.Kind != TStoredValue::vkBinary)
                FormStreamDetail::WrongKind({}, Value);
            TMemoryStream Stream(Value.Bytes);
            FReadBinary(Stream);
        }
    }

private:
    const std::string& FName;
    bool FFound = false;
    std::function<void(TReader&)> FRead;
    std::function<void(TMemoryStream&)> FReadBinary;
};

class TFormReader {
public:
    explicit TFormReader(TComponent& Root) : FRoot(Root) {}

    void Read(const TNodeObject& Tree) {
        if (Tree.ClassName != FRoot.ClassName())
            Fail(Tree.Line, "Stream holds a " + Tree.ClassName + ", not a " + FRoot.ClassName());
        try {
            FRoot.SetName(Tree.Name);
            FRoot.SetLoading(true);
            Assign(Tree, FRoot);
        } catch (...) {
            EndLoading();
            // The last created first: a child goes before its owner.
            while (!FCreated.empty()) {
                TComponent* C = FCreated.back();
                FCreated.pop_back();
                delete C;
            }
            throw;
        }
        EndLoading();
    }

private:
    void EndLoading() {
        FRoot.SetLoading(false);
        for (TComponent* C : FCreated)
            C->SetLoading(false);
    }

    // Recursion bounded by the parser's nesting limit.
    void Assign(const TNodeObject& Node, TComponent& Component) {
        for (const TNodeProperty& P : Node.Properties)
            AssignProperty(P, Component);
        for (const auto& Child : Node.Children)
            Assign(*Child, Create(*Child, Component));
    }

    TComponent& Create(const TNodeObject& Node, TComponent& Owner) {
        const std::optional<TComponentFactory> Factory = FindFactory(Node.ClassName);
        if (!Factory || !*Factory)
            Fail(Node.Line, "Class " + Node.ClassName + " not found");
        if (Owner.FindComponent(Node.Name) != nullptr)
            Fail(Node.Line,
                 "A component named " + Node.Name + " already exists in " + Owner.Name());
        TComponent* C = nullptr;
        try {
            C = (*Factory)(&Owner);
        } catch (const std::exception& E) {
            Fail(Node.Line, "Error creating " + Node.Name + ": " + E.what());
        }
        if (C == nullptr)
            Fail(Node.Line, "Error creating " + Node.Name + ": no component made");
        if (C->Owner() != &Owner) {
            delete C;
            Fail(Node.Line, "Error creating " + Node.Name + ": not owned by " + Owner.Name());
        }
        FCreated.push_back(C);
        C->SetName(Node.Name);
        C->SetLoading(true);
        return *C;
    }

    void AssignProperty(const TNodeProperty& P, TComponent& Component) {
        try {
            if (const TPublishedProperty* Published = Component.Published().Find(P.Name)) {
                Published->Set(Component, P.Value);
                return;
            }
            TReadingFiler Filer(P.Name);
            Component.DefineProperties(Filer);
            if (Filer.Found()) {
                Filer.Read(P.Value);
                return;
            }
        } catch (const std::exception& E) {
            Fail(P.Line, "Error reading " + Component.Name() + "." + P.Name + ": " + E.what());
        }
        Fail(P.Line, "Property " + P.Name + " does not exist");
    }

    TComponent& FRoot;
    std::vector<TComponent*> FCreated; // in creation order
};

// ---- the text form: writing ----

// Collects the one value a defined property's writer writes.
class TValueWriter : public TWriter {
public:
    void WriteInteger(std::int32_t Value) override {
        if (FValue)
            throw std::logic_error("A defined property writes one value");
        TStoredValue V;
        V.Kind = TStoredValue::vkInteger;
        V.Integer = Value;
        FValue = std::move(V);
    }
    std::optional<TStoredValue> FValue;
};

class TTextWriter;

class TWritingFiler : public TFiler {
public:
    explicit TWritingFiler(TTextWriter& Writer) : FWriter(Writer) {}
    void DefineProperty(const std::string& Name, std::function<void(TReader&)>,
                        std::function<void(TWriter&)> WriteData, bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, std::function<void(TMemoryStream&)>,
                              std::function<void(TMemoryStream&)> WriteData, bool HasData) override;

private:
    TTextWriter& FWriter;
};

class TTextWriter {
public:
    void WriteObject(const TComponent& C) {
        Indent();
        FText += "object " + C.Name() + ": " + C.ClassName() + "\n";
        ++FLevel;
        for (const TPublishedProperty& P : C.Published().Items())
            if (P.Get && (!P.IsStored || P.IsStored(C)))
                WriteProperty(P.Name, P.Get(C));
        // DefineProperties is not const: the same override serves the
        // reader, which assigns through it. Writing changes nothing.
        TWritingFiler Filer(*this);
        const_cast<TComponent&>(C).DefineProperties(Filer);
        for (int K = 0; K < C.ComponentCount(); ++K) {
            const TComponent* Child = C.Components(K);
            if (FindFactory(Child->ClassName()))
                WriteObject(*Child);
        }
        --FLevel;
        Indent();
        FText += "end\n";
    }

    void WriteProperty(const std::string& Name, const TStoredValue& Value) {
        Indent();
        FText += Name + " = ";
        switch (Value.Kind) {
        case TStoredValue::vkInteger:
            FText += std::to_string(Value.Integer);
            break;
        case TStoredValue::vkFloat:
        case TStoredValue::vkIdent:
            FText += Value.Text;
            break;
        case TStoredValue::vkString:
            WriteString(Value.Text);
            break;
        case TStoredValue::vkBinary:
            WriteBinary(Value.Bytes);
            break;
        }
        FText += "\n";
    }

    std::string Text() && { return std::move(FText); }

private:
    void Indent() { FText.append(2 * FLevel, ' '); }

    // Control characters as codes (#10), so that a string stays on its line.
    void WriteString(const std::string& S) {
        if (S.empty()) {
            FText += "''";
            return;
        }
        bool Quoted = false;
        for (const char C : S) {
            const auto U = static_cast<unsigned char>(C);
            if (U < 0x20 || U == 0x7F) {
                if (Quoted)
                    FText += '\'';
                Quoted = false;
                FText += '#';
                FText += std::to_string(U);
                continue;
            }
            if (!Quoted)
                FText += '\'';
            Quoted = true;
            FText += C;
            if (C == '\'')
                FText += '\'';
        }
        if (Quoted)
            FText += '\'';
    }

    // 32 bytes a line, one level deeper than the property, the brace right
    // after the last digits.
    void WriteBinary(const std::vector<std::uint8_t>& Bytes) {
        static const char Digits[] = "0123456789ABCDEF";
        FText += "{";
        for (std::size_t K = 0; K < Bytes.size(); ++K) {
            if (K % 32 == 0) {
                FText += "\n";
                FText.append(2 * (FLevel + 1), ' ');
            }
            FText += Digits[Bytes[K] >> 4];
            FText += Digits[Bytes[K] & 0xF];
        }
        FText += "}";
    }

    std::string FText;
    std::size_t FLevel = 0;
};

void TWritingFiler::DefineProperty(const std::string& Name, std::function<void(TReader&)>,
                                   std::function<void(TWriter&)> WriteData, bool HasData) {
    if (!HasData || !WriteData)
        return;
    TValueWriter W;
    WriteData(W);
    // A writer that writes nothing stores nothing.
    if (W.FValue)
        FWriter.WriteProperty(Name, *W.FValue);
}

void TWritingFiler::DefineBinaryProperty(const std::string& Name,
                                         std::function<void(TMemoryStream&)>,
                                         std::function<void(TMemoryStream&)> WriteData,
                                         bool HasData) {
    if (!HasData || !WriteData)
        return;
    TMemoryStream Stream;
    WriteData(Stream);
    TStoredValue V;
    V.Kind = TStoredValue::vkBinary;
    V.Bytes = Stream.Bytes();
    FWriter.WriteProperty(Name, V);
}

} // namespace

std::string WriteComponentText(const TComponent& Root) {
    TTextWriter Writer;
    Writer.WriteObject(Root);
    return std::move(Writer).Text();
}

void ReadComponentText(const std::string& Text, TComponent& Root) {
    const std::unique_ptr<TNodeObject> Tree = TParser(Text).Parse();
    TFormReader(Root).Read(*Tree);
}
