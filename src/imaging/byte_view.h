// A two-dimensional view of a bitmap section's pixel memory: element (k, r) is byte k of memory
// row r. Every access is checked against the view's bounds and raises error 9 (subscript out of
// range) before any memory outside them is touched. The view only aliases the memory: it never
// allocates, owns or frees it.
#pragma once

#include <cstdint>

#include "runtime/error.h"

namespace imaging {

template <typename Byte> class BasicByteView {
  public:
    // A view over no memory has no elements at all.
    BasicByteView(Byte* base, std::int32_t rowLength, std::int32_t rows) noexcept
        : base_(base), rowLength_(base != nullptr && rowLength > 0 && rows > 0 ? rowLength : 0),
          rows_(base != nullptr && rowLength > 0 && rows > 0 ? rows : 0) {}

    std::int32_t RowLength() const noexcept { return rowLength_; }
    std::int32_t Rows() const noexcept { return rows_; }

    bool Contains(std::int64_t k, std::int64_t r) const noexcept {
        return k >= 0 && k < rowLength_ && r >= 0 && r < rows_;
    }

    // Raises error 9 unless (k, r) lies inside the view.
    void Check(std::int64_t k, std::int64_t r) const {
        if (!Contains(k, r)) {
            runtime::RaiseSubscriptOutOfRange();
        }
    }

    Byte& operator()(std::int64_t k, std::int64_t r) const {
        Check(k, r);
        return base_[r * rowLength_ + k];
    }

    // The first byte of memory row r, for loops that have checked their whole range already.
    Byte* Row(std::int64_t r) const {
        Check(0, r);
        return base_ + r * rowLength_;
    }

  private:
    Byte* base_;
    std::int32_t rowLength_;
    std::int32_t rows_;
};

using ByteView = BasicByteView<std::uint8_t>;
using ConstByteView = BasicByteView<const std::uint8_t>;

} // namespace imaging
