// cDIBSection on the backend the test program runs on: the same cases and expectations on
// the fake platform and on real GDI under Wine.
#include <gtest/gtest.h>

#include <cstring>

#include "gdi/resources.h"
#include "imaging/cDIBSection.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"

namespace {

using imaging::cDIBSection;

class DibSectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        backend::Reset();
        before_ = backend::LiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(backend::LiveObjects(), before_) << "platform objects leaked or lost";
        EXPECT_EQ(backend::PlatformMisuses(), std::vector<std::string>{});
    }

  private:
    backend::LiveObjectCounts before_;
};

// Byte k of memory row r, as the pixel format defines it.
std::uint8_t* Byte(const cDIBSection& dib, std::int32_t k, std::int32_t r) {
    return dib.DIBSectionBitsPtr() + static_cast<std::ptrdiff_t>(r) * dib.BytesPerScanLine() + k;
}

// Pixel (x, y) of the picture, y counted from its top line.
std::uint8_t* Pixel(const cDIBSection& dib, std::int32_t x, std::int32_t y) {
    return Byte(dib, 3 * x, dib.Height() - 1 - y);
}

void SetPixel(cDIBSection& dib, std::int32_t x, std::int32_t y, std::uint8_t b, std::uint8_t g,
              std::uint8_t r) {
    std::uint8_t* p = Pixel(dib, x, y);
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

std::uint32_t ColourAt(const cDIBSection& dib, std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = Pixel(dib, x, y);
    return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

// A distinct colour for every pixel position, as 0xBBGGRR.
std::uint32_t PatternColour(std::int32_t x, std::int32_t y) {
    return static_cast<std::uint32_t>(0x10 + x) << 16 | static_cast<std::uint32_t>(0x40 + y) << 8 |
           static_cast<std::uint32_t>(0x80 + x + y);
}

void FillPattern(cDIBSection& dib) {
    for (std::int32_t y = 0; y < dib.Height(); ++y) {
        for (std::int32_t x = 0; x < dib.Width(); ++x) {
            std::uint32_t c = PatternColour(x, y);
            SetPixel(dib, x, y, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
        }
    }
}

TEST_F(DibSectionTest, RowsArePaddedToWholeDwords) {
    cDIBSection dib;
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {37, 112}, {84, 252}, {85, 256}};
    for (auto [width, bytes] : cases) {
        ASSERT_TRUE(dib.Create(width, 2)) << width;
        EXPECT_EQ(dib.BytesPerScanLine(), bytes) << "width " << width;
    }
}

TEST_F(DibSectionTest, CreateMakesALiveSectionAndClearUpEmptiesItButKeepsTheSize) {
    cDIBSection dib;
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_TRUE(platform::IsNull(dib.hdc()));

    ASSERT_TRUE(dib.Create(37, 36));
    EXPECT_FALSE(platform::IsNull(dib.hdc()));
    EXPECT_FALSE(platform::IsNull(dib.hDib()));
    ASSERT_NE(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 37);
    EXPECT_EQ(dib.Height(), 36);

    platform::BitmapRecord record{};
    ASSERT_NE(platform::GetObject(dib.hDib(), record), 0);
    EXPECT_EQ(record.bmWidth, 37);
    EXPECT_EQ(record.bmHeight, 36);
    EXPECT_EQ(record.bmBitsPixel, 24);
    EXPECT_EQ(record.bmBits, dib.DIBSectionBitsPtr());

    // New sections start black, padding included, and the whole image is writable.
    for (std::int32_t r = 0; r < 36; ++r) {
        for (std::int32_t k = 0; k < 112; ++k) {
            ASSERT_EQ(*Byte(dib, k, r), 0) << k << "," << r;
            *Byte(dib, k, r) = 0x5A;
        }
    }

    platform::BitmapHandle section = dib.hDib();
    dib.ClearUp();
    EXPECT_TRUE(platform::IsNull(dib.hdc()));
    EXPECT_TRUE(platform::IsNull(dib.hDib()));
    EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
    EXPECT_EQ(dib.Width(), 37);
    EXPECT_EQ(dib.Height(), 36);
    EXPECT_EQ(dib.BytesPerScanLine(), 112);
    platform::BitmapRecord gone{};
    EXPECT_EQ(platform::GetObject(section, gone), 0) << "ClearUp must delete the section";

    dib.ClearUp(); // a second ClearUp finds nothing to do
    EXPECT_TRUE(platform::IsNull(dib.hdc()));
}

TEST_F(DibSectionTest, CreatingAgainReplacesTheSectionAndDestructionReleasesIt) {
    platform::BitmapHandle first, second;
    {
        cDIBSection dib;
        ASSERT_TRUE(dib.Create(8, 8));
        first = dib.hDib();
        ASSERT_TRUE(dib.Create(5, 3));
        second = dib.hDib();
        EXPECT_EQ(dib.Width(), 5);
        EXPECT_EQ(dib.Height(), 3);
        platform::BitmapRecord record{};
        EXPECT_EQ(platform::GetObject(first, record), 0) << "the old section must be deleted";
        EXPECT_NE(platform::GetObject(second, record), 0);
    }
    platform::BitmapRecord record{};
    EXPECT_EQ(platform::GetObject(second, record), 0) << "destruction must delete the section";
}

TEST_F(DibSectionTest, RefusedSizesLeaveTheObjectEmptyReportingTheRefusedSize) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    const std::pair<std::int32_t, std::int32_t> refused[] = {{0, 0}, {-4, 3}, {5, 0}};
    for (auto [width, height] : refused) {
        EXPECT_FALSE(dib.Create(width, height)) << width << "x" << height;
        EXPECT_TRUE(platform::IsNull(dib.hdc()));
        EXPECT_TRUE(platform::IsNull(dib.hDib()));
        EXPECT_EQ(dib.DIBSectionBitsPtr(), nullptr);
        EXPECT_EQ(dib.Width(), width);
        EXPECT_EQ(dib.Height(), height);
    }
}

TEST_F(DibSectionTest, SizesThatOverflowRaiseError6AndTheDcIsStillReleased) {
    struct Case {
        std::int32_t width, height;
        bool rowOverflows;
    };
    // 715827882 * 3 fits but adding 3 does not; 715827883 * 3 does not fit; 3000-byte rows
    // times a million rows do not fit an image size.
    const Case cases[] = {
        {715827882, 1, true}, {715827883, 1, true}, {-715827883, 1, true}, {1000, 1000000, false}};
    for (const Case& c : cases) {
        cDIBSection dib;
        try {
            dib.Create(c.width, c.height);
            ADD_FAILURE() << c.width << "x" << c.height << " did not raise";
        } catch (const runtime::Error& error) {
            EXPECT_EQ(error.Number(), 6) << c.width << "x" << c.height;
        }
        EXPECT_FALSE(platform::IsNull(dib.hdc())) << "the memory DC stays with the object";
        EXPECT_TRUE(platform::IsNull(dib.hDib()));
        EXPECT_EQ(dib.Width(), c.width);
        if (c.rowOverflows) {
            EXPECT_THROW(dib.BytesPerScanLine(), runtime::Error);
        } else {
            EXPECT_EQ(dib.BytesPerScanLine(), 3000);
        }
    } // destruction deletes the DC; the fixture checks nothing is left
}

TEST_F(DibSectionTest, ACallersSectionBelongsToTheCallerAndLeavesTheObjectAlone) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(6, 4));
    std::uint8_t* bits = dib.DIBSectionBitsPtr();
    platform::BitmapHandle own = dib.hDib();

    platform::Bitmap mine;
    ASSERT_TRUE(dib.CreateDIB(dib.hdc(), 20, 10, mine));
    platform::BitmapRecord record{};
    ASSERT_NE(platform::GetObject(mine.get(), record), 0);
    EXPECT_EQ(record.bmWidth, 20);
    EXPECT_EQ(record.bmHeight, 10);
    EXPECT_EQ(record.bmBitsPixel, 24);

    EXPECT_EQ(dib.Width(), 6);
    EXPECT_EQ(dib.Height(), 4);
    EXPECT_EQ(dib.DIBSectionBitsPtr(), bits);
    EXPECT_EQ(dib.hDib(), own);

    dib.ClearUp();
    EXPECT_NE(platform::GetObject(mine.get(), record), 0) << "ClearUp must not delete it";
}

TEST_F(DibSectionTest, CreateFromPictureCopiesTheFramePixelsBottomRowFirst) {
    imaging_test::Image expected =
        imaging_test::ReadFrameBitmap(backend::SourcePath("resources/frames/101.bmp"));
    ASSERT_EQ(expected.width, 37) << "frame 101 could not be read from the source tree";

    platform::Picture picture = platform::LoadResPicture(101);
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    ASSERT_FALSE(platform::IsNull(dib.hDib()));
    ASSERT_EQ(dib.Width(), 37);
    ASSERT_EQ(dib.Height(), 36);
    for (std::int32_t y = 0; y < 36; ++y) {
        for (std::int32_t x = 0; x < 37; ++x) {
            ASSERT_EQ(std::memcmp(Pixel(dib, x, y), expected.At(x, y), 3), 0)
                << "pixel " << x << "," << y;
        }
    }
    // The picture stays the caller's and usable.
    platform::BitmapRecord record{};
    EXPECT_NE(platform::GetObject(picture.Handle(), record), 0);

    // Made again from another picture on a Live object: the old section goes.
    platform::BitmapHandle old = dib.hDib();
    dib.CreateFromPicture(platform::LoadResPicture(146));
    EXPECT_EQ(dib.Width(), 84);
    EXPECT_EQ(dib.Height(), 28);
    EXPECT_EQ(platform::GetObject(old, record), 0);
}

TEST_F(DibSectionTest, CreateFromAPictureWithoutABitmapLeavesAnEmptyZeroSizedObject) {
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(3, 3));
    dib.CreateFromPicture(platform::Picture{});
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_TRUE(platform::IsNull(dib.hdc()));
    EXPECT_TRUE(platform::IsNull(dib.hDib()));
}

TEST_F(DibSectionTest, BlitsWithOnlyADcUseTheWholeSectionAtTheOrigin) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(5, 3));
    ASSERT_TRUE(target.Create(5, 3));
    FillPattern(source);

    target.LoadPictureBlt(source.hdc());
    for (std::int32_t y = 0; y < 3; ++y) {
        for (std::int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(ColourAt(target, x, y), PatternColour(x, y)) << x << "," << y;
        }
    }

    cDIBSection big;
    ASSERT_TRUE(big.Create(7, 6));
    source.PaintPicture(big.hdc());
    for (std::int32_t y = 0; y < 6; ++y) {
        for (std::int32_t x = 0; x < 7; ++x) {
            std::uint32_t expected = (x < 5 && y < 3) ? PatternColour(x, y) : 0;
            EXPECT_EQ(ColourAt(big, x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(DibSectionTest, BlitsTakeOffsetsSizesAndRasterOperations) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(6, 5));
    ASSERT_TRUE(target.Create(6, 5));
    FillPattern(source);

    // A 2 x 2 block from (3, 1) of the source lands at the target's top-left corner.
    target.LoadPictureBlt(source.hdc(), 3, 1, 2, 2);
    EXPECT_EQ(ColourAt(target, 0, 0), PatternColour(3, 1));
    EXPECT_EQ(ColourAt(target, 1, 1), PatternColour(4, 2));
    EXPECT_EQ(ColourAt(target, 2, 0), 0u);
    EXPECT_EQ(ColourAt(target, 0, 2), 0u);

    // Painted at (4, 3) from source (0, 0): one width and height for both sides, clipped.
    cDIBSection canvas;
    ASSERT_TRUE(canvas.Create(6, 5));
    source.PaintPicture(canvas.hdc(), 4, 3, 3, -7, 0, 0);
    EXPECT_EQ(ColourAt(canvas, 4, 3), PatternColour(0, 0));
    EXPECT_EQ(ColourAt(canvas, 5, 4), PatternColour(1, 1));
    EXPECT_EQ(ColourAt(canvas, 3, 3), 0u);

    // The raster operation is passed on: SRCINVERT twice gives black back.
    source.PaintPicture(canvas.hdc(), 0, 0, -1, -1, 0, 0, platform::kSrcInvert);
    EXPECT_EQ(ColourAt(canvas, 1, 1), PatternColour(1, 1));
    source.PaintPicture(canvas.hdc(), 0, 0, -1, -1, 0, 0, platform::kSrcInvert);
    EXPECT_EQ(ColourAt(canvas, 1, 1), 0u);
    canvas.LoadPictureBlt(source.hdc(), 0, 0, -1, -1, platform::kWhiteness);
    EXPECT_EQ(ColourAt(canvas, 2, 2), 0xFFFFFFu);
}

TEST_F(DibSectionTest, TheFirstMemoryRowIsTheBottomLine) {
    cDIBSection source, target;
    ASSERT_TRUE(source.Create(2, 3));
    ASSERT_TRUE(target.Create(2, 3));
    // Memory row 0, first pixel: the picture's bottom-left corner.
    Byte(source, 0, 0)[0] = 0x11;
    Byte(source, 1, 0)[0] = 0x22;
    Byte(source, 2, 0)[0] = 0x33;
    // Copy only the bottom line, one pixel wide, to the target's top-left corner.
    target.LoadPictureBlt(source.hdc(), 0, 2, 1, 1);
    EXPECT_EQ(ColourAt(target, 0, 0), 0x112233u);
    EXPECT_EQ(*Byte(target, 0, 2), 0x11) << "the top line is the last memory row";
}

TEST_F(DibSectionTest, BlitsOfAnEmptyObjectDoNothing) {
    cDIBSection empty, target;
    ASSERT_TRUE(target.Create(2, 2));
    FillPattern(target);
    empty.PaintPicture(target.hdc());
    empty.LoadPictureBlt(target.hdc());
    EXPECT_EQ(ColourAt(target, 1, 1), PatternColour(1, 1));
}

} // namespace
