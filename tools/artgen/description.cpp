// Parser for the line-based art description.  See jellop.art for the
// statement list; every statement is one line of whitespace-separated words.
#include "description.h"

#include <sstream>
#include <stdexcept>

namespace jellop::art {

namespace {

class LineReader {
  public:
    LineReader(std::vector<std::string> words, int lineNo)
        : words_(std::move(words)), lineNo_(lineNo) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("jellop.art line " + std::to_string(lineNo_) + ": " + what);
    }
    bool done() const { return next_ >= words_.size(); }
    bool peek(const std::string& w) const { return !done() && words_[next_] == w; }
    std::string word() {
        if (done())
            fail("missing value");
        return words_[next_++];
    }
    // Decimal number with up to three decimals, in thousandths.
    Milli milli() {
        const std::string w = word();
        std::size_t i = 0;
        bool negative = false;
        if (i < w.size() && (w[i] == '-' || w[i] == '+'))
            negative = w[i++] == '-';
        Milli whole = 0, frac = 0;
        int fracDigits = 0, digits = 0;
        for (; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i, ++digits)
            whole = whole * 10 + (w[i] - '0');
        if (i < w.size() && w[i] == '.') {
            for (++i; i < w.size() && w[i] >= '0' && w[i] <= '9'; ++i, ++fracDigits, ++digits) {
                if (fracDigits == 3)
                    fail("more than three decimals in '" + w + "'");
                frac = frac * 10 + (w[i] - '0');
            }
        }
        if (i != w.size() || digits == 0)
            fail("not a number: '" + w + "'");
        for (; fracDigits < 3; ++fracDigits)
            frac *= 10;
        const Milli v = whole * 1000 + frac;
        return negative ? -v : v;
    }
    int integer() {
        const Milli v = milli();
        if (v % 1000 != 0)
            fail("expected a whole number");
        return static_cast<int>(v / 1000);
    }
    int halfSteps() {
        const Milli v = milli();
        if (v % 500 != 0 || v < 500 || v > 8000)
            fail("exponent must be a multiple of 0.5 between 0.5 and 8");
        return static_cast<int>(v / 500);
    }
    void end() const {
        if (!done())
            fail("unexpected '" + words_[next_] + "'");
    }

  private:
    std::vector<std::string> words_;
    int lineNo_;
    std::size_t next_ = 0;
};

struct Origin {
    Milli x = 0, y = 0;
};

Shape readShape(LineReader& in, const Origin& o) {
    Shape s;
    const std::string kind = in.word();
    if (kind == "blob" || kind == "ellipse") {
        s.kind = Shape::Kind::Blob;
        s.cx = o.x + in.milli();
        s.cy = o.y + in.milli();
        s.rx = in.milli();
        if (kind == "ellipse") {
            s.ryTop = s.ryBottom = in.milli();
        } else {
            s.ryTop = in.milli();
            s.ryBottom = in.milli();
            s.halfExpTop = s.halfExpBottom = in.halfSteps();
            if (!in.done() && !in.peek("lean"))
                s.halfExpBottom = in.halfSteps();
        }
        if (!in.done() && in.peek("lean")) {
            in.word();
            s.lean = in.milli();
        }
        if (s.rx <= 0 || s.ryTop <= 0 || s.ryBottom <= 0)
            in.fail("radii must be positive");
    } else if (kind == "box") {
        if (o.x % 1000 != 0 || o.y % 1000 != 0)
            in.fail("box needs a whole-pixel origin");
        s.kind = Shape::Kind::Box;
        s.x0 = static_cast<int>(o.x / 1000) + in.integer();
        s.y0 = static_cast<int>(o.y / 1000) + in.integer();
        s.x1 = s.x0 + in.integer();
        s.y1 = s.y0 + in.integer();
    } else {
        in.fail("unknown shape '" + kind + "'");
    }
    return s;
}

int pixelAt(LineReader& in, Milli origin) {
    const Milli v = origin + in.milli();
    if (v % 1000 != 0)
        in.fail("pixel positions must be whole numbers");
    return static_cast<int>(v / 1000);
}

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream ss(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    for (std::string w; ss >> w;)
        words.push_back(w);
    return words;
}

} // namespace

const FrameDesc* Description::find(const std::string& name) const {
    for (const FrameDesc& f : frames)
        if (f.name == name)
            return &f;
    return nullptr;
}

std::uint8_t Description::colour(const std::string& name) const {
    const auto it = colours.find(name);
    if (it == colours.end())
        throw std::runtime_error("jellop.art: colour '" + name + "' is not defined");
    return it->second;
}

Description parseDescription(const std::string& text) {
    Description d;
    d.palette[kClear] = {255, 0, 0};
    int nextColour = 1;
    FrameDesc* frame = nullptr;
    Origin origin;

    std::istringstream lines(text);
    std::string line;
    for (int lineNo = 1; std::getline(lines, line); ++lineNo) {
        std::vector<std::string> words = splitWords(line);
        if (words.empty())
            continue;
        LineReader in(std::move(words), lineNo);
        std::string cmd = in.word();

        if (cmd == "colour") {
            const std::string name = in.word();
            const int r = in.integer(), g = in.integer(), b = in.integer();
            in.end();
            if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
                in.fail("colour channel out of range");
            if (r == 255 && g == 0 && b == 0)
                in.fail("pure red is reserved for the see-through background");
            if (d.colours.count(name))
                in.fail("colour '" + name + "' defined twice");
            if (nextColour > 255)
                in.fail("palette is full");
            d.palette[nextColour] = {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
            d.colours[name] = std::uint8_t(nextColour++);
            continue;
        }
        if (cmd == "frame" || cmd == "icon") {
            FrameDesc f;
            f.name = cmd == "icon" ? "icon" : in.word();
            f.width = in.integer();
            f.height = in.integer();
            if (!in.done()) {
                if (in.word() != "rects")
                    in.fail("expected 'rects'");
                f.expectedRects = in.integer();
            }
            in.end();
            if (f.width <= 0 || f.height <= 0)
                in.fail("frame size must be positive");
            if (cmd == "frame" && f.name.find_first_not_of("0123456789") != std::string::npos)
                in.fail("frame ids are numbers");
            if (d.find(f.name))
                in.fail("frame '" + f.name + "' defined twice");
            d.frames.push_back(std::move(f));
            frame = &d.frames.back();
            origin = {};
            continue;
        }
        if (!frame)
            in.fail("'" + cmd + "' outside a frame");

        if (cmd == "mirror" || cmd == "back") {
            const std::string of = in.word();
            in.end();
            const FrameDesc* src = d.find(of);
            if (!src || src == frame)
                in.fail("unknown earlier frame '" + of + "'");
            if (src->width != frame->width || src->height != frame->height)
                in.fail("size differs from frame " + of);
            if (!frame->ops.empty() || !frame->mirrorOf.empty())
                in.fail("'" + cmd + "' must come first in a frame");
            if (cmd == "mirror") {
                frame->mirrorOf = of;
            } else {
                if (!src->mirrorOf.empty())
                    in.fail("cannot take the back view of a mirrored frame");
                for (const Op& op : src->ops)
                    if (!op.face)
                        frame->ops.push_back(op);
            }
            continue;
        }
        if (!frame->mirrorOf.empty())
            in.fail("a mirrored frame takes no drawing statements");
        if (cmd == "origin") {
            origin.x = in.milli();
            origin.y = in.milli();
            in.end();
            continue;
        }

        Op op;
        if (cmd == "face") {
            op.face = true;
            cmd = in.word();
        }
        if (cmd == "body" || cmd == "cut") {
            if (op.face)
                in.fail("the face cannot change the silhouette");
            op.kind = cmd == "body" ? Op::Kind::Body : Op::Kind::Cut;
            op.shape = readShape(in, origin);
        } else if (cmd == "paint") {
            op.kind = Op::Kind::Paint;
            op.colour = d.colour(in.word());
            op.shape = readShape(in, origin);
        } else if (cmd == "dot") {
            op.kind = Op::Kind::Dot;
            op.colour = d.colour(in.word());
            op.x0 = pixelAt(in, origin.x);
            op.y0 = pixelAt(in, origin.y);
        } else if (cmd == "line") {
            op.kind = Op::Kind::Line;
            op.colour = d.colour(in.word());
            op.x0 = pixelAt(in, origin.x);
            op.y0 = pixelAt(in, origin.y);
            op.x1 = pixelAt(in, origin.x);
            op.y1 = pixelAt(in, origin.y);
        } else {
            in.fail("unknown statement '" + cmd + "'");
        }
        in.end();
        frame->ops.push_back(op);
    }
    return d;
}

} // namespace jellop::art
