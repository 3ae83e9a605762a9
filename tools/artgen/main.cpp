// artgen [--report] [SOURCE_ROOT [OUTPUT_ROOT]]
//
// Reads SOURCE_ROOT/tools/artgen/jellop.art and writes the frames, regions,
// icon and contact sheet under OUTPUT_ROOT (default: SOURCE_ROOT, which
// itself defaults to this source tree).  --report only prints each frame's
// size, its rectangle count next to the expected one and the box its pixels
// span (which must be the whole frame), which helps when reshaping a frame.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "artgen.h"
#include "description.h"
#include "raster.h"
#include "region.h"

namespace fs = std::filesystem;
using namespace jellop::art;

namespace {

int report(const std::string& text) {
    const Description d = parseDescription(text);
    int wrong = 0;
    for (const FrameDesc& f : d.frames) {
        if (f.expectedRects < 0)
            continue;
        const std::vector<Rect> rects = regionRects(renderFrame(d, f));
        const auto count = static_cast<int>(rects.size());
        const Rect box = platform::BoundingBox(rects);
        const bool countOk = count == f.expectedRects;
        const bool boxOk = box == Rect{0, 0, f.width, f.height};
        wrong += !countOk || !boxOk;
        std::cout << f.name << "  " << f.width << "x" << f.height << "  rects " << count
                  << " (want " << f.expectedRects << ")" << (countOk ? "" : "  <-- off")
                  << "  spans (" << box.left << "," << box.top << "," << box.right << ","
                  << box.bottom << ")" << (boxOk ? "" : "  <-- short of the edges") << "\n";
    }
    return wrong ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        int arg = 1;
        const bool reportOnly = argc > 1 && std::string(argv[1]) == "--report";
        arg += reportOnly;
        const fs::path source = argc > arg ? fs::path(argv[arg]) : fs::path(JELLOP_SOURCE_DIR);
        const fs::path output = argc > arg + 1 ? fs::path(argv[arg + 1]) : source;
        const std::string text = readTextFile((source / kDescriptionPath).string());
        if (reportOnly)
            return report(text);

        for (const auto& [relative, bytes] : generateArt(text)) {
            const fs::path path = output / relative;
            fs::create_directories(path.parent_path());
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            if (!out)
                throw std::runtime_error("cannot write " + path.string());
            std::cout << "wrote " << relative << " (" << bytes.size() << " bytes)\n";
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "artgen: " << e.what() << "\n";
        return 1;
    }
}
