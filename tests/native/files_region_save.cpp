// A region file survives a Save that fails halfway: the disk of the fake file layer fills up
// while the new block is written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/files.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionRegion.h"
#include "platform/files.h"
#include "runtime/error.h"
#include "shared/imaging_build_support.h"

namespace {

using namespace jellop_test;

TEST(RegionFileOnAFullDisk, AFailedSaveKeepsTheOldFileWhole) {
    ScratchFolder folder;
    const std::string path = folder / "frame.rgn";
    const std::vector<std::uint8_t> old(40, 0x42);
    WriteBytes(path, old);

    imaging::cDIBSection dib;
    Draw(dib, {"#.#.#", "o...o"}); // 5 rectangles: a 112-byte block
    imaging::cDIBSectionRegion region;
    region.Create(dib, static_cast<std::int32_t>(kMagenta));

    platform::posix::SetFreeDiskSpace(60); // room for about half of it
    try {
        region.Save(path);
        ADD_FAILURE() << "the save did not fail";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), platform::kFileErrDiskFull);
        EXPECT_EQ(error.Message(), "Disk full");
        EXPECT_EQ(error.Source(), imaging::RegionErrorSource());
    }
    platform::posix::ResetFiles();
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"frame.rgn"});
    EXPECT_EQ(platform::posix::OpenFileCount(), 0);

    // With room again the same save succeeds and leaves exactly the block.
    EXPECT_TRUE(region.Save(path));
    EXPECT_EQ(ReadBytes(path).size(), 112u);
}

} // namespace
