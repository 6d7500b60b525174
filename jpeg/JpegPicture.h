// Decoding of JPEG pictures held in memory, with libjpeg.
//
// The window toolkit draws pictures from plain RGB rows, so this layer turns
// the stored JPEG data of a window into exactly that and nothing else; it has
// no window-system dependency.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A decoded picture: Height rows of Width pixels, top row first, 3 bytes per
// pixel (red, green, blue), no padding between rows.
struct TJpegPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;
};

// Pictures larger than this many pixels are refused rather than allocated.
inline constexpr std::size_t MaxJpegPixels = std::size_t{1} << 26;

// Decodes the Size bytes at Data into Picture (colour and greyscale pictures
// both come out as RGB). Returns false, leaves Picture empty and, when Error
// is given, says why for data that is not a complete, sound JPEG stream:
// libjpeg's corrupt-data warnings count as failures, so that a truncated
// picture is not shown half grey.
bool DecodeJpeg(const void* Data, std::size_t Size, TJpegPicture& Picture,
                std::string* Error = nullptr);
