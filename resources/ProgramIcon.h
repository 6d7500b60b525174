// The program icon: PNG images of 32 x 32 and 64 x 64 pixels (8-bit RGBA),
// compiled into the program from resources/ProgramIcon32.png and
// ProgramIcon64.png, which make_icon.py draws.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t ProgramIcon32Png[];
extern const std::size_t ProgramIcon32PngSize;
extern const std::uint8_t ProgramIcon64Png[];
extern const std::size_t ProgramIcon64PngSize;
