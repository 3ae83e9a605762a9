// cDIBSection's image operations on both backends: random fill, resampling and the copy to the
// clipboard as a bitmap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "gdi/gdi.h"
#include "imaging/cDIBSection.h"
#include "platform/clipboard.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_build_support.h"

#ifndef _WIN32
#include "controls/live_objects.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_clipboard.h"
#include "platform/fake/fake_time_of_day.h"
#include "runtime/random.h"
#include "runtime/rounding.h"
#endif

namespace {

using imaging::cDIBSection;
using namespace jellop_test;

// Formats Windows synthesizes from a bitmap on the clipboard (CF_DIB, CF_DIBV5).
constexpr std::uint32_t kClipboardFormatDib = 8;
constexpr std::uint32_t kClipboardFormatDibV5 = 17;

std::uint8_t* ByteAt(cDIBSection& dib, std::int32_t k, std::int32_t row) {
    return dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(row) * dib.BytesPerScanLine() + k;
}

std::vector<std::uint8_t> AllBytes(cDIBSection& dib) {
    const std::uint8_t* bits = dib.DIBSectionBitsPtr();
    return {bits, bits + static_cast<std::ptrdiff_t>(dib.BytesPerScanLine()) * dib.Height()};
}

// A section whose memory rows hold the given blue values (memory row 0 first), green and red
// set apart so that a mix-up of channels shows.
void BlueRows(cDIBSection& dib, const std::vector<std::vector<std::uint8_t>>& rows) {
    ASSERT_TRUE(dib.Create(static_cast<std::int32_t>(rows[0].size()),
                           static_cast<std::int32_t>(rows.size())));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t x = 0; x < rows[r].size(); ++x) {
            std::uint8_t* pixel =
                ByteAt(dib, static_cast<std::int32_t>(3 * x), static_cast<std::int32_t>(r));
            pixel[0] = rows[r][x];
            pixel[1] = 200;
            pixel[2] = 7;
        }
    }
}

std::vector<std::uint8_t> BlueRow(cDIBSection& dib, std::int32_t row) {
    std::vector<std::uint8_t> blues;
    for (std::int32_t x = 0; x < dib.Width(); ++x) {
        blues.push_back(*ByteAt(dib, 3 * x, row));
        EXPECT_EQ(*ByteAt(dib, 3 * x + 1, row), 200);
        EXPECT_EQ(*ByteAt(dib, 3 * x + 2, row), 7);
    }
    return blues;
}

TEST(RandomiseBits, ColoursHaveNoBlueAndGraysAreGray) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(7, 5)); // 21 bytes of pixels, 3 of padding per row
    std::memset(dib.DIBSectionBitsPtr(), 0xCD,
                static_cast<std::size_t>(dib.BytesPerScanLine()) * 5);

    dib.RandomiseBits();
    std::set<std::uint8_t> seen;
    for (std::int32_t r = 0; r < 5; ++r) {
        for (std::int32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(*ByteAt(dib, 3 * x, r), 0) << "blue of pixel " << x << " in row " << r;
            seen.insert(*ByteAt(dib, 3 * x + 1, r));
            seen.insert(*ByteAt(dib, 3 * x + 2, r));
        }
        for (std::int32_t k = 21; k < 24; ++k) {
            EXPECT_EQ(*ByteAt(dib, k, r), 0xCD) << "padding byte " << k << " in row " << r;
        }
    }
    EXPECT_GT(seen.size(), 30u) << "70 draws should not repeat this much";

    dib.RandomiseBits(true);
    seen.clear();
    for (std::int32_t r = 0; r < 5; ++r) {
        for (std::int32_t x = 0; x < 7; ++x) {
            const std::uint8_t* pixel = ByteAt(dib, 3 * x, r);
            EXPECT_EQ(pixel[0], pixel[1]);
            EXPECT_EQ(pixel[1], pixel[2]);
            seen.insert(pixel[0]);
        }
        for (std::int32_t k = 21; k < 24; ++k) {
            EXPECT_EQ(*ByteAt(dib, k, r), 0xCD);
        }
    }
    EXPECT_GT(seen.size(), 15u);
}

TEST(RandomiseBits, AnEmptySectionIsLeftAlone) {
    cDIBSection never;
    EXPECT_NO_THROW(never.RandomiseBits());
    cDIBSection released;
    ASSERT_TRUE(released.Create(4, 4));
    released.ClearUp();
    EXPECT_NO_THROW(released.RandomiseBits(true));
    EXPECT_EQ(released.DIBSectionBitsPtr(), nullptr);
}

TEST(Resample, BlendsWithTheTargetSizeAsDivisor) {
    cDIBSection dib;
    BlueRows(dib, {{0, 100}, {0, 100}});
    std::unique_ptr<cDIBSection> wide = dib.Resample(2, 4);
    ASSERT_TRUE(wide);
    EXPECT_EQ(BlueRow(*wide, 0), (std::vector<std::uint8_t>{0, 25, 50, 75}));
    EXPECT_EQ(BlueRow(*wide, 1), (std::vector<std::uint8_t>{0, 25, 50, 75}));
}

TEST(Resample, RoundsHalvesToEven) {
    cDIBSection down;
    BlueRows(down, {{5, 10, 11, 0}, {5, 10, 11, 0}});
    std::unique_ptr<cDIBSection> half = down.Resample(2, 2);
    ASSERT_TRUE(half);
    EXPECT_EQ(BlueRow(*half, 0), (std::vector<std::uint8_t>{5, 10})); // 10.5 -> 10
    EXPECT_EQ(BlueRow(*half, 1), (std::vector<std::uint8_t>{5, 10}));

    BlueRows(down, {{5, 11, 12, 0}, {5, 11, 12, 0}});
    half = down.Resample(2, 2);
    ASSERT_TRUE(half);
    EXPECT_EQ(BlueRow(*half, 0), (std::vector<std::uint8_t>{5, 12})); // 11.5 -> 12
}

TEST(Resample, RoundsTheVerticalPassBeforeTheHorizontal) {
    // 4 x 2 -> 2 x 4: target column 1 samples at 1.5 (fx = 0.5), target row 1 at 0.25.
    // Vertically nearest(0.75 * 1 + 0.25 * 2) = 1 and nearest(0.75 * 0 + 0.25 * 1) = 0, then
    // nearest(0.5 * 1 + 0.5 * 0) = 0 (half to even). Blending all four at once would give
    // nearest(0.75) = 1.
    cDIBSection dib;
    BlueRows(dib, {{0, 1, 0, 0}, {0, 2, 1, 0}});
    std::unique_ptr<cDIBSection> result = dib.Resample(4, 2);
    ASSERT_TRUE(result);
    EXPECT_EQ(BlueRow(*result, 1), (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(BlueRow(*result, 2), (std::vector<std::uint8_t>{0, 1}));
}

TEST(Resample, OneByOneIsTheBottomLeftPixel) {
    cDIBSection dib;
    BlueRows(dib, {{17, 99, 98}, {97, 96, 95}, {94, 93, 92}});
    std::unique_ptr<cDIBSection> dot = dib.Resample(1, 1);
    ASSERT_TRUE(dot);
    EXPECT_EQ(BlueRow(*dot, 0), std::vector<std::uint8_t>{17});
}

TEST(Resample, TakesTheHeightFirstAndCopiesTheSameSizeExactly) {
    cDIBSection dib;
    BlueRows(dib, {{1, 2, 3}, {4, 5, 6}});
    std::unique_ptr<cDIBSection> resized = dib.Resample(10, 20);
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->Width(), 20);
    EXPECT_EQ(resized->Height(), 10);

    FillPadding(dib, 0);
    std::unique_ptr<cDIBSection> copy = dib.Resample(2, 3);
    ASSERT_TRUE(copy);
    FillPadding(*copy, 0);
    EXPECT_EQ(AllBytes(*copy), AllBytes(dib));
    EXPECT_NE(copy->DIBSectionBitsPtr(), dib.DIBSectionBitsPtr());
}

TEST(Resample, SourcesOfOnePixelOrRowRaiseError9) {
    for (auto [width, height] : {std::pair{1, 5}, std::pair{5, 1}, std::pair{1, 1}}) {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(width, height));
        std::memset(dib.DIBSectionBitsPtr(), 0x3C,
                    static_cast<std::size_t>(dib.BytesPerScanLine()) * height);
        const std::vector<std::uint8_t> before = AllBytes(dib);
        std::unique_ptr<cDIBSection> result;
        try {
            result = dib.Resample(height + 1, width + 1);
            ADD_FAILURE() << width << "x" << height << ": no error";
        } catch (const runtime::Error& error) {
            EXPECT_EQ(error.Number(), 9);
        }
        EXPECT_FALSE(result);
        EXPECT_EQ(AllBytes(dib), before);
        // The same size is a copy, not an interpolation.
        EXPECT_TRUE(dib.Resample(height, width));
    }
}

TEST(Resample, AnEmptySectionGivesABlackCopyAtItsOwnSizeAndNoneAtAnother) {
    cDIBSection never; // 0 x 0: a copy at that size cannot be made
    EXPECT_FALSE(never.Resample(0, 0));
    EXPECT_FALSE(never.Resample(4, 4));
    cDIBSection released;
    BlueRows(released, {{9, 9, 9}, {9, 9, 9}});
    released.ClearUp(); // still reports 3 x 2
    std::unique_ptr<cDIBSection> copy = released.Resample(2, 3);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Width(), 3);
    EXPECT_EQ(copy->Height(), 2);
    EXPECT_EQ(AllBytes(*copy), std::vector<std::uint8_t>(24, 0)) << "nothing to copy from";
    EXPECT_FALSE(released.Resample(4, 6));
}

// Reads the clipboard's bitmap back through a second section.
std::vector<std::uint8_t> ClipboardPixels(std::int32_t width, std::int32_t height,
                                          std::vector<std::uint32_t>& formats) {
    cDIBSection copy;
    EXPECT_TRUE(copy.Create(width, height));
    EXPECT_TRUE(platform::OpenClipboard(platform::WindowHandle{}));
    formats = backend::ClipboardFormats();
    platform::BitmapHandle bitmap = backend::ClipboardBitmap();
    EXPECT_FALSE(platform::IsNull(bitmap));
    {
        platform::MemoryDc dc = platform::CreateCompatibleDC(platform::DcHandle{});
        platform::SelectedBitmap selected(dc.get(), bitmap);
        copy.LoadPictureBlt(dc.get());
    }
    platform::CloseClipboard();
    FillPadding(copy, 0);
    return AllBytes(copy);
}

TEST(CopyToClipboard, OffersTheImageAsOneBitmap) {
    cDIBSection dib;
    Draw(dib, {"#o~.#", "~~..o", "o#o#o"});
    FillPadding(dib, 0);
    EXPECT_TRUE(dib.CopyToClipboard(false));
    std::vector<std::uint32_t> formats;
    EXPECT_EQ(ClipboardPixels(5, 3, formats), AllBytes(dib));
    // CF_BITMAP is the one format offered; Windows may add the formats it synthesizes from a
    // bitmap after it.
    ASSERT_FALSE(formats.empty());
    EXPECT_EQ(formats.front(), platform::kClipboardFormatBitmap);
    for (std::size_t i = 1; i < formats.size(); ++i) {
        EXPECT_TRUE(formats[i] == kClipboardFormatDib || formats[i] == kClipboardFormatDibV5)
            << "format " << formats[i];
    }
}

#ifndef _WIN32

TEST(CopyToClipboard, WithoutArgumentOnlySaysItCannot) {
    cDIBSection dib;
    Draw(dib, {"##", "##"});
    const std::size_t boxes = platform::fake::MessageBoxes().size();
    const int opened = platform::fake::ClipboardOpenCount();
    EXPECT_FALSE(dib.CopyToClipboard());
    ASSERT_EQ(platform::fake::MessageBoxes().size(), boxes + 1);
    EXPECT_EQ(platform::fake::MessageBoxes().back().text,
              "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    EXPECT_EQ(platform::fake::MessageBoxes().back().title, runtime::AppTitle());
    EXPECT_EQ(platform::fake::ClipboardOpenCount(), opened);
}

TEST(CopyToClipboard, ABitmapTheClipboardDoesNotTakeIsDeleted) {
    cDIBSection dib;
    Draw(dib, {"#o", "o#"});
    platform::fake::ResetClipboard(); // emptying it now would delete what it holds
    const platform::memory::LiveObjects before = platform::memory::CountLiveObjects();
    const std::size_t boxes = platform::fake::MessageBoxes().size();

    platform::fake::SetClipboardBusy(true);
    EXPECT_FALSE(dib.CopyToClipboard(false));
    platform::fake::SetClipboardBusy(false);
    EXPECT_EQ(platform::memory::CountLiveObjects(), before);

    platform::fake::SetClipboardRefusesData(true);
    EXPECT_FALSE(dib.CopyToClipboard(false));
    platform::fake::SetClipboardRefusesData(false);
    EXPECT_EQ(platform::memory::CountLiveObjects(), before);
    EXPECT_FALSE(platform::fake::ClipboardIsOpen());
    EXPECT_EQ(platform::fake::MessageBoxes().size(), boxes) << "failures show no message";

    // Taken, the bitmap is the clipboard's: one more live bitmap, until the clipboard empties.
    EXPECT_TRUE(dib.CopyToClipboard(false));
    platform::memory::LiveObjects taken = before;
    ++taken.bitmaps;
    EXPECT_EQ(platform::memory::CountLiveObjects(), taken);
    ASSERT_EQ(platform::fake::ClipboardContents().size(), 1u);
    platform::fake::ResetClipboard();
    EXPECT_EQ(platform::memory::CountLiveObjects(), before);
    EXPECT_TRUE(platform::memory::Misuses().empty());
}

// What RandomiseBits writes after re-seeding from `seconds` (taken as a 32-bit float), over
// bytes that all held `before`: colours column by column (each column from memory row 0 up),
// blue 0, then a draw for green and one for red; grays row by row, one draw per pixel.
std::vector<std::uint8_t> ExpectedFill(const cDIBSection& dib, double seconds, bool gray,
                                       std::uint8_t before) {
    runtime::RandomGenerator generator(static_cast<float>(seconds));
    auto draw = [&] {
        return static_cast<std::uint8_t>(
            runtime::RoundHalfEven(static_cast<double>(generator.Next()) * 255.0));
    };
    const std::int32_t stride = dib.BytesPerScanLine();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride) * dib.Height(), before);
    auto at = [&](std::int32_t k, std::int32_t r) -> std::uint8_t* {
        return &bytes[static_cast<std::size_t>(r) * stride + k];
    };
    if (gray) {
        for (std::int32_t r = 0; r < dib.Height(); ++r) {
            for (std::int32_t x = 0; x < dib.Width(); ++x) {
                std::fill_n(at(3 * x, r), 3, draw());
            }
        }
    } else {
        for (std::int32_t x = 0; x < dib.Width(); ++x) {
            for (std::int32_t r = 0; r < dib.Height(); ++r) {
                at(3 * x, r)[0] = 0;
                at(3 * x, r)[1] = draw();
                at(3 * x, r)[2] = draw();
            }
        }
    }
    return bytes;
}

TEST(RandomiseBits, ReseedsFromTheTimeOfDayOnEveryCallAndFillsInItsOrder) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(6, 4)); // 18 bytes of pixels, 2 of padding per row
    std::memset(dib.DIBSectionBitsPtr(), 0xCD,
                static_cast<std::size_t>(dib.BytesPerScanLine()) * dib.Height());
    const double now = 45296.123; // not a float: the seed is its nearest float
    platform::fake::SetTimeOfDay(now);
    for (int call = 0; call < 2; ++call) {
        dib.RandomiseBits();
        EXPECT_EQ(AllBytes(dib), ExpectedFill(dib, now, false, 0xCD)) << "colour call " << call;
    }
    dib.RandomiseBits(true);
    EXPECT_EQ(AllBytes(dib), ExpectedFill(dib, now, true, 0xCD));
    platform::fake::SetTimeOfDay(now + 1);
    dib.RandomiseBits(true);
    EXPECT_EQ(AllBytes(dib), ExpectedFill(dib, now + 1, true, 0xCD));
    EXPECT_NE(AllBytes(dib), ExpectedFill(dib, now, true, 0xCD));
    platform::fake::SetTimeOfDay(std::nullopt);
}

#endif

} // namespace
