#include "contact_sheet.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "png.h"

namespace jellop::art {

namespace {

constexpr int kPad = 12;
constexpr int kLabelScale = 2;
constexpr int kLabelHeight = 5 * kLabelScale + 6;
constexpr Rgb kBackground{200, 200, 196};
constexpr Rgb kCheckA{236, 236, 232}, kCheckB{222, 222, 218};
constexpr Rgb kInk{40, 40, 40};

// 3x5 glyphs, one row per string, '#' = ink.
const std::map<char, const char*>& font() {
    static const std::map<char, const char*> glyphs = {
        {'0', "###"
              "#.#"
              "#.#"
              "#.#"
              "###"},
        {'1', ".#."
              "##."
              ".#."
              ".#."
              "###"},
        {'2', "###"
              "..#"
              "###"
              "#.."
              "###"},
        {'3', "###"
              "..#"
              ".##"
              "..#"
              "###"},
        {'4', "#.#"
              "#.#"
              "###"
              "..#"
              "..#"},
        {'5', "###"
              "#.."
              "###"
              "..#"
              "###"},
        {'6', "###"
              "#.."
              "###"
              "#.#"
              "###"},
        {'7', "###"
              "..#"
              ".#."
              ".#."
              ".#."},
        {'8', "###"
              "#.#"
              "###"
              "#.#"
              "###"},
        {'9', "###"
              "#.#"
              "###"
              "..#"
              "###"},
        {'I', "###"
              ".#."
              ".#."
              ".#."
              "###"},
        {'C', "###"
              "#.."
              "#.."
              "#.."
              "###"},
        {'O', "###"
              "#.#"
              "#.#"
              "#.#"
              "###"},
        {'N', "#.#"
              "###"
              "###"
              "#.#"
              "#.#"},
    };
    return glyphs;
}

struct Canvas {
    int width, height;
    std::vector<std::uint8_t> rgb;

    Canvas(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(x, y, kBackground);
    }
    void set(int x, int y, Rgb c) {
        std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    void block(int x, int y, int size, Rgb c) {
        for (int j = 0; j < size; ++j)
            for (int i = 0; i < size; ++i)
                set(x + i, y + j, c);
    }
};

void drawLabel(Canvas& canvas, const std::string& label, int x, int y) {
    for (char ch : label) {
        const auto it = font().find(ch);
        if (it == font().end())
            throw std::runtime_error(std::string("contact sheet: no glyph for '") + ch + "'");
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 3; ++gx)
                if (it->second[gy * 3 + gx] == '#')
                    canvas.block(x + gx * kLabelScale, y + gy * kLabelScale, kLabelScale, kInk);
        x += 4 * kLabelScale;
    }
}

void drawImage(Canvas& canvas, const Image& img, const Palette& palette, int scale, int left,
               int top) {
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const std::uint8_t i = img.at(x, y);
            const Rgb c = i != kClear ? palette[i] : ((x / 2 + y / 2) % 2 ? kCheckA : kCheckB);
            canvas.block(left + x * scale, top + y * scale, scale, c);
        }
}

} // namespace

std::vector<std::uint8_t> contactSheetPng(const std::vector<SheetEntry>& entries,
                                          const Palette& palette, int scale) {
    // Lay the entries out row by row, each cell as wide as its picture and
    // pictures standing on a common baseline.
    std::map<int, std::pair<int, int>> rowSize; // row -> (width, picture height)
    for (const SheetEntry& e : entries) {
        auto& [w, h] = rowSize[e.row];
        w += e.image->width * scale + kPad;
        h = std::max(h, e.image->height * scale);
    }
    int width = 0, height = kPad;
    std::map<int, int> baseline;
    for (const auto& [row, size] : rowSize) {
        width = std::max(width, size.first + kPad);
        height += kLabelHeight + size.second;
        baseline[row] = height;
        height += kPad;
    }

    Canvas canvas(width, height);
    std::map<int, int> rowX;
    for (const SheetEntry& e : entries) {
        int& x = rowX.try_emplace(e.row, kPad).first->second;
        const int top = baseline[e.row] - e.image->height * scale;
        drawLabel(canvas, e.label, x, top - kLabelHeight);
        drawImage(canvas, *e.image, palette, scale, x, top);
        x += e.image->width * scale + kPad;
    }

    return encodePng(width, height, 3, canvas.rgb);
}

} // namespace jellop::art
