// The resource-only module of the windows build (tests/win32/testres), a DLL made by the MinGW
// tools as any Windows developer makes one, which the native tests read as a file. The test
// command builds the windows preset before it runs these tests, so a module that is not where
// that build puts it is a fault (a moved or renamed module), not a reason to skip.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

// Where the module is: in $JELLOP_WINDOWS_BUILD, else in the windows build of this tree.
inline std::string WindowsTestModule() {
    const char* set = std::getenv("JELLOP_WINDOWS_BUILD");
    std::string build = set != nullptr && *set ? set : JELLOP_WINDOWS_BUILD_DIR;
    return build + "/tests/win32/jellop_testres.dll";
}

// Whether the module is there; the test fails, naming the path, when it is not.
inline ::testing::AssertionResult WindowsTestModuleBuilt(const std::string& path) {
    if (std::filesystem::is_regular_file(path)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "no " << path << ": the windows preset builds it (cmake --build --preset windows)";
}

} // namespace testing_support
