#pragma once
// The two programs' window icons, 32 x 32, drawn from pixel art kept in icons.cpp.
// Every pixel is opaque (the icons have no transparent colour).
#include "platform/pixels.hpp"

namespace assets {

pixels::Bitmap shooterIcon();
pixels::Bitmap mapeditIcon();

} // namespace assets
