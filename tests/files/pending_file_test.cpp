// Files written in pieces under a hidden name, then put in place or removed.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "files/file_io.h"
#include "files/pending_file.h"
#include "support/temp_folder.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

TEST(PendingFile, IsPutInPlaceWholeButNeverOverAnotherFile) {
    TempFolder folder;
    int error = 0;
    auto file = PendingFile::create(folder / "clip.gif", &error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->temporary().parent_path(), folder.path());
    ASSERT_TRUE(file->write(as_bytes("GIF89a"), &error));
    ASSERT_TRUE(file->write(as_bytes("..."), &error));
    EXPECT_FALSE(std::filesystem::exists(folder / "clip.gif")) << "nothing under the name until it is whole";

    write_text(folder / "taken.gif", "someone else's");
    EXPECT_FALSE(file->commit(folder / "taken.gif", &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_EQ(read_text(folder / "taken.gif"), "someone else's");

    ASSERT_TRUE(file->commit(folder / "clip.gif", &error)) << error;
    EXPECT_EQ(read_text(folder / "clip.gif"), "GIF89a...");
    file.reset();
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"clip.gif", "taken.gif"}));

    // A name the user gave is replaced, whole.
    auto named = PendingFile::create(folder / "taken.gif", &error);
    ASSERT_TRUE(named && named->write(as_bytes("GIF89a!"), &error));
    ASSERT_TRUE(named->commit_replacing(folder / "taken.gif", &error)) << error;
    EXPECT_EQ(read_text(folder / "taken.gif"), "GIF89a!");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"clip.gif", "taken.gif"}));
}

TEST(PendingFile, IsRemovedUnlessPutInPlace) {
    TempFolder folder;
    int error = 0;
    auto abandoned = PendingFile::create(folder / "a.mp4", &error);
    auto dropped = PendingFile::create(folder / "b.mp4", &error);
    ASSERT_TRUE(abandoned && dropped);
    EXPECT_EQ(folder.names().size(), 2u);
    abandoned->abandon();
    dropped.reset();
    EXPECT_TRUE(folder.names().empty());
    EXPECT_FALSE(PendingFile::create(folder / "missing" / "c.mp4", &error));
    EXPECT_EQ(error, ENOENT);
}

// A writer's temporary is left alone while it lives, in any process, and
// goes once its process has died without cleaning up (as a killed one does).
TEST(PendingFile, LeftByAKilledProcessIsATemporaryTheCleanUpKnows) {
    TempFolder folder;
    int error = 0;
    auto file = PendingFile::create(folder / "clip.mp4", &error);
    ASSERT_TRUE(file);
    EXPECT_EQ(remove_stale_temporaries(folder.path(), ".mp4", std::chrono::seconds(0)), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int ignored = 0;
        PendingFile::create(folder / "other.mp4", &ignored).release();
        ::_exit(0);  // no destructor runs: what a kill leaves
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(folder.names().size(), 2u);
    EXPECT_EQ(remove_stale_temporaries(folder.path(), ".mp4", std::chrono::seconds(0)), 1);
    ASSERT_EQ(folder.names().size(), 1u);
    EXPECT_EQ(folder / folder.names()[0], file->temporary());
}

}  // namespace
}  // namespace lumo::testing
