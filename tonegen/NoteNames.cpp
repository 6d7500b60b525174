#include "NoteNames.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace {

bool IsTrimmed(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

// The text between blanks and control characters, letters in upper case
// (ASCII only; other bytes stay as they are and make the name invalid).
std::string Normalised(std::string_view Text) {
    std::size_t First = 0, Last = Text.size();
    while (First < Last && IsTrimmed(Text[First]))
        ++First;
    while (Last > First && IsTrimmed(Text[Last - 1]))
        --Last;
    std::string Out(Text.substr(First, Last - First));
    for (char& C : Out)
        if (C >= 'a' && C <= 'z')
            C = static_cast<char>(C - 'a' + 'A');
    return Out;
}

int DigitValue(char C, int Base) {
    int V = -1;
    if (C >= '0' && C <= '9')
        V = C - '0';
    else if (C >= 'A' && C <= 'F')
        V = C - 'A' + 10;
    return V < Base ? V : -1;
}

// The signed 32-bit integer conversion: optional leading blanks, an optional
// sign, then decimal digits or hexadecimal digits after "$", "X" or "0X",
// and nothing after them. Text is already in upper case.
std::optional<std::int32_t> ToInteger(std::string_view Text) {
    std::size_t K = 0;
    while (K < Text.size() && Text[K] == ' ')
        ++K;
    bool Negative = false;
    if (K < Text.size() && (Text[K] == '+' || Text[K] == '-'))
        Negative = Text[K++] == '-';
    int Base = 10;
    if (K < Text.size() && (Text[K] == '$' || Text[K] == 'X')) {
        Base = 16;
        ++K;
    } else if (K + 1 < Text.size() && Text[K] == '0' && Text[K + 1] == 'X') {
        Base = 16;
        K += 2;
    }
    if (K == Text.size())
        return std::nullopt;
    // The value, decimal or hexadecimal, must fit a signed 32-bit integer.
    const std::int64_t Limit = Negative ? 2147483648ll : 2147483647ll;
    std::int64_t Value = 0;
    for (; K < Text.size(); ++K) {
        const int D = DigitValue(Text[K], Base);
        if (D < 0)
            return std::nullopt;
        Value = Value * Base + D;
        if (Value > Limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(Negative ? -Value : Value);
}

// The semitone of a letter within its octave (which begins at A).
int Semitone(char Letter) {
    switch (Letter) {
    case 'A':
        return 0;
    case 'B':
        return 2;
    case 'C':
        return 3;
    case 'D':
        return 5;
    case 'E':
        return 7;
    case 'F':
        return 8;
    case 'G':
        return 10;
    default:
        return -1;
    }
}

// The note number of the name, and the octave after it; nothing when the
// name is malformed.
std::optional<std::int64_t> NoteNumber(std::string_view T, std::int64_t& O) {
    if (!T.empty() && T.front() == 'N') {
        const auto N = ToInteger(T.substr(1));
        if (!N || *N < 0 || *N > 121)
            return std::nullopt;
        return *N;
    }
    if (!T.empty() && T.front() == 'O') {
        T.remove_prefix(1);
        if (T.empty() || T.front() < '0' || T.front() > '9')
            return std::nullopt;
        O = T.front() - '0';
        T.remove_prefix(1);
    } else {
        while (!T.empty() && (T.front() == '<' || T.front() == '>')) {
            O = T.front() == '<' ? std::max<std::int64_t>(O - 1, 0)
                                 : std::min<std::int64_t>(O + 1, 9);
            T.remove_prefix(1);
        }
    }
    if (T.empty() || Semitone(T.front()) < 0)
        return std::nullopt;
    const char Letter = T.front();
    std::int64_t S = Semitone(Letter);
    T.remove_prefix(1);
    if (!T.empty() && (T.front() == '+' || T.front() == '#')) {
        T.remove_prefix(1);
        if (Letter == 'B' || Letter == 'E')
            return std::nullopt;
        ++S;
    } else if (!T.empty() && T.front() == '-') {
        T.remove_prefix(1);
        if (Letter == 'C' || Letter == 'F')
            return std::nullopt;
        if (Letter == 'A') {
            // A flat is the G sharp at the top of the octave below.
            S = 11;
            if (--O < 0)
                return std::nullopt;
        } else {
            --S;
        }
    }
    if (!T.empty())
        return std::nullopt;
    return S + 12 * O;
}

} // namespace

std::int32_t NoteToFrequency(std::string_view Text, std::int32_t& Octave) {
    // The octave arithmetic is done in 64 bits, so that an octave far outside
    // 0 to 9 given on entry (no name leads there) cannot overflow it. Every
    // octave a well-formed name leaves fits 32 bits again: "<" and ">" bring
    // it into 0 to 9, and a flat A below octave 0 is malformed.
    std::int64_t O = Octave;
    const auto N = NoteNumber(Normalised(Text), O);
    if (!N)
        return 0;
    Octave = static_cast<std::int32_t>(O);
    // Far outside the notes that can lie within 20 to 20000 Hz, the power is
    // not formed at all.
    const std::int64_t Steps = *N - 48;
    if (Steps < -120 || Steps > 120)
        return 0;
    // In extended precision. A whole number of octaves from the A of octave
    // 4 is an exact power of two, so every A is exact; other notes go
    // through e^(x ln 2).
    long double F;
    if (Steps % 12 == 0)
        F = std::ldexp(440.0L, static_cast<int>(Steps / 12));
    else
        F = 440.0L * std::exp(static_cast<long double>(Steps) / 12.0L * std::log(2.0L));
    const auto Hz = static_cast<std::int64_t>(F + 0.5L);
    return Hz >= 20 && Hz <= 20000 ? static_cast<std::int32_t>(Hz) : 0;
}
