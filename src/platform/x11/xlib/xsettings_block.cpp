#include "platform/x11/xlib/xsettings_block.h"

namespace platform::x11 {

namespace {

// Reads the block's fields in its own byte order, never past its end.
class BlockReader {
  public:
    explicit BlockReader(std::span<const std::uint8_t> block) : block_(block) {}

    bool Fail() const { return failed_; }
    void SetBigEndian(bool big) { big_ = big; }
    void Skip(std::size_t count) {
        if (count > block_.size() - at_) {
            failed_ = true;
            at_ = block_.size();
        } else {
            at_ += count;
        }
    }
    std::uint32_t Read(std::size_t size) {
        if (size > block_.size() - at_) {
            failed_ = true;
            at_ = block_.size();
            return 0;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            std::uint32_t byte = block_[at_ + (big_ ? i : size - 1 - i)];
            value = (value << 8) | byte;
        }
        at_ += size;
        return value;
    }
    std::string_view Text(std::size_t length) {
        if (length > block_.size() - at_) {
            failed_ = true;
            return {};
        }
        std::string_view text(reinterpret_cast<const char*>(block_.data() + at_), length);
        at_ += length;
        return text;
    }

  private:
    std::span<const std::uint8_t> block_;
    std::size_t at_ = 0;
    bool big_ = false;
    bool failed_ = false;
};

// The block's first byte: LSBFirst (0) or MSBFirst (1), as Xlib names them.
constexpr std::uint32_t kMostSignificantFirst = 1;

constexpr std::size_t Padded(std::size_t length) {
    return (length + 3) & ~std::size_t{3};
}

} // namespace

std::optional<std::int32_t> XSettingsInteger(std::span<const std::uint8_t> block,
                                             std::string_view name) {
    enum : std::uint32_t { kInteger = 0, kString = 1, kColor = 2 };
    BlockReader reader(block);
    std::uint32_t order = reader.Read(1);
    reader.SetBigEndian(order == kMostSignificantFirst);
    reader.Skip(3);
    reader.Read(4); // serial
    std::uint32_t count = reader.Read(4);
    for (std::uint32_t i = 0; i < count && !reader.Fail(); ++i) {
        std::uint32_t type = reader.Read(1);
        reader.Skip(1);
        std::size_t length = reader.Read(2);
        std::string_view settingName = reader.Text(length);
        reader.Skip(Padded(length) - length);
        reader.Read(4); // last change serial
        switch (type) {
        case kInteger: {
            auto value = static_cast<std::int32_t>(reader.Read(4));
            if (!reader.Fail() && settingName == name) {
                return value;
            }
            break;
        }
        case kString: {
            std::size_t valueLength = reader.Read(4);
            reader.Skip(Padded(valueLength));
            break;
        }
        case kColor:
            reader.Skip(8);
            break;
        default:
            return std::nullopt; // an unknown type: its size is unknown too
        }
    }
    return std::nullopt;
}

} // namespace platform::x11
