#pragma once
// The two programs' window icons, 32 x 32, drawn from pixel art kept in icons.cpp.
// Every pixel is opaque (the icons have no transparent colour).
#include "platform/pixels.hpp"

#include <vector>

namespace assets {

platform::pixels::Bitmap shooterIcon();
platform::pixels::Bitmap mapeditIcon();

// An icon at another size, scaled by nearest neighbour so the pixel art stays crisp.
platform::pixels::Bitmap iconAtSize(const platform::pixels::Bitmap& art, int size);
// The sizes a window hands its desktop (32, 64 and 128 pixels): the art's pixels as square blocks.
std::vector<platform::pixels::Bitmap> windowIcons(const platform::pixels::Bitmap& art);

} // namespace assets
