// Failures the platform layer reports reach the program as its numbered errors: the platform
// throws its own error (a number and a message, no source), and the runtime passes it on with
// the application as the source. The platform never raises the runtime's error type itself.
#include <gtest/gtest.h>

#include <string>

#include "controls/resources.h"
#include "gdi/resources.h"
#include "platform/files.h"
#include "runtime/error.h"
#include "runtime/resources.h"

namespace {

class PlatformErrors : public ::testing::Test {
  protected:
    void SetUp() override { platform::memory::ResetModules(); }
    void TearDown() override { platform::memory::ResetModules(); }
};

TEST_F(PlatformErrors, AMissingResourceIsThePlatformsOwnErrorWithoutASource) {
    for (const platform::ResourceId& id :
         {platform::ResourceId(100), platform::ResourceId("NOPE")}) {
        try {
            platform::LoadResData(id, platform::ResourceType::RawData);
            ADD_FAILURE() << id.Text() << " was found";
        } catch (const runtime::Error& error) {
            ADD_FAILURE() << "the platform raised the runtime's error: " << error.Message();
        } catch (const platform::ResourceError& error) {
            EXPECT_EQ(error.Number(), platform::kErrResourceNotFound);
            EXPECT_EQ(error.Message(), "Resource with identifier '" + id.Text() + "' not found");
        }
    }
    EXPECT_THROW(platform::LoadResPicture(100), platform::ResourceError);
}

// Runs `action`, which must raise a runtime::Error; that error.
template <typename Action> runtime::Error RaisedBy(Action&& action) {
    try {
        action();
    } catch (const runtime::Error& error) {
        return error;
    }
    ADD_FAILURE() << "no runtime error raised";
    return runtime::Error(0, "", "");
}

TEST_F(PlatformErrors, TheRuntimeRaisesResourceFailuresAsTheApplicationsErrors) {
    runtime::Error picture = RaisedBy([] { runtime::LoadResPicture(100); });
    EXPECT_EQ(picture.Number(), platform::kErrResourceNotFound);
    EXPECT_EQ(picture.Message(), "Resource with identifier '100' not found");
    EXPECT_EQ(picture.Source(), runtime::AppTitle());

    runtime::Error data =
        RaisedBy([] { runtime::LoadResData("NOPE", platform::ResourceType::RawData); });
    EXPECT_EQ(data.Number(), platform::kErrResourceNotFound);
    EXPECT_EQ(data.Message(), "Resource with identifier 'NOPE' not found");
    EXPECT_EQ(data.Source(), runtime::AppTitle());

    // What is there arrives untouched.
    EXPECT_TRUE(runtime::LoadResPicture(101));
    EXPECT_FALSE(runtime::LoadResData(101, platform::ResourceType::RawData).empty());
}

TEST_F(PlatformErrors, WithAppSourceRenamesOnlyPlatformFailures) {
    runtime::Error file = RaisedBy([] {
        runtime::WithAppSource(
            []() -> int { throw platform::FileError(platform::kFileErrFileNotFound); });
    });
    EXPECT_EQ(file.Number(), platform::kFileErrFileNotFound);
    EXPECT_EQ(file.Message(), "File not found");
    EXPECT_EQ(file.Source(), runtime::AppTitle());

    // The program's own errors keep the source they were raised with.
    runtime::Error own = RaisedBy([] {
        runtime::WithAppSource([]() -> int {
            throw runtime::Error(26010, "x.cDIBSectionRegion", "No region to save");
        });
    });
    EXPECT_EQ(own.Number(), 26010);
    EXPECT_EQ(own.Source(), "x.cDIBSectionRegion");
}

} // namespace
