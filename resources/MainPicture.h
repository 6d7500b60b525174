// The main window's picture: a 166 x 182 colour baseline JPEG, compiled into
// the program from resources/MainPicture.jpg.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t MainPictureJpeg[];
extern const std::size_t MainPictureJpegSize;
