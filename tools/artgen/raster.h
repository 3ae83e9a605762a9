// Turns a frame description into an indexed picture.
#pragma once

#include "description.h"
#include "image.h"

namespace jellop::art {

// Draws the frame: the silhouette from its body/cut shapes, a one-pixel dark
// outline, automatic jelly shading of the inside, then the painted details.
// A mirrored frame is its source frame flipped left-right.
Image renderFrame(const Description& d, const FrameDesc& frame);

} // namespace jellop::art
