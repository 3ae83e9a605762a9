// cDIBSection: one 24-bit device-independent bitmap section, kept selected into a memory DC
// of its own for the object's whole life, so that the same pixels can be blitted with GDI and
// read or written in place through DIBSectionBitsPtr.
//
// Pixels are three bytes (blue, green, red), rows BytesPerScanLine bytes apart, and memory
// row 0 is the bottom line of the picture (the height is positive).
//
// States: Empty (no DC, no section, no bits) and Live (the section selected into the DC).
// Create and CreateFromPicture go through Empty to Live; ClearUp and destruction return to
// Empty. Width, Height and BytesPerScanLine always describe the last size asked of CreateDIB,
// in whichever state.
#pragma once

#include <cstdint>
#include <memory>

#include "gdi/gdi.h"
#include "gdi/resources.h"

namespace imaging {

class cDIBSection {
  public:
    cDIBSection() = default;
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;
    ~cDIBSection();

    // Offers a copy of the picture on the clipboard as a CF_BITMAP; with bAsDIB (the
    // default) it only says that it cannot. (src/imaging/cDIBSectionImageOps.cpp)
    bool CopyToClipboard(bool bAsDIB = true);

    // Makes a 24-bit section of lWidth x lHeight described by this object's header and
    // returns it through hDib; true when a section was made. When hDib is this object's own
    // section (as Create calls it) the header and bits pointer describe the new section; a
    // caller's variable receives a section the caller owns, and the object is left as it was.
    // Raises error 6 when the row size or image size overflows 32 bits.
    bool CreateDIB(platform::DcHandle lhDC, std::int32_t lWidth, std::int32_t lHeight,
                   platform::Bitmap& hDib);

    // Makes the section a copy of the picture's bitmap, at its size. Reports nothing: Width,
    // Height and hDib tell the outcome.
    void CreateFromPicture(const platform::Picture& picThis);

    // Returns to Empty, then makes a Live section of lWidth x lHeight; true when it is Live.
    bool Create(std::int32_t lWidth, std::int32_t lHeight);

    // (Width x 3 + 3) AND NOT 3; error 6 on overflow.
    std::int32_t BytesPerScanLine() const;
    std::int32_t Width() const { return header_.bmiHeader.biWidth; }
    std::int32_t Height() const { return header_.bmiHeader.biHeight; }

    // Copies a block of lhDC (from lSrcLeft, lSrcTop) into the section's top-left corner;
    // a negative size stands for the section's own.
    void LoadPictureBlt(platform::DcHandle lhDC, std::int32_t lSrcLeft = 0,
                        std::int32_t lSrcTop = 0, std::int32_t lSrcWidth = -1,
                        std::int32_t lSrcHeight = -1, std::uint32_t eRop = platform::kSrcCopy);

    // Draws the section (from lSrcLeft, lSrcTop) into lhDC at lDestLeft, lDestTop, unscaled;
    // a negative size stands for the section's own.
    void PaintPicture(platform::DcHandle lhDC, std::int32_t lDestLeft = 0,
                      std::int32_t lDestTop = 0, std::int32_t lDestWidth = -1,
                      std::int32_t lDestHeight = -1, std::int32_t lSrcLeft = 0,
                      std::int32_t lSrcTop = 0, std::uint32_t eRop = platform::kSrcCopy);

    // Borrowed: valid until the next Create, CreateFromPicture or ClearUp.
    platform::DcHandle hdc() const { return memoryDc_.get(); }
    platform::BitmapHandle hDib() const { return hDib_.get(); }
    std::uint8_t* DIBSectionBitsPtr() const { return bits_; }

    // Fills the pixels with random colours (blue 0) or random grays.
    // (src/imaging/cDIBSectionImageOps.cpp)
    void RandomiseBits(bool bGray = false);

    // Puts the section back into the memory DC's hands, deletes it and the DC. The header is
    // kept.
    void ClearUp();

    // A new section of lNewWidth x lNewHeight resampled bilinearly from this one, or none when
    // it cannot be made. The same size is an exact copy (black from an Empty object). Another
    // size needs at least 2 x 2 pixels: error 9 from a narrower or lower section, none from an
    // Empty one. (src/imaging/cDIBSectionImageOps.cpp)
    std::unique_ptr<cDIBSection> Resample(std::int32_t lNewHeight, std::int32_t lNewWidth);

  private:
    // Fills a Live target of the new size. (src/imaging/cDIBSectionImageOps.cpp)
    void ResampleInto(cDIBSection& cDib);

    // Owners in release order from the bottom up: the saved bitmap goes back into the DC
    // first, then the section is deleted, then the DC.
    platform::MemoryDc memoryDc_;
    platform::Bitmap hDib_;
    platform::SelectedBitmap SavedBitmap_;
    std::uint8_t* bits_ = nullptr;
    platform::BitmapInfo header_{};
};

} // namespace imaging
