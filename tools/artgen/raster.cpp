#include "raster.h"

#include <stdexcept>

namespace jellop::art {

namespace {

std::vector<bool> silhouette(const FrameDesc& f) {
    std::vector<bool> mask(static_cast<std::size_t>(f.width) * f.height, false);
    for (const Op& op : f.ops) {
        if (op.kind != Op::Kind::Body && op.kind != Op::Kind::Cut)
            continue;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x)
                if (op.shape.contains(x, y))
                    mask[static_cast<std::size_t>(y) * f.width + x] = op.kind == Op::Kind::Body;
    }
    return mask;
}

struct Silhouette {
    const FrameDesc& f;
    const std::vector<bool>& mask;

    bool solid(int x, int y) const {
        return x >= 0 && y >= 0 && x < f.width && y < f.height &&
               mask[static_cast<std::size_t>(y) * f.width + x];
    }
    bool edge(int x, int y) const {
        return solid(x, y) &&
               !(solid(x - 1, y) && solid(x + 1, y) && solid(x, y - 1) && solid(x, y + 1));
    }
    bool interior(int x, int y) const { return solid(x, y) && !edge(x, y); }
};

void plotLine(Image& img, const Silhouette& sh, const Op& op) {
    // Bresenham, endpoints included.
    int x = op.x0, y = op.y0;
    const int dx = op.x1 > x ? op.x1 - x : x - op.x1, sx = op.x1 > x ? 1 : -1;
    const int dy = op.y1 > y ? y - op.y1 : op.y1 - y, sy = op.y1 > y ? 1 : -1;
    for (int err = dx + dy;;) {
        if (sh.interior(x, y))
            img.at(x, y) = op.colour;
        if (x == op.x1 && y == op.y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy)
            err += dy, x += sx;
        if (e2 <= dx)
            err += dx, y += sy;
    }
}

} // namespace

Image renderFrame(const Description& d, const FrameDesc& f) {
    if (!f.mirrorOf.empty()) {
        const FrameDesc* src = d.find(f.mirrorOf);
        if (!src)
            throw std::runtime_error("frame " + f.name + ": unknown mirror source " + f.mirrorOf);
        return mirrored(renderFrame(d, *src));
    }

    const std::vector<bool> mask = silhouette(f);
    const Silhouette sh{f, mask};
    const std::uint8_t outline = d.colour("outline"), rim = d.colour("rim"),
                       shadow = d.colour("shadow"), body = d.colour("body"),
                       light = d.colour("light"), glow = d.colour("glow");

    // Light falls from the upper left: the outline is softer where it faces
    // the light, the inside rim facing it is lighter, the rim facing away
    // darker, and light passing through the jelly gathers as a soft glow just
    // above the bottom rim.
    Image img(f.width, f.height);
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            if (!sh.solid(x, y))
                continue;
            std::uint8_t c = body;
            if (sh.edge(x, y))
                c = sh.solid(x + 1, y) && sh.solid(x, y + 1) ? rim : outline;
            else if (!sh.solid(x - 1, y - 2) || !sh.solid(x - 2, y - 1))
                c = light;
            else if (!sh.solid(x + 1, y + 2) || !sh.solid(x + 2, y + 1))
                c = shadow;
            else if (!sh.solid(x, y + 4))
                c = glow;
            img.at(x, y) = c;
        }
    }

    for (const Op& op : f.ops) {
        if (op.kind == Op::Kind::Paint) {
            for (int y = 0; y < f.height; ++y)
                for (int x = 0; x < f.width; ++x)
                    if (sh.interior(x, y) && op.shape.contains(x, y))
                        img.at(x, y) = op.colour;
        } else if (op.kind == Op::Kind::Dot) {
            if (sh.interior(op.x0, op.y0))
                img.at(op.x0, op.y0) = op.colour;
        } else if (op.kind == Op::Kind::Line) {
            plotLine(img, sh, op);
        }
    }
    return img;
}

} // namespace jellop::art
