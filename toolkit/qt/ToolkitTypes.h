// The vocabulary shared by the window toolkit's controls: colours, fonts,
// text alignment and event handlers. Nothing here includes the window system.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TComponent;

// A colour as 0x00BBGGRR, or a system colour when the top bit is set (the
// toolkit's backend resolves those from its own palette).
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clBtnFace = 0x8000000F;

enum TFontStyle : unsigned {
    fsBold = 1u << 0,
    fsItalic = 1u << 1,
    fsUnderline = 1u << 2,
};

// Height is the character height in pixels (the em size, without the
// internal leading). A family that is not installed is drawn in the
// system's sans-serif face at the same height.
struct TFont {
    std::string Name = "MS Sans Serif";
    int Height = 11;
    unsigned Style = 0;
    TColor Color = clWindowText;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Every event handler receives the component that raised it.
using TNotifyEvent = std::function<void(TComponent* Sender)>;
