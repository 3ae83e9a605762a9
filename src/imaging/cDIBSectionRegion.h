// cDIBSectionRegion: holds at most one region, gives it to windows as their shape, keeps the
// list of those windows and can take the region off all of them again.
//
// Window list: entries 1 to WindowCount hold the windows in the order they were first given
// the region, each at most once. Its storage grows by one entry for each newly listed window
// and shrinks by one for each removed one (removing the last releases it); detaching all
// windows zeroes the entries but keeps the storage's length.
//
// Region ownership: a window owns the region it is given and releases it itself when its
// shape is replaced or cleared. So every window is given its own copy of the held region, and
// the object releases only the one it holds: each region handle is released exactly once.
//
// Errors are numbered runtime errors with the source "<executable name>.cDIBSectionRegion".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gdi/handles.h"
#include "gdi/region.h"
#include "gdi/resources.h"

namespace imaging {

class cDIBSection;

inline constexpr std::int32_t kErrNoRegionToSave = 26010;
inline constexpr std::int32_t kErrRegionSizeUnknown = 26011;
inline constexpr std::int32_t kErrRegionDataUnavailable = 26012;
inline constexpr std::int32_t kErrCantOpenDll = 26013;
inline constexpr std::int32_t kErrResourceNotFound = 26014;

class cDIBSectionRegion {
  public:
    cDIBSectionRegion() = default;
    cDIBSectionRegion(const cDIBSectionRegion&) = delete;
    cDIBSectionRegion& operator=(const cDIBSectionRegion&) = delete;
    ~cDIBSectionRegion();

    // Read: whether hWnd is listed (the window itself is not asked).
    bool Applied(platform::WindowHandle hWnd) const;
    // Write: true lists the window (once) and gives it the held region, or no shape when none
    // is held; false takes its shape away and unlists it.
    void Applied(platform::WindowHandle hWnd, bool bState);

    std::int32_t AppliedToCount() const { return WindowCount_; }

    // Entry lIndex (1-based) of the list's storage; error 9 outside the storage.
    platform::WindowHandle hWndForIndex(std::int32_t lIndex) const;

    // Takes the shape off every listed window and releases the held region.
    void Destroy();

    // Builds the region of cDib less every pixel of colour lTransColor (0x00BBGGRR).
    // (src/imaging/cDIBSectionRegionBuild.cpp)
    void Create(cDIBSection& cDib, std::int32_t lTransColor);

    // Writes the held region's block to a file; errors 26010 to 26012 or the file layer's.
    // (src/imaging/cDIBSectionRegionBuild.cpp)
    bool Save(const std::string& sPath);

    // Reads a region-data block from a file; true if a region was made.
    // (src/imaging/cDIBSectionRegionBuild.cpp)
    bool LoadFromFile(const std::string& sFileName);

    // Reads the RT_RCDATA resource vID, of the program's own module when sDLL is empty or else
    // of the module sDLL opened as a data file, and holds the region it describes; true if a
    // region was made. Errors 26013 and 26014, or the resource layer's for the own module.
    bool LoadFromResource(const platform::ResourceId& vID, const std::string& sDLL);

  private:
    // 1-based position of hWnd in the list, 0 if absent.
    std::int32_t IndexOfWindow(platform::WindowHandle hWnd) const;
    void DetachAllWindows();
    // Destroy, then hold the region of one region-data block; true if a region was made.
    bool LoadFromBytes(std::span<const std::byte> bytes);

    platform::Region hRgn_;
    std::vector<platform::WindowHandle> WindowList_; // entry i is at WindowList_[i - 1]
    std::int32_t WindowCount_ = 0;
};

// "<executable name without extension>.cDIBSectionRegion": the source of the class's errors.
std::string RegionErrorSource();

} // namespace imaging
