// The main window's stored form (app/VardenFree.frm), compiled into the
// program: the components it carries beyond its own controls, with their
// design values.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t VardenFreeForm[];
extern const std::size_t VardenFreeFormSize;
