// Resources read from Windows modules as data: the resource-only module that the windows
// build makes with the MinGW resource compiler, and damaged modules, which are all rejected
// without a read outside the file (the native tier runs under AddressSanitizer).
#include "gdi/pe_resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "gdi/little_endian.h"
#include "win32/testres/testres_blocks.h"
#include "windows_test_module.h"

namespace {

using platform::kPeBitmap;
using platform::kPeRawData;
using platform::PeModule;
using Bytes = std::vector<std::byte>;

void Put16(Bytes& bytes, std::size_t at, std::uint32_t value) {
    if (bytes.size() < at + 2) {
        bytes.resize(at + 2);
    }
    bytes[at] = std::byte(value & 0xFF);
    bytes[at + 1] = std::byte((value >> 8) & 0xFF);
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// A small PE32+ module with one section at RVA 0x1000 (file offset 0x200) that holds the
// resource tree `tree`, written by the test with offsets relative to the section's start.
constexpr std::size_t kPeAt = 0x40;
constexpr std::size_t kOptional = kPeAt + 24;
constexpr std::size_t kSectionTable = kOptional + 240;
constexpr std::size_t kSectionData = 0x200;
constexpr std::uint32_t kSectionRva = 0x1000;

Bytes Module(const Bytes& tree) {
    Bytes bytes(kSectionData);
    Put16(bytes, 0, 0x5A4D);
    Put32(bytes, 0x3C, kPeAt);
    Put32(bytes, kPeAt, 0x00004550);
    Put16(bytes, kPeAt + 4 + 2, 1);    // one section
    Put16(bytes, kPeAt + 4 + 16, 240); // the optional header's size
    Put16(bytes, kOptional, 0x20B);    // PE32+
    Put32(bytes, kOptional + 108, 16); // data directories
    Put32(bytes, kOptional + 112 + 16, kSectionRva);
    Put32(bytes, kOptional + 112 + 20, static_cast<std::uint32_t>(tree.size()));
    Put32(bytes, kSectionTable + 8, static_cast<std::uint32_t>(tree.size()));
    Put32(bytes, kSectionTable + 12, kSectionRva);
    Put32(bytes, kSectionTable + 16, static_cast<std::uint32_t>(tree.size()));
    Put32(bytes, kSectionTable + 20, kSectionData);
    bytes.insert(bytes.end(), tree.begin(), tree.end());
    return bytes;
}

// A directory at `at` with `entries` (name, data) pairs, named entries counted first.
void Directory(Bytes& tree, std::size_t at, std::uint16_t named,
               const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
    Put16(tree, at + 12, named);
    Put16(tree, at + 14, static_cast<std::uint32_t>(entries.size() - named));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Put32(tree, at + 16 + 8 * i, entries[i].first);
        Put32(tree, at + 20 + 8 * i, entries[i].second);
    }
}

constexpr std::uint32_t kDir = 0x80000000U;

// RCDATA 7 = "seven!" and RCDATA "Blob" = "named", the usual three levels each.
Bytes GoodTree() {
    Bytes tree(0x100);
    Directory(tree, 0x00, 0, {{kPeRawData, kDir | 0x18}});
    Directory(tree, 0x18, 1, {{kDir | 0xC0, kDir | 0x38}, {7, kDir | 0x50}});
    Directory(tree, 0x38, 0, {{0x409, 0x68}});
    Directory(tree, 0x50, 0, {{0x409, 0x78}});
    Put32(tree, 0x68, kSectionRva + 0xD0); // data entry: RVA, size
    Put32(tree, 0x6C, 5);
    Put32(tree, 0x78, kSectionRva + 0xE0);
    Put32(tree, 0x7C, 6);
    Put16(tree, 0xC0, 4); // "Blob" in UTF-16
    const char name[] = "Blob";
    for (int i = 0; i < 4; ++i) {
        Put16(tree, 0xC2 + 2 * static_cast<std::size_t>(i), static_cast<unsigned char>(name[i]));
    }
    const char named[] = "named";
    const char seven[] = "seven!";
    for (int i = 0; i < 5; ++i) {
        tree[0xD0 + static_cast<std::size_t>(i)] = std::byte(named[i]);
    }
    for (int i = 0; i < 6; ++i) {
        tree[0xE0 + static_cast<std::size_t>(i)] = std::byte(seven[i]);
    }
    return tree;
}

std::string Text(std::optional<std::span<const std::byte>> bytes) {
    if (!bytes) {
        return "(none)";
    }
    return {reinterpret_cast<const char*>(bytes->data()), bytes->size()};
}

TEST(PeResources, ReadsIntegerAndTextNamesThroughTheThreeLevels) {
    std::optional<PeModule> module = PeModule::FromBytes(Module(GoodTree()));
    ASSERT_TRUE(module);
    EXPECT_EQ(Text(module->Find(kPeRawData, std::uint16_t{7})), "seven!");
    EXPECT_EQ(Text(module->Find(kPeRawData, std::string("BLOB"))), "named");
    EXPECT_EQ(Text(module->Find(kPeRawData, std::string("blob"))), "named");
    EXPECT_EQ(Text(module->Find(kPeRawData, std::uint16_t{8})), "(none)");
    EXPECT_EQ(Text(module->Find(kPeRawData, std::string("Blo"))), "(none)");
    EXPECT_EQ(Text(module->Find(kPeBitmap, std::uint16_t{7})), "(none)");
}

TEST(PeResources, DamagedHeadersAreNotModules) {
    const Bytes good = Module(GoodTree());
    auto with = [&](std::size_t at, std::uint32_t value, bool wide) {
        Bytes bytes = good;
        wide ? Put32(bytes, at, value) : Put16(bytes, at, value);
        return PeModule::FromBytes(bytes).has_value();
    };
    EXPECT_FALSE(with(0, 0x5A4E, false)) << "MZ";
    EXPECT_FALSE(with(kPeAt, 0x00004551, true)) << "PE signature";
    EXPECT_FALSE(with(0x3C, 0xFFFFFFF0U, true)) << "PE header beyond the file";
    EXPECT_FALSE(with(kOptional, 0x30B, false)) << "optional header magic";
    EXPECT_FALSE(with(kOptional + 108, 2, true)) << "no resource directory";
    EXPECT_FALSE(with(kPeAt + 6, 0xFFFF, false)) << "section table beyond the file";
    EXPECT_FALSE(with(kSectionTable + 20, 0xFFFFFF00U, true)) << "section data beyond the file";
    EXPECT_FALSE(with(kOptional + 112 + 16, 0x9000, true)) << "directory in no section";
    EXPECT_FALSE(PeModule::FromBytes({}).has_value());
    EXPECT_FALSE(PeModule::Open("/nonexistent/module.dll").has_value());
    // Every truncation of a good module: rejected, or still read right.
    for (std::size_t size = 0; size < good.size(); ++size) {
        std::optional<PeModule> cut = PeModule::FromBytes(Bytes(good.begin(), good.begin() + size));
        if (cut) {
            std::string seven = Text(cut->Find(kPeRawData, std::uint16_t{7}));
            EXPECT_TRUE(seven == "seven!" || seven == "(none)") << size;
        }
    }
}

TEST(PeResources, DamagedResourceTreesFindNothing) {
    auto find = [](const Bytes& tree, const platform::PeResourceName& name) {
        std::optional<PeModule> module = PeModule::FromBytes(Module(tree));
        return module ? Text(module->Find(kPeRawData, name)) : std::string("(no module)");
    };
    Bytes huge = GoodTree();
    Put16(huge, 0x18 + 12, 0xFFFF); // named and id counts far beyond the directory
    Put16(huge, 0x18 + 14, 0xFFFF);
    EXPECT_EQ(find(huge, std::uint16_t{99}), "(none)");

    Bytes loop = GoodTree();
    Put32(loop, 0x04 + 16, kDir | 0x00); // the type's subdirectory is the root again
    EXPECT_EQ(find(loop, std::uint16_t{kPeRawData}), "(none)");
    Bytes selfLoop = GoodTree();
    Put32(selfLoop, 0x38 + 20, kDir | 0x38); // a language that is its own directory
    EXPECT_EQ(find(selfLoop, std::string("Blob")), "(none)");

    Bytes outside = GoodTree();
    Put32(outside, 0x78, kSectionRva + 0xFC); // 6 bytes from 4 before the section's end
    EXPECT_EQ(find(outside, std::uint16_t{7}), "(none)");
    Bytes wrapping = GoodTree();
    Put32(wrapping, 0x7C, 0xFFFFFFFFU); // a size that wraps the offset around
    EXPECT_EQ(find(wrapping, std::uint16_t{7}), "(none)");
    Bytes entryOutside = GoodTree();
    Put32(entryOutside, 0x50 + 20, 0x7FFFFFF0U); // the data entry beyond the directory
    EXPECT_EQ(find(entryOutside, std::uint16_t{7}), "(none)");
    Bytes longName = GoodTree();
    Put16(longName, 0xC0, 0xFFFF); // a name longer than the directory
    EXPECT_EQ(find(longName, std::string("Blob")), "(none)");
}

TEST(PeResources, ReadsTheRegionBlocksOfAModuleMadeForWindows) {
    const std::string path = testing_support::WindowsTestModule();
    ASSERT_TRUE(testing_support::WindowsTestModuleBuilt(path));
    std::optional<PeModule> module = PeModule::Open(path);
    ASSERT_TRUE(module);
    auto longs = [](std::optional<std::span<const std::byte>> bytes) {
        std::vector<std::int32_t> values;
        for (std::size_t at = 0; bytes && at + 4 <= bytes->size(); at += 4) {
            values.push_back(static_cast<std::int32_t>(platform::le::Load32(bytes->data() + at)));
        }
        return values;
    };
    EXPECT_EQ(longs(module->Find(kPeRawData, std::uint16_t{TESTRES_ID_TWO_BANDS})),
              (std::vector<std::int32_t>{TESTRES_TWO_BANDS}));
    EXPECT_EQ(longs(module->Find(kPeRawData, std::uint16_t{TESTRES_ID_TRUNCATED})),
              (std::vector<std::int32_t>{TESTRES_TRUNCATED}));
    EXPECT_EQ(longs(module->Find(kPeRawData, std::string("single"))),
              (std::vector<std::int32_t>{TESTRES_SINGLE}));
    EXPECT_FALSE(module->Find(kPeRawData, std::uint16_t{7}));
    EXPECT_FALSE(module->Find(kPeBitmap, std::uint16_t{TESTRES_ID_TWO_BANDS}));

    // Random damage anywhere in the real module: never a read outside it.
    std::ifstream in(path, std::ios::binary);
    Bytes original;
    for (char c; in.get(c);) {
        original.push_back(std::byte(static_cast<unsigned char>(c)));
    }
    std::mt19937 random(13);
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = original;
        for (int flips = 0; flips < 4; ++flips) {
            damaged[random() % damaged.size()] = std::byte(random() & 0xFF);
        }
        if (std::optional<PeModule> read = PeModule::FromBytes(std::move(damaged))) {
            read->Find(kPeRawData, std::uint16_t{TESTRES_ID_TWO_BANDS});
            read->Find(kPeRawData, std::string("SINGLE"));
        }
    }
}

} // namespace
