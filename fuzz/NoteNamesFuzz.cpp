// Fuzz target: note names as frequencies, as --note, --partial-note and the
// tone generator's SetNote take them from a user.
//
// The first byte picks the octave the name is read in: one of the ten
// octaves a caller holds (0 to 9) for most inputs, any 32-bit value from the
// next four bytes for the rest. The rest of the input is the name. A result
// is 0 or a frequency from 20 to 20000 Hz, and an octave that starts within
// 0 to 9 stays within it.
#include "NoteNames.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

[[noreturn]] void Finding(const char* What, std::string_view Name, std::int32_t Octave) {
    std::fprintf(stderr, "note names: %s: '%.*s' in octave %d\n", What,
                 static_cast<int>(Name.size()), Name.data(), static_cast<int>(Octave));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size == 0)
        return 0;
    std::int32_t Start = Data[0] % 10;
    std::size_t Used = 1;
    if (Data[0] >= 250) {
        if (Size < 5)
            return 0;
        std::memcpy(&Start, Data + 1, 4);
        Used = 5;
    }
    const std::string_view Name(reinterpret_cast<const char*>(Data) + Used, Size - Used);
    std::int32_t Octave = Start;
    const std::int32_t Hz = NoteToFrequency(Name, Octave);
    if (Hz != 0 && (Hz < 20 || Hz > 20000))
        Finding("frequency outside 20 to 20000 Hz", Name, Start);
    if (Start >= 0 && Start <= 9 && (Octave < 0 || Octave > 9))
        Finding("octave left 0 to 9", Name, Start);
    return 0;
}
