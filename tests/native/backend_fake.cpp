// The shared suites' backend on the fake platform: the test module is registered under a
// made-up path with the same blocks the real test module is built from.
#include "shared/backend.h"

#include <initializer_list>

#include "controls/live_objects.h"
#include "controls/resources.h"
#include "gdi/region.h"
#include "platform/clipboard.h"
#include "platform/fake/fake_app.h"
#include "platform/fake/fake_clipboard.h"
#include "platform/fake/fake_layered.h"
#include "platform/fake/fake_window.h"
#include "shared/imaging_support.h"
#include "win32/testres/testres_blocks.h"

namespace backend {
namespace {

constexpr const char* kTestModulePath = "C:\\Tests\\jellop_testres.dll";

platform::memory::ModuleResource RawData(std::variant<std::int32_t, std::string> name,
                                         std::vector<std::byte> bytes) {
    platform::memory::ModuleResource resource;
    resource.type = platform::ResourceType::RawData;
    resource.name = std::move(name);
    resource.bytes = std::move(bytes);
    return resource;
}

} // namespace

void Reset() {
    platform::fake::ResetApp();
    platform::fake::ResetScreen();
    platform::memory::ResetModules();
    platform::memory::ClearMisuses();
    platform::memory::RegisterModule(
        kTestModulePath,
        {RawData(TESTRES_ID_TWO_BANDS, imaging_test::BlockBytes({TESTRES_TWO_BANDS})),
         RawData(TESTRES_ID_WRONG_TYPE, imaging_test::BlockBytes({TESTRES_WRONG_TYPE})),
         RawData(TESTRES_ID_TRUNCATED, imaging_test::BlockBytes({TESTRES_TRUNCATED})),
         RawData(std::string(TESTRES_NAME_SINGLE), imaging_test::BlockBytes({TESTRES_SINGLE}))});
}

std::string OtherModulePath() {
    return kTestModulePath;
}

std::string MissingModulePath() {
    return "C:\\Tests\\no_such_module.dll";
}

int OpenModuleCount(const std::string& path) {
    return platform::memory::OpenModuleCount(path);
}

LiveObjectCounts LiveObjects() {
    platform::memory::LiveObjects live = platform::memory::CountLiveObjects();
    return LiveObjectCounts{live.dcs, live.bitmaps, live.regions};
}

std::vector<std::string> PlatformMisuses() {
    return platform::memory::Misuses();
}

std::uint8_t WindowOpacity(platform::WindowHandle window) {
    return platform::fake::EffectiveAlpha(window);
}

std::optional<std::vector<std::byte>> WindowShape(platform::WindowHandle window) {
    const platform::fake::WindowState* state = platform::fake::FindWindowState(window);
    if (state == nullptr || platform::IsNull(state->region)) {
        return std::nullopt;
    }
    return platform::RegionDataBytes(state->region);
}

std::vector<std::uint32_t> ClipboardFormats() {
    std::vector<std::uint32_t> formats;
    for (const platform::fake::ClipboardEntry& entry : platform::fake::ClipboardContents()) {
        formats.push_back(entry.format);
    }
    return formats;
}

platform::BitmapHandle ClipboardBitmap() {
    for (const platform::fake::ClipboardEntry& entry : platform::fake::ClipboardContents()) {
        if (entry.format == platform::kClipboardFormatBitmap) {
            return entry.bitmap;
        }
    }
    return {};
}

std::string SourcePath(const std::string& relative) {
    return std::string(JELLOP_SOURCE_DIR) + "/" + relative;
}

} // namespace backend
