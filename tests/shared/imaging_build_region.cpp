// cDIBSectionRegion's regions from pictures and files: Create, Save and LoadFromFile, with the
// same expected bytes on the fake platform and on Win32.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "platform/files.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_build_support.h"

namespace {

using imaging::cDIBSection;
using imaging::cDIBSectionRegion;
using namespace jellop_test;

runtime::Error ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const runtime::Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error was raised";
    return runtime::Error(0, "", "");
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<Rect> RegionOf(cDIBSection& dib, std::int32_t transColor) {
    ScratchFolder folder;
    cDIBSectionRegion region;
    region.Create(dib, transColor);
    return ParseBlock(SavedBlock(region, folder)).rects;
}

// The rectangles of the shape a window shows now; none when it has no shape.
std::optional<std::vector<Rect>> ShapeOf(platform::WindowHandle window) {
    std::optional<std::vector<std::byte>> shape = backend::WindowShape(window);
    if (!shape) {
        return std::nullopt;
    }
    return imaging_test::ParseRegionData(*shape).rects;
}

TEST(RegionBuild, APictureWithoutTheTransparentColourGivesItsRectangle) {
    ScratchFolder folder;
    cDIBSection dib;
    Draw(dib, {"#o#o#", "~~~~~", "ooooo", "#####"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    std::vector<std::uint8_t> bytes = SavedBlock(region, folder);
    ASSERT_EQ(bytes.size(), 48u);
    RegionData block = ParseBlock(bytes);
    EXPECT_EQ(block.dwSize, 32u);
    EXPECT_EQ(block.iType, 1u);
    EXPECT_EQ(block.nCount, 1u);
    EXPECT_EQ(block.nRgnSize, 16u);
    EXPECT_EQ(block.bound, (Rect{0, 0, 5, 4}));
    EXPECT_EQ(block.rects, (std::vector<Rect>{{0, 0, 5, 4}}));
}

TEST(RegionBuild, APictureAllOfTheTransparentColourGivesAnEmptyRegion) {
    ScratchFolder folder;
    cDIBSection dib;
    Draw(dib, {"...", "...", "..."});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    std::vector<std::uint8_t> bytes = SavedBlock(region, folder);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(ParseBlock(bytes).nCount, 0u);
    EXPECT_EQ(ParseBlock(bytes).nRgnSize, 0u);
}

TEST(RegionBuild, ATransparentMiddleColumnSplitsOneBand) {
    ScratchFolder folder;
    cDIBSection dib;
    Draw(dib, {"#.#", "o.o"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    RegionData block = ParseBlock(SavedBlock(region, folder));
    EXPECT_EQ(block.nCount, 2u);
    EXPECT_EQ(block.bound, (Rect{0, 0, 3, 2}));
    EXPECT_EQ(block.rects, (std::vector<Rect>{{0, 0, 1, 2}, {2, 0, 3, 2}}));
}

TEST(RegionBuild, OnlyTheExactColourIsTransparentAndItsHighBitsDoNotCount) {
    cDIBSection dib;
    Draw(dib, {"....", "....", "...."});
    SetPixel(dib, 0, 0, kMagenta ^ 0x000001); // red one step off
    SetPixel(dib, 1, 1, kMagenta ^ 0x000100); // green
    SetPixel(dib, 2, 2, kMagenta ^ 0x010000); // blue
    const std::vector<Rect> expected{{0, 0, 1, 1}, {1, 1, 2, 2}, {2, 2, 3, 3}};
    EXPECT_EQ(RegionOf(dib, kMagenta), expected);
    // Bits 24 to 31 are ignored: with the high bit set it is still magenta, nothing else.
    EXPECT_EQ(RegionOf(dib, static_cast<std::int32_t>(0xFF000000u | kMagenta)), expected);
    EXPECT_EQ(RegionOf(dib, static_cast<std::int32_t>(0x80000000u | kMagenta)), expected);
}

TEST(RegionBuild, RowPaddingNeverCounts) {
    // Widths 5, 6 and 7 leave 1, 2 and 3 padding bytes per row.
    for (const std::vector<std::string>& picture :
         {std::vector<std::string>{"#...#", "..#.."}, std::vector<std::string>{"#....#", "......"},
          std::vector<std::string>{"......#", "#######"}}) {
        cDIBSection dib;
        Draw(dib, picture);
        FillPadding(dib, 0x00);
        std::vector<Rect> withZeros = RegionOf(dib, kMagenta);
        FillPadding(dib, 0xFF); // as if the padding continued the transparent magenta
        EXPECT_EQ(RegionOf(dib, kMagenta), withZeros);
        for (const Rect& rect : withZeros) {
            EXPECT_LE(rect.right, dib.Width()) << "wider than the picture";
        }
    }
    cDIBSection dib;
    Draw(dib, {"#...#", "..#.."});
    EXPECT_EQ(RegionOf(dib, kMagenta),
              (std::vector<Rect>{{0, 0, 1, 1}, {4, 0, 5, 1}, {2, 1, 3, 2}}));
}

TEST(RegionBuild, RunsReachingTheBottomLineAreRemovedToTheBottomEdge) {
    cDIBSection dib;
    Draw(dib, {"###", "#.#", "#..", "#.."});
    EXPECT_EQ(RegionOf(dib, kMagenta),
              (std::vector<Rect>{{0, 0, 3, 1}, {0, 1, 1, 2}, {2, 1, 3, 2}, {0, 2, 1, 4}}));
}

TEST(RegionBuild, ASectionWithoutPixelsGivesAnEmptyRegion) {
    ScratchFolder folder;
    cDIBSectionRegion region;
    cDIBSection never; // 0 x 0, no bitmap ever
    region.Create(never, kMagenta);
    EXPECT_EQ(SavedBlock(region, folder).size(), 32u);

    cDIBSection released; // still reports 4 x 3, but its bitmap is gone
    Draw(released, {"####", "####", "####"});
    released.ClearUp();
    ASSERT_EQ(released.Width(), 4);
    region.Create(released, kMagenta);
    EXPECT_EQ(SavedBlock(region, folder).size(), 32u);
}

TEST(RegionBuild, CreateTakesTheShapeOffListedWindows) {
    platform::Window window = platform::CreateFormWindow("RegionBuild", 10, 10, 8, 8);
    ASSERT_TRUE(window);
    cDIBSection dib;
    Draw(dib, {"#.", ".#"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    region.Applied(window.get(), true);
    EXPECT_EQ(ShapeOf(window.get()), (std::vector<Rect>{{0, 0, 1, 1}, {1, 1, 2, 2}}));
    region.Create(dib, kWhite);
    EXPECT_EQ(region.AppliedToCount(), 0);
    EXPECT_FALSE(region.Applied(window.get()));
    EXPECT_FALSE(ShapeOf(window.get()).has_value());
}

TEST(RegionFile, SaveWithoutARegionRaises26010AndWritesNothing) {
    ScratchFolder folder;
    cDIBSectionRegion region;
    runtime::Error error = ErrorOf([&] { region.Save(folder / "none.rgn"); });
    EXPECT_EQ(error.Number(), 26010);
    EXPECT_EQ(error.Message(), "No region to save");
    EXPECT_TRUE(EndsWith(error.Source(), ".cDIBSectionRegion")) << error.Source();
    EXPECT_EQ(error.Source(), imaging::RegionErrorSource());
    EXPECT_TRUE(folder.Names().empty());
}

TEST(RegionFile, SaveReplacesALongerFileWithExactlyTheBlock) {
    ScratchFolder folder;
    const std::string path = folder / "frame.rgn";
    WriteBytes(path, std::vector<std::uint8_t>(500, 0xEE));
    cDIBSection dib;
    Draw(dib, {"#.#", "o.o"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    EXPECT_TRUE(region.Save(path));
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    EXPECT_EQ(bytes.size(), 64u);
    EXPECT_EQ(ParseBlock(bytes).rects, (std::vector<Rect>{{0, 0, 1, 2}, {2, 0, 3, 2}}));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"frame.rgn"});
}

TEST(RegionFile, AFailedSaveLeavesTheOldFileAsItWas) {
    ScratchFolder folder;
    const std::string path = folder / "frame.rgn";
    const std::vector<std::uint8_t> old(100, 0x42);
    WriteBytes(path, old);
    cDIBSection dib;
    Draw(dib, {"#.#", "o.o"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    {
        // Another opener holds the file and lets nobody else read, write or delete it.
        platform::File holder = platform::File::Open(path, platform::FileAccess::Read,
                                                     platform::FileShare::DenyReadWrite);
        runtime::Error error = ErrorOf([&] { region.Save(path); });
        EXPECT_TRUE(error.Number() == platform::kFileErrPermissionDenied ||
                    error.Number() == platform::kFileErrPathFileAccess)
            << error.Number() << " " << error.Message();
        EXPECT_EQ(error.Message(), platform::FileErrorMessage(error.Number()));
        EXPECT_EQ(error.Source(), imaging::RegionErrorSource());
    }
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"frame.rgn"}) << "temporary file left";

    runtime::Error error = ErrorOf([&] { region.Save(folder / "missing-folder/frame.rgn"); });
    EXPECT_EQ(error.Number(), platform::kFileErrPathNotFound) << error.Message();
    EXPECT_EQ(error.Source(), imaging::RegionErrorSource());
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"frame.rgn"});
}

TEST(RegionFile, SavedRegionsLoadBackTheSame) {
    ScratchFolder folder;
    cDIBSection dib;
    Draw(dib, {".##.#", "#..##", "##.#.", ".....", "o~o~o"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    const std::vector<std::uint8_t> saved = SavedBlock(region, folder);

    cDIBSectionRegion loaded;
    EXPECT_TRUE(loaded.LoadFromFile(folder / "saved.rgn"));
    ScratchFolder again;
    EXPECT_EQ(SavedBlock(loaded, again), saved);

    // Bytes after a valid block are passed along and ignored.
    std::vector<std::uint8_t> longer = saved;
    longer.insert(longer.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    WriteBytes(folder / "longer.rgn", longer);
    cDIBSectionRegion trailing;
    EXPECT_TRUE(trailing.LoadFromFile(folder / "longer.rgn"));
    EXPECT_EQ(SavedBlock(trailing, again), saved);
}

TEST(RegionFile, AFileThatCannotBeReadLeavesTheObjectAsItWas) {
    ScratchFolder folder;
    platform::Window window = platform::CreateFormWindow("RegionFile", 10, 10, 8, 8);
    ASSERT_TRUE(window);
    cDIBSection dib;
    Draw(dib, {"#.", "##"});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    region.Applied(window.get(), true);
    const std::vector<Rect> shape{{0, 0, 1, 1}, {0, 1, 2, 2}};
    ASSERT_EQ(ShapeOf(window.get()), shape);

    runtime::Error missing = ErrorOf([&] { region.LoadFromFile(folder / "missing.rgn"); });
    EXPECT_EQ(missing.Number(), platform::kFileErrFileNotFound);
    EXPECT_EQ(missing.Message(), "File not found");
    EXPECT_TRUE(EndsWith(missing.Source(), ".cDIBSectionRegion")) << missing.Source();

    WriteBytes(folder / "empty.rgn", {});
    runtime::Error empty = ErrorOf([&] { region.LoadFromFile(folder / "empty.rgn"); });
    EXPECT_EQ(empty.Number(), 9);
    EXPECT_EQ(empty.Source(), imaging::RegionErrorSource());

    EXPECT_EQ(region.AppliedToCount(), 1);
    EXPECT_EQ(ShapeOf(window.get()), shape);
    EXPECT_EQ(ParseBlock(SavedBlock(region, folder)).rects, shape);
    // No file stays open: the empty file can be removed at once.
    EXPECT_NO_THROW(platform::RemoveFile(folder / "empty.rgn"));
}

TEST(RegionFile, AFileThatIsNoBlockLeavesNoRegion) {
    ScratchFolder folder;
    platform::Window window = platform::CreateFormWindow("RegionFile", 10, 10, 8, 8);
    ASSERT_TRUE(window);
    cDIBSection dib;
    Draw(dib, {"#."});
    cDIBSectionRegion region;
    region.Create(dib, kMagenta);
    region.Applied(window.get(), true);

    std::vector<std::uint8_t> bytes = SavedBlock(region, folder);
    bytes[4] = 2; // iType is not RDH_RECTANGLES
    WriteBytes(folder / "bad.rgn", bytes);
    EXPECT_FALSE(region.LoadFromFile(folder / "bad.rgn"));
    EXPECT_EQ(region.AppliedToCount(), 0);
    EXPECT_FALSE(ShapeOf(window.get()).has_value());
    EXPECT_EQ(ErrorOf([&] { region.Save(folder / "after.rgn"); }).Number(), 26010);
}

TEST(RegionFile, BuildingSavingAndLoadingLeaveNoObjectBehind) {
    ScratchFolder folder;
    const std::size_t misuses = backend::PlatformMisuses().size();
    const backend::LiveObjectCounts before = backend::LiveObjects();
    {
        platform::Window window = platform::CreateFormWindow("RegionFile", 10, 10, 8, 8);
        cDIBSection dib;
        Draw(dib, {"#.#", ".#.", "#.#"});
        cDIBSectionRegion region;
        region.Create(dib, kMagenta);
        region.Applied(window.get(), true);
        region.Create(dib, kWhite); // replaces the region while a window is listed
        region.Applied(window.get(), true);
        EXPECT_TRUE(region.Save(folder / "a.rgn"));
        EXPECT_TRUE(region.Save(folder / "a.rgn")); // over the file just written
        EXPECT_TRUE(region.LoadFromFile(folder / "a.rgn"));
        WriteBytes(folder / "empty.rgn", {});
        EXPECT_THROW(region.LoadFromFile(folder / "empty.rgn"), runtime::Error);
        EXPECT_THROW(region.LoadFromFile(folder / "missing.rgn"), runtime::Error);
        region.Applied(window.get(), false);
        dib.ClearUp();
        region.Create(dib, kMagenta);
    }
    EXPECT_EQ(backend::LiveObjects(), before);
    EXPECT_EQ(backend::PlatformMisuses().size(), misuses);
}

} // namespace
