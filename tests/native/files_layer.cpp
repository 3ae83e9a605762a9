// The fake file layer: Windows sharing rules among open files, the run-time's error numbers,
// and the safe replace that never leaves a half-written or missing file behind.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "controls/files.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;
using platform::File;
using platform::FileAccess;
using platform::FileError;
using platform::FileShare;

class FilesLayer : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("jellop-files-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        platform::posix::ResetFiles();
    }
    void TearDown() override {
        platform::posix::ResetFiles();
        EXPECT_EQ(platform::posix::OpenFileCount(), 0);
        fs::remove_all(folder_);
    }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<std::uint8_t> Get(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder_;
};

std::int32_t ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FileError& error) {
        EXPECT_EQ(error.Message(), platform::FileErrorMessage(error.Number()));
        return error.Number();
    }
    return 0;
}

TEST_F(FilesLayer, ReadsAndWritesRawBytesAtOffsets) {
    Put("data.bin", {1, 2, 3, 4, 5, 6});
    {
        File file = File::Open(PathOf("data.bin"), FileAccess::Write, FileShare::DenyRead);
        EXPECT_EQ(file.Length(), 6u); // opening for writing keeps the content
        const std::array<std::uint8_t, 2> bytes{9, 9};
        file.WriteAt(1, bytes);
        file.Close();
    }
    EXPECT_EQ(Get("data.bin"), (std::vector<std::uint8_t>{1, 9, 9, 4, 5, 6}));

    File file = File::Open(PathOf("data.bin"), FileAccess::Read, FileShare::DenyWrite);
    std::array<std::uint8_t, 3> tail{};
    file.ReadAt(3, tail);
    EXPECT_EQ(tail, (std::array<std::uint8_t, 3>{4, 5, 6}));
    std::array<std::uint8_t, 4> beyond{};
    EXPECT_EQ(ErrorOf([&] { file.ReadAt(4, beyond); }), platform::kFileErrInputPastEnd);
}

TEST_F(FilesLayer, ReportsTheRunTimeErrorNumbers) {
    EXPECT_EQ(
        ErrorOf([&] { File::Open(PathOf("missing"), FileAccess::Read, FileShare::DenyNone); }),
        platform::kFileErrFileNotFound);
    EXPECT_EQ(ErrorOf([&] {
                  File::Open(PathOf("no-folder/file"), FileAccess::Write, FileShare::DenyNone);
              }),
              platform::kFileErrPathNotFound);
    EXPECT_EQ(ErrorOf([&] { File::Open(folder_.string(), FileAccess::Read, FileShare::DenyNone); }),
              platform::kFileErrPathFileAccess);
    EXPECT_EQ(ErrorOf([&] { platform::RemoveFile(PathOf("missing")); }),
              platform::kFileErrFileNotFound);
    EXPECT_EQ(ErrorOf([&] { File::Open("", FileAccess::Read, FileShare::DenyNone); }),
              platform::kFileErrBadFileName);
    EXPECT_EQ(platform::FileError(platform::kFileErrPermissionDenied).Message(),
              "Permission denied");
}

TEST_F(FilesLayer, SharingLocksApplyBetweenOpenFiles) {
    Put("locked", {1});
    std::string path = PathOf("locked");
    {
        File reader = File::Open(path, FileAccess::Read, FileShare::DenyWrite);
        // Others may read, but not write, delete or replace it.
        EXPECT_NO_THROW(File::Open(path, FileAccess::Read, FileShare::DenyNone));
        EXPECT_EQ(ErrorOf([&] { File::Open(path, FileAccess::Write, FileShare::DenyNone); }),
                  platform::kFileErrPermissionDenied);
        EXPECT_EQ(ErrorOf([&] { platform::RemoveFile(path); }), platform::kFileErrPermissionDenied);
        // A new opener may not deny reading to the reader that is already there.
        EXPECT_EQ(ErrorOf([&] { File::Open(path, FileAccess::Read, FileShare::DenyRead); }),
                  platform::kFileErrPermissionDenied);
        EXPECT_EQ(platform::posix::OpenFileCount(), 1);
    }
    {
        File writer = File::Open(path, FileAccess::Write, FileShare::DenyRead);
        EXPECT_EQ(ErrorOf([&] { File::Open(path, FileAccess::Read, FileShare::DenyNone); }),
                  platform::kFileErrPermissionDenied);
        File moved = std::move(writer);
        moved.Close();
        EXPECT_EQ(platform::posix::OpenFileCount(), 0);
    }
    EXPECT_NO_THROW(platform::RemoveFile(path));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(FilesLayer, ReplaceGivesExactlyTheNewContent) {
    Put("target", std::vector<std::uint8_t>(100, 7));
    const std::vector<std::uint8_t> fresh{1, 2, 3};
    platform::ReplaceFileContent(PathOf("target"), fresh, FileShare::DenyRead);
    EXPECT_EQ(Get("target"), fresh);
    platform::ReplaceFileContent(PathOf("new"), fresh, FileShare::DenyRead);
    EXPECT_EQ(Get("new"), fresh);
    EXPECT_EQ(Names().size(), 2u) << "a temporary file was left behind";
}

TEST_F(FilesLayer, AFailedReplaceLeavesTheOldFileAsItWas) {
    const std::vector<std::uint8_t> old(64, 0x5A);
    Put("target", old);
    const std::vector<std::uint8_t> fresh(48, 0x11);

    // The disk fills up in the middle of the write.
    platform::posix::SetFreeDiskSpace(20);
    EXPECT_EQ(ErrorOf([&] {
                  platform::ReplaceFileContent(PathOf("target"), fresh, FileShare::DenyRead);
              }),
              platform::kFileErrDiskFull);
    platform::posix::SetFreeDiskSpace(std::nullopt);
    EXPECT_EQ(Get("target"), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"target"});

    // Another opener holds the target.
    {
        File holder = File::Open(PathOf("target"), FileAccess::Read, FileShare::DenyWrite);
        EXPECT_EQ(ErrorOf([&] {
                      platform::ReplaceFileContent(PathOf("target"), fresh, FileShare::DenyRead);
                  }),
                  platform::kFileErrPermissionDenied);
    }
    EXPECT_EQ(Get("target"), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"target"});

    // A missing folder fails before anything is written; nothing appears.
    EXPECT_EQ(ErrorOf([&] {
                  platform::ReplaceFileContent(PathOf("nowhere/target"), fresh,
                                               FileShare::DenyRead);
              }),
              platform::kFileErrPathNotFound);
    EXPECT_EQ(Names(), std::vector<std::string>{"target"});
}

} // namespace
