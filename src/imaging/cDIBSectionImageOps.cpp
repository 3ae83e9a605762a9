// cDIBSection's image operations: clipboard copy, random fill and bilinear resampling.
#include <memory>

#include "gdi/gdi.h"
#include "imaging/bilinear_resampler.h"
#include "imaging/byte_view.h"
#include "imaging/cDIBSection.h"
#include "platform/app.h"
#include "platform/clipboard.h"
#include "platform/time_of_day.h"
#include "runtime/error.h"
#include "runtime/random.h"
#include "runtime/rounding.h"

namespace imaging {
namespace {

constexpr const char* kNoDibOnClipboard =
    "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!";

// nearest(random x 255) for the next draw. The draw is n / 2^24, so the product is the exact
// fraction 255n / 2^24, rounded here with halves to even.
std::uint8_t RandomByte(runtime::RandomGenerator& generator) {
    const std::uint32_t scaled = generator.Next24() * 255u; // below 2^32
    std::uint32_t whole = scaled >> 24;
    const std::uint32_t rest = scaled & 0xFFFFFFu;
    if (rest > 0x800000u || (rest == 0x800000u && (whole & 1u) != 0)) {
        ++whole;
    }
    return static_cast<std::uint8_t>(whole);
}

} // namespace

bool cDIBSection::CopyToClipboard(bool bAsDIB) {
    bool result = false;
    platform::WindowDc screen = platform::GetDC(platform::GetDesktopWindow());
    if (!screen) {
        return false;
    }
    platform::MemoryDc memory = platform::CreateCompatibleDC(screen.get());
    if (!memory) {
        return false;
    }
    if (bAsDIB) {
        platform::MessageBox(kNoDibOnClipboard, runtime::AppTitle());
    } else {
        platform::Bitmap bitmap = platform::CreateCompatibleBitmap(screen.get(), Width(), Height());
        if (bitmap) {
            {
                platform::SelectedBitmap selected(memory.get(), bitmap.get());
                PaintPicture(memory.get(), 0, 0, -1, -1, 0, 0, platform::kSrcCopy);
            } // the kept bitmap goes back into the memory DC
            if (platform::OpenClipboard(platform::WindowHandle{})) {
                platform::EmptyClipboard();
                // On success the clipboard owns the bitmap; otherwise its owner here deletes
                // it when this block ends, instead of leaking it.
                result = platform::SetClipboardData(platform::kClipboardFormatBitmap, bitmap);
                platform::CloseClipboard();
            }
        }
    }
    memory.reset();
    screen.reset();
    return result;
}

void cDIBSection::RandomiseBits(bool bGray) {
    if (bits_ == nullptr) {
        return; // Empty: there are no pixels to fill
    }
    runtime::Reseed(static_cast<float>(platform::SecondsSinceMidnight()));
    const std::int32_t xEnd =
        runtime::CheckedMul<std::int32_t>(runtime::CheckedAdd<std::int32_t>(Width(), -1), 3);
    const std::int32_t height = Height();
    if (xEnd < 0 || height <= 0) {
        return;
    }
    ByteView view(bits_, BytesPerScanLine(), height);
    // Every byte written lies between these two corners; both are checked before any write.
    view.Check(0, 0);
    view.Check(xEnd + 2, height - 1);
    // A local copy, written back at the end: byte stores through the view could alias the
    // global generator's state and would force it through memory on every draw.
    runtime::RandomGenerator generator = runtime::TheRandomGenerator();
    if (bGray) {
        for (std::int32_t r = 0; r < height; ++r) {
            std::uint8_t* row = view.Row(r);
            for (std::int32_t k = 0; k <= xEnd; k += 3) {
                const std::uint8_t v = RandomByte(generator);
                row[k] = v;
                row[k + 1] = v;
                row[k + 2] = v;
            }
        }
    } else {
        // Column by column (outer loop), each column from memory row 0 up: the draws fall on
        // the pixels in that order.
        std::uint8_t* const first = view.Row(0);
        const std::ptrdiff_t stride = view.RowLength();
        for (std::int32_t k = 0; k <= xEnd; k += 3) {
            std::uint8_t* pixel = first + k;
            for (std::int32_t r = 0; r < height; ++r, pixel += stride) {
                pixel[0] = 0;
                pixel[1] = RandomByte(generator);
                pixel[2] = RandomByte(generator);
            }
        }
    }
    runtime::TheRandomGenerator() = generator;
    platform::BitsChanged(hDib());
}

std::unique_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight,
                                                   std::int32_t lNewWidth) {
    auto target = std::make_unique<cDIBSection>();
    if (!target->Create(lNewWidth, lNewHeight)) {
        return nullptr;
    }
    if (lNewWidth == Width() && lNewHeight == Height()) {
        // An exact copy. An Empty object has no DC to blit from, so its copy stays black.
        target->LoadPictureBlt(hdc(), 0, 0, -1, -1, platform::kSrcCopy);
    } else if (bits_ == nullptr) {
        return nullptr; // Empty: there are no pixels to interpolate
    } else {
        ResampleInto(*target); // a raised error releases the new section on the way out
    }
    return target;
}

void cDIBSection::ResampleInto(cDIBSection& cDib) {
    const ConstByteView source(bits_, BytesPerScanLine(), Height());
    const ByteView target(cDib.DIBSectionBitsPtr(), cDib.BytesPerScanLine(), cDib.Height());
    const std::int32_t width = cDib.Width();
    const std::int32_t height = cDib.Height();
    if (width <= 0 || height <= 0) {
        return;
    }
    const AxisSamples columns = SampleAxis(Width(), width);
    const AxisSamples rows = SampleAxis(Height(), height);
    // Sample indexes never decrease, so the first and last target pixels read the lowest and
    // highest source bytes and rows. A source less than 2 pixels wide or high fails here with
    // error 9, before anything outside either section is read or written.
    source.Check(3 * std::int64_t{columns.index.front()}, rows.index.front());
    source.Check(3 * std::int64_t{columns.index.back()} + 5, std::int64_t{rows.index.back()} + 1);
    target.Check(0, 0);
    target.Check(3 * std::int64_t{width - 1} + 2, height - 1);
    ResampleBilinear({source.Row(0), Width(), Height(), source.RowLength()}, columns, rows,
                     {target.Row(0), width, height, target.RowLength()});
    platform::BitsChanged(cDib.hDib());
}

} // namespace imaging
