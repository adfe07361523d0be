// Whole-file reading with a cap, and atomic replacement.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "files/file_io.h"
#include "support/temp_folder.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

std::string as_text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(ReadWholeFile, ReadsEverythingUpToTheCap) {
    TempFolder folder;
    write_text(folder / "a", "0123456789");
    std::string error;
    const auto bytes = read_whole_file(folder / "a", 10, &error);
    ASSERT_TRUE(bytes) << error;
    EXPECT_EQ(as_text(*bytes), "0123456789");

    EXPECT_FALSE(read_whole_file(folder / "a", 9, &error));
    EXPECT_NE(error.find("too big"), std::string::npos) << error;

    write_text(folder / "empty", "");
    const auto empty = read_whole_file(folder / "empty", 10, &error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(ReadWholeFile, RefusesAHugeFileWithoutReadingIt) {
    TempFolder folder;
    const auto path = folder / "huge";
    write_text(path, "");
    ASSERT_EQ(::truncate(path.c_str(), off_t{8} << 30), 0);  // 8 GiB, sparse
    std::string error;
    EXPECT_FALSE(read_whole_file(path, 64 << 20, &error));
    EXPECT_NE(error.find("too big"), std::string::npos) << error;
}

TEST(ReadWholeFile, RefusesWhatIsNotARegularFile) {
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(read_whole_file(folder / "missing", 100, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(read_whole_file(folder.path(), 100, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    // A pipe with no writer must neither block nor be read.
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    error.clear();
    EXPECT_FALSE(read_whole_file(folder / "pipe", 100, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST(ReadWholeFile, RefusesAnUnreadableFile) {
    if (!permissions_are_enforced()) GTEST_SKIP() << "running as root: permission bits do not stop reads";
    TempFolder folder;
    write_text(folder / "secret", "x");
    ASSERT_EQ(::chmod((folder / "secret").c_str(), 0), 0);
    std::string error;
    EXPECT_FALSE(read_whole_file(folder / "secret", 100, &error));
    EXPECT_FALSE(error.empty());
}

TEST(WriteFileAtomically, CreatesAndReplacesLeavingNoTemporaryFile) {
    TempFolder folder;
    const auto path = folder / "shape.lumo";
    std::string error;
    ASSERT_TRUE(write_file_atomically(path, as_bytes("first, and longer"), &error)) << error;
    EXPECT_EQ(read_text(path), "first, and longer");
    ASSERT_TRUE(write_file_atomically(path, as_bytes("second"), &error)) << error;
    EXPECT_EQ(read_text(path), "second");
    ASSERT_TRUE(write_file_atomically(path, {}, &error)) << error;
    EXPECT_EQ(read_text(path), "");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shape.lumo"});
}

TEST(WriteFileAtomically, NewFilesGetTheUsualPermissions) {
    TempFolder folder;
    const mode_t previous = ::umask(022);
    std::string error;
    const bool written = write_file_atomically(folder / "f", as_bytes("x"), &error);
    ::umask(previous);
    ASSERT_TRUE(written) << error;
    struct stat info {};
    ASSERT_EQ(::stat((folder / "f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(WriteFileAtomically, FailureLeavesTheTargetAndNoTemporaryFile) {
    TempFolder folder;
    std::string error;
    // A folder in the target's place cannot be replaced by a file.
    std::filesystem::create_directory(folder / "taken.lumo");
    write_text(folder / "taken.lumo" / "inside", "kept");
    EXPECT_FALSE(write_file_atomically(folder / "taken.lumo", as_bytes("new"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.names(), std::vector<std::string>{"taken.lumo"});
    EXPECT_EQ(read_text(folder / "taken.lumo" / "inside"), "kept");

    error.clear();
    EXPECT_FALSE(write_file_atomically(folder / "no such folder" / "x.lumo", as_bytes("new"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(write_file_atomically(folder / "..", as_bytes("new"), &error));
}

TEST(WriteFileAtomically, ReadOnlyFolderRefusesAndStaysEmpty) {
    if (!permissions_are_enforced()) GTEST_SKIP() << "running as root: permission bits do not stop writes";
    TempFolder folder;
    const auto documents = folder / "Documents";
    std::filesystem::create_directory(documents);
    write_text(documents / "old.lumo", "old");
    ASSERT_EQ(::chmod(documents.c_str(), 0555), 0);
    std::string error;
    EXPECT_FALSE(write_file_atomically(documents / "new.lumo", as_bytes("new"), &error));
    EXPECT_FALSE(write_file_atomically(documents / "old.lumo", as_bytes("new"), &error));
    EXPECT_FALSE(error.empty());
    ::chmod(documents.c_str(), 0755);
    EXPECT_EQ(read_text(documents / "old.lumo"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(documents), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace lumo::testing
