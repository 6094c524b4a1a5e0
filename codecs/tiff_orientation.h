#pragma once

// Turning a picture stored in any of the eight TIFF orientations upright.

#include "image/dib_image.h"

// Rebuilds `picture`, read in stored order (first stored row at the top),
// as the orientation tag says it is to be seen: 2 mirrored, 3 turned by
// 180 degrees, 4 flipped, 5 to 8 with rows and columns exchanged. Any depth.
// Other values leave it alone. False when the new picture cannot be made
// (the old one is kept).
bool OrientUpright(CDibImage& picture, unsigned orientation);
