// A picture box: draws its picture unscaled from the top-left corner of its
// area, clipped to the area; what the picture does not cover shows the
// parent's face.
#pragma once

#include "Control.h"

#include <cstdint>

class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);

    // Copies a picture of AHeight rows of AWidth pixels, 3 bytes per pixel
    // (red, green, blue), rows top first without padding.
    void SetPicture(int AWidth, int AHeight, const std::uint8_t* Rgb);
    void ClearPicture();
    int PictureWidth() const;
    int PictureHeight() const;
};
