// Whole-file reading with a cap, and atomic replacement.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

// What the program opens for a user is judged by kind before it is opened:
// a pipe with no writer or a device would keep a reader waiting for ever.
TEST(ReadWholeFile, KindsOfFileThatAreNoRegularFileAreRefusedWithoutWaiting) {
    TempFolder folder;
    write_text(folder / "plain", "<plist>");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder");
    std::filesystem::create_symlink(folder / "gone", folder / "dangling");
    const struct {
        std::filesystem::path path;
        const char* problem;
    } rows[] = {
        {folder / "plain", ""},
        {folder / "pipe", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {folder / "folder", "it is a folder"},
        {folder / "dangling", "link to a file that does not exist"},
        {folder / "missing", "no such file"},
    };
    for (const auto& row : rows) {
        const std::string problem = regular_file_problem(row.path);
        EXPECT_EQ(problem.empty(), *row.problem == '\0') << row.path << ": " << problem;
        EXPECT_NE(problem.find(row.problem), std::string::npos) << row.path << ": " << problem;
        std::string error;
        const auto head = read_file_head(row.path, 4, &error);
        EXPECT_EQ(head.has_value(), *row.problem == '\0') << row.path << ": " << error;
        if (head) EXPECT_EQ(as_text(*head), "<pli");
    }
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

// Runs work in a child process whose files may grow to `limit` bytes, with
// SIGXFSZ ignored as lumo's main ignores it; the child's exit status.
int with_file_size_limit(rlim_t limit, bool (*work)(const std::filesystem::path&),
                         const std::filesystem::path& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{};
        ::getrlimit(RLIMIT_FSIZE, &rl);
        rl.rlim_cur = limit;
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) ::_exit(3);
        ::_exit(work(folder) ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

const std::string kLarge(64 * 1024, 'n');

// A failed write (here: past a file-size limit, which root is held to too)
// leaves the file that was there as it was, and no temporary beside it.
TEST(WriteFileAtomically, AWriteCutShortLeavesTheOldFileWholeAndNothingElse) {
    const struct {
        const char* name;
        bool (*work)(const std::filesystem::path&);
    } rows[] = {
        {"replacing",
         [](const std::filesystem::path& folder) {
             std::string error;
             return !write_file_atomically(folder / "shape.lumo", as_bytes(kLarge), &error) &&
                    error == "could not save shape.lumo: the file is too large for this system's limit";
         }},
        {"new",
         [](const std::filesystem::path& folder) {
             std::string error;
             const auto name_for = [](int n) {
                 return n == 1 ? std::string("shape.lumo") : "shape-" + std::to_string(n) + ".lumo";
             };
             return !write_new_file(folder, name_for, 9, as_bytes(kLarge), &error) &&
                    error.find("too large for this system's limit") != std::string::npos;
         }},
    };
    for (const auto& row : rows) {
        TempFolder folder;
        write_text(folder / "shape.lumo", std::string(2000, 'o'));
        EXPECT_EQ(with_file_size_limit(16 * 1024, row.work, folder.path()), 0) << row.name;
        EXPECT_EQ(read_text(folder / "shape.lumo"), std::string(2000, 'o')) << row.name;
        EXPECT_EQ(folder.names(), std::vector<std::string>{"shape.lumo"}) << row.name;
    }
}

// The three calls that make a save durable, watched: the file's content is
// flushed while it is still unnamed, then named, then the folder flushed.
class WatchedCalls : public DurableFileCalls {
public:
    WatchedCalls(std::filesystem::path target, std::string content)
        : target_(std::move(target)), content_(std::move(content)) {}
    int sync_file(int fd) override {
        std::string seen(content_.size() + 1, '\0');
        seen.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::pread(fd, seen.data(), seen.size(), 0))));
        calls.push_back(seen == content_ && !holds_content() ? "sync file" : "sync of another file");
        return DurableFileCalls::sync_file(fd);
    }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to, bool replace) override {
        const int result = DurableFileCalls::rename(from, to, replace);
        calls.push_back(result == 0 ? "rename" : "name taken");
        return result;
    }
    int sync_folder(int fd) override {
        calls.push_back(holds_content() ? "sync folder" : "sync folder before the name");
        return DurableFileCalls::sync_folder(fd);
    }
    std::vector<std::string> calls;

private:
    bool holds_content() const { return read_text(target_) == content_; }
    std::filesystem::path target_;
    std::string content_;
};

TEST(WriteFileAtomically, FlushesTheFileThenNamesItThenFlushesTheFolder) {
    TempFolder folder;
    write_text(folder / "shape.lumo", "old");
    WatchedCalls replacing(folder / "shape.lumo", "new");
    std::string error;
    ASSERT_TRUE(write_file_atomically(folder / "shape.lumo", as_bytes("new"), &error, &replacing)) << error;
    EXPECT_EQ(replacing.calls, (std::vector<std::string>{"sync file", "rename", "sync folder"}));

    write_text(folder / "a.lumo", "taken");
    WatchedCalls adding(folder / "a-2.lumo", "added");
    const auto name_for = [](int n) { return n == 1 ? std::string("a.lumo") : "a-" + std::to_string(n) + ".lumo"; };
    const auto placed = write_new_file(folder.path(), name_for, 9, as_bytes("added"), &error, &adding);
    ASSERT_TRUE(placed) << error;
    EXPECT_EQ(*placed, folder / "a-2.lumo");
    EXPECT_EQ(adding.calls, (std::vector<std::string>{"sync file", "name taken", "rename", "sync folder"}));
}

// Two processes saving under the same names at once: every save keeps its
// own file, none replaces another's.
TEST(WriteNewFile, TakesTheFirstFreeNameEvenWhenAnotherProcessRacesForIt) {
    TempFolder folder;
    write_text(folder / "s.lumo", "there before");
    constexpr int kEach = 20;
    const auto save_all = [&](char who) {
        const auto name_for = [](int n) { return n == 1 ? std::string("s.lumo") : "s-" + std::to_string(n) + ".lumo"; };
        for (int k = 0; k < kEach; ++k) {
            std::string error;
            if (!write_new_file(folder.path(), name_for, 100, as_bytes(std::string(1, who) + std::to_string(k)),
                                &error))
                return false;
        }
        return true;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(save_all('c') ? 0 : 1);
    EXPECT_TRUE(save_all('p'));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(read_text(folder / "s.lumo"), "there before");
    std::vector<std::string> contents;
    for (const std::string& name : folder.names())
        if (name != "s.lumo") contents.push_back(read_text(folder / name));
    std::sort(contents.begin(), contents.end());
    std::vector<std::string> expected;
    for (const char who : {'c', 'p'})
        for (int k = 0; k < kEach; ++k) expected.push_back(std::string(1, who) + std::to_string(k));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(contents, expected);
    EXPECT_EQ(folder.names().size(), 2u * kEach + 1) << "a temporary was left";
}

}  // namespace
}  // namespace lumo::testing
