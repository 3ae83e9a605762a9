#include "artgen.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "bmp.h"
#include "contact_sheet.h"
#include "description.h"
#include "icon.h"
#include "raster.h"
#include "region.h"

namespace jellop::art {

FileMap generateArt(const std::string& descriptionText) {
    const Description d = parseDescription(descriptionText);
    FileMap files;
    std::map<std::string, Image> images;
    std::vector<SheetEntry> sheet;

    for (const FrameDesc& f : d.frames) {
        Image& img = images[f.name] = renderFrame(d, f);
        const bool isIcon = f.name == "icon";
        sheet.push_back({isIcon ? "ICON" : f.name, &img, isIcon ? 99 : std::stoi(f.name) / 10});
        if (isIcon) {
            files["resources/icon/jellop.ico"] = encodeIcon(img, d.palette);
            for (int scale : {1, kLargeIconScale}) {
                const std::string size =
                    std::to_string(img.width * scale) + "x" + std::to_string(img.height * scale);
                files["resources/icon/hicolor/" + size + "/apps/jellop.png"] =
                    iconPng(img, d.palette, scale);
            }
            continue;
        }
        const std::vector<Rect> rects = regionRects(img);
        if (f.expectedRects >= 0 && static_cast<int>(rects.size()) != f.expectedRects)
            throw std::runtime_error("frame " + f.name + ": region has " +
                                     std::to_string(rects.size()) + " rectangles, expected " +
                                     std::to_string(f.expectedRects));
        // The block's bounds are the rectangles' bounding box; every frame is
        // drawn to reach all four edges, so that box is the whole frame.
        const Rect box = platform::BoundingBox(rects);
        if (box != Rect{0, 0, img.width, img.height})
            throw std::runtime_error(
                "frame " + f.name + ": its pixels span (" + std::to_string(box.left) + ", " +
                std::to_string(box.top) + ", " + std::to_string(box.right) + ", " +
                std::to_string(box.bottom) + "), not the whole frame (0, 0, " +
                std::to_string(img.width) + ", " + std::to_string(img.height) + ")");
        files["resources/frames/" + f.name + ".bmp"] = encodeBmp8(img, d.palette);
        files["resources/regions/" + f.name + ".rgn"] = platform::RegionDataBlock(rects);
    }
    if (!files.count("resources/icon/jellop.ico"))
        throw std::runtime_error("jellop.art has no icon");
    files["docs/contact-sheet.png"] = contactSheetPng(sheet, d.palette);
    return files;
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace jellop::art
