// The readable art description (jellop.art) as data, and its parser.
//
// Geometry is in pixels with y growing downwards; numbers may carry up to
// three decimals and are kept as integer thousandths of a pixel so that the
// rasteriser never depends on floating point.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image.h"

namespace jellop::art {

using Milli = std::int64_t; // thousandths of a pixel

struct Shape {
    enum class Kind { Blob, Box };
    Kind kind = Kind::Blob;
    // Blob: superellipse around (cx, cy).  The upper half uses ryTop and
    // expTop, the lower half ryBottom and expBottom.  Exponents are stored in
    // half steps (4 = 2.0, an ordinary ellipse; 5 = 2.5, a little squarer).
    Milli cx = 0, cy = 0, rx = 0, ryTop = 0, ryBottom = 0;
    int halfExpTop = 4, halfExpBottom = 4;
    // Horizontal shift of the top (cy - ryTop) relative to the centre row,
    // growing linearly with height: negative leans the shape to the left.
    Milli lean = 0;
    // Box: whole pixels, columns [x0, x1) and rows [y0, y1).
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    // True when the centre of pixel (px, py) lies inside the shape.
    bool contains(int px, int py) const;
};

struct Op {
    enum class Kind {
        Body,  // adds the shape to the silhouette
        Cut,   // removes the shape from the silhouette
        Paint, // colours the silhouette's interior inside the shape
        Dot,   // colours one interior pixel
        Line,  // colours interior pixels along a line
    };
    Kind kind = Kind::Body;
    bool face = false; // part of the face (left out of back views)
    std::uint8_t colour = 0;
    Shape shape;
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0; // Dot uses x0/y0
};

struct FrameDesc {
    std::string name; // frame id, or "icon"
    int width = 0;
    int height = 0;
    int expectedRects = -1; // -1: not checked
    std::string mirrorOf;   // the frame is this frame mirrored left-right
    std::vector<Op> ops;
};

struct Description {
    Palette palette{};
    std::map<std::string, std::uint8_t> colours; // name -> palette index
    std::vector<FrameDesc> frames;               // in file order, icon included

    const FrameDesc* find(const std::string& name) const;
    std::uint8_t colour(const std::string& name) const; // throws if unknown
};

// Parses the description text; throws std::runtime_error naming the line on
// any mistake.
Description parseDescription(const std::string& text);

} // namespace jellop::art
