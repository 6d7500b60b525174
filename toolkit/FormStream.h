// Form streams of the component model: the published properties of a
// component with their declared defaults and stored rules, binary and other
// defined properties (TComponent::DefineProperties), a memory stream, and the
// text form in which a form and the components it owns are stored, written
// and read back.
//
// The stored form is text, one property per line, so that a form kept in the
// repository can be reviewed and diffed:
//
//   object Form1: TForm1
//     object ToneGen1: TToneGen
//       Duration = 30000
//       Loop = True
//       AMFrequency = 0.5
//       Left = 64
//       Top = 16
//       AMArrayData = {
//         0700000000000000010000000000003F00000000}
//     end
//   end
//
// Values: integers (decimal, optional minus sign, within 64 bits),
// floating-point numbers (shortest decimal that reads back to the same bits;
// NaN, Inf, -Inf), identifiers (True, False, enumeration names), strings in
// single quotes (a quote doubled, control characters as #10 codes, other
// bytes as they are), and binary values as an even number of hexadecimal
// digits in braces, which may span lines. Each heading, property and "end"
// starts a line of its own; the properties of an object come before the
// objects nested in it; objects nest at most 32 deep. Blank lines, trailing
// blanks and Windows line ends are accepted, any other text after the last
// "end" is not.
//
// Reading assigns each stored value through the property's setter, in the
// order of the stream, with the component in its loading state; a defined
// property gets its own reader. Any fault (a malformed text, an unknown
// class, component or property, a value of the wrong kind or out of the
// property type's range, a defined property's reader failing) ends the
// reading with EReadError, whose message names the line and, where there is
// one, the component and property ("Error reading ToneGen1.AMArrayData:
// Stream read error"). Components the reader created are freed again before
// the error leaves it, so a failed read leaves no half-built form behind.
#pragma once

#include "Component.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// A failed read of a form stream or of a stream's bytes.
class EReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes in memory with a position, for the readers and writers of binary
// properties. Reading past the end fails with EReadError("Stream read error")
// and reads nothing.
class TMemoryStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> Bytes) : FBytes(std::move(Bytes)) {}

    void ReadBuffer(void* Buffer, std::size_t Count);
    void WriteBuffer(const void* Buffer, std::size_t Count); // at the position, growing the stream
    std::size_t Position() const { return FPosition; }
    void SetPosition(std::size_t Value);
    std::size_t Size() const { return FBytes.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return FBytes; }

private:
    std::vector<std::uint8_t> FBytes;
    std::size_t FPosition = 0;
};

// A stored value as the stream holds it, before a setter gives it a type.
struct TStoredValue {
    enum TKind { vkInteger, vkFloat, vkIdent, vkString, vkBinary };
    TKind Kind = vkInteger;
    std::int64_t Integer = 0;        // vkInteger
    std::string Text;                // vkFloat (its decimal text), vkIdent, vkString
    std::vector<std::uint8_t> Bytes; // vkBinary
};

// One published property of a class: its name, how to read and assign it as
// a stored value, and whether a component's current value is stored.
struct TPublishedProperty {
    std::string Name;
    std::function<TStoredValue(const TComponent&)> Get;
    // Converts and assigns through the property's setter; throws EReadError
    // when the value has the wrong kind or does not fit the property's type.
    std::function<void(TComponent&, const TStoredValue&)> Set;
    std::function<bool(const TComponent&)> IsStored;
};

// The published properties of a class in declaration order, those of its
// base classes first. Built once per class with the helpers below:
//
//   static const TPublishedProperties P =
//       TPublishedProperties(TComponent::PublishedProperties())
//           .Integer("Frequency", &TToneGen::Frequency, &TToneGen::SetFrequency, 440)
//           .Enumeration("Waveform", &TToneGen::Waveform, &TToneGen::SetWaveform,
//                        {"tgSine", "tgSquare", ...}, tgSine)
//           .Boolean("Async", &TToneGen::Async, &TToneGen::SetAsync, true)
//           .Integer("AMAmplitude", &TToneGen::AMAmplitude, &TToneGen::SetAMAmplitude)
//           .Single("AMFrequency", &TToneGen::AMFrequency, &TToneGen::SetAMFrequency);
//
// A property given a default is stored only when its value differs from it;
// an integer, enumeration or boolean property without one is always stored;
// a floating-point property without one is stored when it is not zero.
class TPublishedProperties {
public:
    TPublishedProperties() = default;

    template <class C, class T>
    TPublishedProperties& Integer(std::string Name, T (C::*Getter)() const, void (C::*Setter)(T));
    template <class C, class T>
    TPublishedProperties& Integer(std::string Name, T (C::*Getter)() const, void (C::*Setter)(T),
                                  std::type_identity_t<T> Default);
    template <class C, class E>
    TPublishedProperties& Enumeration(std::string Name, E (C::*Getter)() const,
                                      void (C::*Setter)(E), std::vector<std::string> Names);
    template <class C, class E>
    TPublishedProperties& Enumeration(std::string Name, E (C::*Getter)() const,
                                      void (C::*Setter)(E), std::vector<std::string> Names,
                                      std::type_identity_t<E> Default);
    template <class C>
    TPublishedProperties& Boolean(std::string Name, bool (C::*Getter)() const,
                                  void (C::*Setter)(bool), bool Default);
    template <class C>
    TPublishedProperties& Single(std::string Name, float (C::*Getter)() const,
                                 void (C::*Setter)(float));

    TPublishedProperties& Add(TPublishedProperty Property);
    const std::vector<TPublishedProperty>& Items() const { return FItems; }
    const TPublishedProperty* Find(const std::string& Name) const;

private:
    std::vector<TPublishedProperty> FItems;
};

class TReader;
class TWriter;

// What a component's DefineProperties is given: while writing, the filer
// calls each writer whose HasData is true; while reading, it calls the reader
// of the property whose name the stream holds.
class TFiler {
public:
    virtual ~TFiler() = default;
    // A property stored as one ordinary value (an integer, say).
    virtual void DefineProperty(const std::string& Name, std::function<void(TReader&)> ReadData,
                                std::function<void(TWriter&)> WriteData, bool HasData) = 0;
    // A property stored as bytes. The reader is given a stream holding
    // exactly the stored bytes; what the writer writes is stored.
    virtual void DefineBinaryProperty(const std::string& Name,
                                      std::function<void(TMemoryStream&)> ReadData,
                                      std::function<void(TMemoryStream&)> WriteData,
                                      bool HasData) = 0;
};

// The value reader handed to a defined property's reader.
class TReader {
public:
    virtual ~TReader() = default;
    virtual std::int32_t ReadInteger() = 0; // EReadError when the value is not a 32-bit integer
};

// The value writer handed to a defined property's writer.
class TWriter {
public:
    virtual ~TWriter() = default;
    virtual void WriteInteger(std::int32_t Value) = 0;
};

// Creates components of stored classes by class name.
using TComponentFactory = std::function<TComponent*(TComponent* Owner)>;
void RegisterComponentClass(const std::string& ClassName, TComponentFactory Factory);

// The stored form of Root (its class and name, its published and defined
// properties) and of every component Root owns whose class is registered, in
// the order they were inserted, recursively. Components of unregistered
// classes (the controls a form builds in its own code) are not stored.
std::string WriteComponentText(const TComponent& Root);

// Reads a stored form into the existing Root: the outer object's class must
// be Root's ClassName() (its name becomes Root's name); nested objects are
// created through the registered factories, owned by the object they are
// nested in, named, and then given their stored values. Loading state is
// set on every component of the form while values are assigned and cleared
// when the whole form has been read (also on failure). See the header
// comment for the failures. The whole text is parsed before anything is
// assigned, so a malformed text changes nothing; a later failure frees the
// components the reader created, but values already assigned to Root (and
// its name) stay as assigned.
void ReadComponentText(const std::string& Text, TComponent& Root);

// ---- template definitions ----

namespace FormStreamDetail {
[[noreturn]] void WrongKind(const std::string& Property, const TStoredValue& Value);
[[noreturn]] void OutOfRange(const std::string& Property, const TStoredValue& Value);
// The shortest decimal that reads back to the same bits ("0.5", "1E-5";
// "NaN", "Inf" and "-Inf" for the values that have no decimal).
std::string FloatText(float Value);
// A float from a vkFloat or vkInteger value (or the texts above); EReadError
// for any other value and for a number outside the range of float.
float FloatFromText(const std::string& Property, const TStoredValue& Value);
} // namespace FormStreamDetail

template <class C, class T>
TPublishedProperties& TPublishedProperties::Integer(std::string Name, T (C::*Getter)() const,
                                                    void (C::*Setter)(T)) {
    TPublishedProperty P;
    P.Name = Name;
    P.Get = [Getter](const TComponent& O) {
        TStoredValue V;
        V.Kind = TStoredValue::vkInteger;
        V.Integer = static_cast<std::int64_t>((static_cast<const C&>(O).*Getter)());
        return V;
    };
    P.Set = [Setter, Name](TComponent& O, const TStoredValue& V) {
        if (V.Kind != TStoredValue::vkInteger)
            FormStreamDetail::WrongKind(Name, V);
        if (!std::in_range<T>(V.Integer))
            FormStreamDetail::OutOfRange(Name, V);
        (static_cast<C&>(O).*Setter)(static_cast<T>(V.Integer));
    };
    P.IsStored = [](const TComponent&) { return true; };
    return Add(std::move(P));
}

template <class C, class T>
TPublishedProperties& TPublishedProperties::Integer(std::string Name, T (C::*Getter)() const,
                                                    void (C::*Setter)(T),
                                                    std::type_identity_t<T> Default) {
    Integer(Name, Getter, Setter);
    FItems.back().IsStored = [Getter, Default](const TComponent& O) {
        return (static_cast<const C&>(O).*Getter)() != Default;
    };
    return *this;
}

template <class C, class E>
TPublishedProperties& TPublishedProperties::Enumeration(std::string Name, E (C::*Getter)() const,
                                                        void (C::*Setter)(E),
                                                        std::vector<std::string> Names) {
    TPublishedProperty P;
    P.Name = Name;
    P.Get = [Getter, Names](const TComponent& O) {
        TStoredValue V;
        V.Kind = TStoredValue::vkIdent;
        const auto Ordinal = static_cast<std::size_t>((static_cast<const C&>(O).*Getter)());
        // An ordinal without a name (a value the component keeps unchecked,
        // such as a partial's waveform read from its stored table) is written
        // as its number, and read back as that number.
        if (Ordinal < Names.size()) {
            V.Text = Names[Ordinal];
        } else {
            V.Kind = TStoredValue::vkInteger;
            V.Integer = static_cast<std::int64_t>(Ordinal);
        }
        return V;
    };
    P.Set = [Setter, Names, Name](TComponent& O, const TStoredValue& V) {
        using TOrdinal = std::underlying_type_t<E>;
        if (V.Kind == TStoredValue::vkInteger) {
            // Only the numbers that have no name: a named value is always
            // stored by its name.
            if (V.Integer < static_cast<std::int64_t>(Names.size()) ||
                !std::in_range<TOrdinal>(V.Integer))
                FormStreamDetail::OutOfRange(Name, V);
            (static_cast<C&>(O).*Setter)(static_cast<E>(static_cast<TOrdinal>(V.Integer)));
            return;
        }
        if (V.Kind != TStoredValue::vkIdent)
            FormStreamDetail::WrongKind(Name, V);
        for (std::size_t K = 0; K < Names.size(); ++K)
            if (Names[K] == V.Text) {
                (static_cast<C&>(O).*Setter)(static_cast<E>(K));
                return;
            }
        FormStreamDetail::OutOfRange(Name, V);
    };
    P.IsStored = [](const TComponent&) { return true; };
    return Add(std::move(P));
}

template <class C, class E>
TPublishedProperties&
TPublishedProperties::Enumeration(std::string Name, E (C::*Getter)() const, void (C::*Setter)(E),
                                  std::vector<std::string> Names, std::type_identity_t<E> Default) {
    Enumeration(Name, Getter, Setter, std::move(Names));
    FItems.back().IsStored = [Getter, Default](const TComponent& O) {
        return (static_cast<const C&>(O).*Getter)() != Default;
    };
    return *this;
}

template <class C>
TPublishedProperties& TPublishedProperties::Boolean(std::string Name, bool (C::*Getter)() const,
                                                    void (C::*Setter)(bool), bool Default) {
    TPublishedProperty P;
    P.Name = Name;
    P.Get = [Getter](const TComponent& O) {
        TStoredValue V;
        V.Kind = TStoredValue::vkIdent;
        V.Text = (static_cast<const C&>(O).*Getter)() ? "True" : "False";
        return V;
    };
    P.Set = [Setter, Name](TComponent& O, const TStoredValue& V) {
        if (V.Kind != TStoredValue::vkIdent)
            FormStreamDetail::WrongKind(Name, V);
        if (V.Text == "True")
            (static_cast<C&>(O).*Setter)(true);
        else if (V.Text == "False")
            (static_cast<C&>(O).*Setter)(false);
        else
            FormStreamDetail::OutOfRange(Name, V);
    };
    P.IsStored = [Getter, Default](const TComponent& O) {
        return (static_cast<const C&>(O).*Getter)() != Default;
    };
    return Add(std::move(P));
}

template <class C>
TPublishedProperties& TPublishedProperties::Single(std::string Name, float (C::*Getter)() const,
                                                   void (C::*Setter)(float)) {
    TPublishedProperty P;
    P.Name = Name;
    P.Get = [Getter](const TComponent& O) {
        TStoredValue V;
        V.Kind = TStoredValue::vkFloat;
        V.Text = FormStreamDetail::FloatText((static_cast<const C&>(O).*Getter)());
        return V;
    };
    P.Set = [Setter, Name](TComponent& O, const TStoredValue& V) {
        (static_cast<C&>(O).*Setter)(FormStreamDetail::FloatFromText(Name, V));
    };
    P.IsStored = [Getter](const TComponent& O) {
        return (static_cast<const C&>(O).*Getter)() != 0.0f;
    };
    return Add(std::move(P));
}
