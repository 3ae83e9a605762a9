#include "imaging/cDIBSectionRegion.h"

#include <cstring>

#include "platform/window_region.h"
#include "runtime/error.h"
#include "runtime/resources.h"

namespace imaging {
namespace {

[[noreturn]] void RaiseRegionError(std::int32_t number, std::string message) {
    throw runtime::Error(number, RegionErrorSource(), std::move(message));
}

} // namespace

std::string RegionErrorSource() {
    return runtime::AppTitle() + ".cDIBSectionRegion";
}

cDIBSectionRegion::~cDIBSectionRegion() {
    Destroy();
}

std::int32_t cDIBSectionRegion::IndexOfWindow(platform::WindowHandle hWnd) const {
    for (std::int32_t i = 1; i <= WindowCount_; ++i) {
        if (WindowList_[static_cast<std::size_t>(i - 1)] == hWnd) {
            return i;
        }
    }
    return 0;
}

bool cDIBSectionRegion::Applied(platform::WindowHandle hWnd) const {
    return IndexOfWindow(hWnd) != 0;
}

void cDIBSectionRegion::Applied(platform::WindowHandle hWnd, bool bState) {
    std::int32_t index = IndexOfWindow(hWnd);
    if (bState) {
        if (index == 0) {
            ++WindowCount_;
            WindowList_.resize(static_cast<std::size_t>(WindowCount_));
            WindowList_.back() = hWnd;
        }
        // The window owns what it is given, so it gets a copy; the object keeps its own.
        platform::Region shape = hRgn_ ? platform::CopyRegion(hRgn_.get()) : platform::Region{};
        platform::SetWindowRgn(hWnd, std::move(shape), true);
        return;
    }
    platform::SetWindowRgn(hWnd, platform::Region{}, true);
    if (index == 0) {
        return;
    }
    if (WindowCount_ <= 1) {
        WindowCount_ = 0;
        WindowList_.clear();
        WindowList_.shrink_to_fit();
        return;
    }
    // The later entries move down one place and the storage shrinks by that one entry.
    WindowList_.erase(WindowList_.begin() + (index - 1));
    --WindowCount_;
}

platform::WindowHandle cDIBSectionRegion::hWndForIndex(std::int32_t lIndex) const {
    if (lIndex < 1 || static_cast<std::size_t>(lIndex) > WindowList_.size()) {
        runtime::RaiseSubscriptOutOfRange();
    }
    return WindowList_[static_cast<std::size_t>(lIndex - 1)];
}

void cDIBSectionRegion::DetachAllWindows() {
    for (std::int32_t i = 0; i < WindowCount_; ++i) {
        platform::WindowHandle& entry = WindowList_[static_cast<std::size_t>(i)];
        if (!platform::IsNull(entry)) {
            platform::SetWindowRgn(entry, platform::Region{}, true);
            entry = {};
        }
    }
    WindowCount_ = 0;
}

void cDIBSectionRegion::Destroy() {
    DetachAllWindows();
    hRgn_.reset();
}

bool cDIBSectionRegion::LoadFromBytes(std::span<const std::byte> bytes) {
    Destroy();
    hRgn_ = platform::ExtCreateRegion(bytes);
    return static_cast<bool>(hRgn_);
}

bool cDIBSectionRegion::LoadFromResource(const platform::ResourceId& vID, const std::string& sDLL) {
    if (sDLL.empty()) {
        std::vector<std::byte> bytes = runtime::LoadResData(vID, platform::ResourceType::RawData);
        return LoadFromBytes(bytes);
    }

    platform::Module module = platform::LoadLibraryEx(sDLL, platform::kLoadLibraryAsDatafile);
    if (!module) {
        RaiseRegionError(kErrCantOpenDll, "Can't open DLL for Resource Access");
    }
    std::string name = vID.IsNumeric() ? std::string("#") : std::string();
    name += vID.Text();
    platform::ResourceInfoHandle info =
        platform::FindResource(module.get(), name, platform::ResourceType::RawData);
    if (platform::IsNull(info)) {
        module.reset();
        RaiseRegionError(kErrResourceNotFound,
                         "Resource with ID " + vID.Text() + " could not be found");
    }
    std::uint32_t size = platform::SizeofResource(module.get(), info);
    platform::ResourceDataHandle data = platform::LoadResource(module.get(), info);
    if (platform::IsNull(data)) {
        module.reset();
        RaiseRegionError(kErrResourceNotFound,
                         "Cannot access data for resource with ID " + vID.Text());
    }
    const void* address = platform::LockResource(data);
    if (address == nullptr) {
        return false; // the module is released on the way out
    }
    std::vector<std::byte> bytes(size);
    if (size != 0) {
        std::memcpy(bytes.data(), address, size);
    }
    bool made = LoadFromBytes(bytes);
    module.reset();
    return made;
}

} // namespace imaging
