// Region resources of a Windows module read from its file, as the backends without Win32 read
// them (no module registered under the path): the resource-only module that the windows build
// makes with the MinGW resource compiler, and a file that is not a module at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "imaging/cDIBSectionRegion.h"
#include "leak_checked_test.h"
#include "platform/window.h"
#include "runtime/error.h"
#include "shared/backend.h"
#include "shared/imaging_support.h"
#include "win32/testres/testres_blocks.h"
#include "windows_test_module.h"

namespace {

class RegionModuleFile : public LeakCheckedTest {};

TEST_F(RegionModuleFile, AModuleMadeForWindowsGivesItsRegionsByIdAndByName) {
    const std::string path = testing_support::WindowsTestModule();
    ASSERT_TRUE(testing_support::WindowsTestModuleBuilt(path));
    platform::Window window = platform::CreateFormWindow("Probe", 0, 0, 40, 40);
    imaging::cDIBSectionRegion region;
    ASSERT_TRUE(region.LoadFromResource(TESTRES_ID_TWO_BANDS, path));
    region.Applied(window.get(), true);
    EXPECT_EQ(backend::WindowShape(window.get()), imaging_test::BlockBytes({TESTRES_TWO_BANDS}));
    ASSERT_TRUE(region.LoadFromResource(std::string(TESTRES_NAME_SINGLE), path));
    region.Applied(window.get(), true);
    EXPECT_EQ(backend::WindowShape(window.get()), imaging_test::BlockBytes({TESTRES_SINGLE}));
    EXPECT_EQ(backend::OpenModuleCount(path), 0) << "the module is freed after each load";
}

TEST_F(RegionModuleFile, AFileThatIsNoModuleRaises26013) {
    imaging::cDIBSectionRegion region;
    try {
        region.LoadFromResource(TESTRES_ID_TWO_BANDS, backend::SourcePath("README.md"));
        ADD_FAILURE() << "no error";
    } catch (const runtime::Error& error) {
        EXPECT_EQ(error.Number(), imaging::kErrCantOpenDll);
    }
}

} // namespace
