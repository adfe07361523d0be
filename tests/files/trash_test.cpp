// Moving files to the freedesktop.org trash: where they go, their records,
// names that collide, other file systems, and moves that fail.

#include "files/trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

namespace fs = std::filesystem;

// The lines of a .trashinfo record after its header, or "" when the header is wrong.
std::string record_path(const fs::path& info) {
    const std::string text = read_text(info);
    const std::regex form("\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    return std::regex_match(text, match, form) ? match[1].str() : "";
}

TEST(Trash, MovesTheFileInWithItsRecordUnderAFreeName) {
    struct Row {
        const char* what;
        const char* name;
        const char* already_in_info;  // a record already there (another file trashed before)
        const char* already_in_files;  // a file already there without a record
        const char* trashed_as;
        const char* recorded;  // Path=, relative to the folder the file was in
    };
    const Row rows[] = {
        {"a plain name", "shape.lumo", nullptr, nullptr, "shape.lumo", "shape.lumo"},
        {"a name whose record exists", "shape.lumo", "shape.lumo.trashinfo", nullptr, "shape.2.lumo", "shape.lumo"},
        {"a name held by a file without a record", "shape.lumo", nullptr, "shape.lumo", "shape.2.lumo", "shape.lumo"},
        {"two names taken", "a.lumo", "a.lumo.trashinfo", "a.2.lumo", "a.3.lumo", "a.lumo"},
        {"a hidden file", ".notes", ".notes.trashinfo", nullptr, ".notes.2", ".notes"},
        {"characters a URI escapes", "my 100% ünïcode & co.lumo", nullptr, nullptr, "my 100% ünïcode & co.lumo",
         "my%20100%25%20%C3%BCn%C3%AFcode%20%26%20co.lumo"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        const ScopedEnvironment data("XDG_DATA_HOME", (folder / "data").c_str());
        const fs::path trash = folder / "data" / "Trash";
        fs::create_directories(folder / "pictures");
        write_text(folder / "pictures" / row.name, "the shape");
        if (row.already_in_info) {
            fs::create_directories(trash / "info");
            write_text(trash / "info" / row.already_in_info, "[Trash Info]\n");
        }
        if (row.already_in_files) {
            fs::create_directories(trash / "files");
            write_text(trash / "files" / row.already_in_files, "someone else's");
        }
        // Reached through a link: the record names the real folder.
        fs::create_directory_symlink(folder / "pictures", folder / "link");

        const TrashResult result = move_to_trash(folder / "link" / row.name);
        ASSERT_EQ(result.kind, TrashResult::Kind::trashed) << result.message;
        EXPECT_EQ(result.trashed_as, trash / "files" / row.trashed_as);
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "pictures" / row.name)));
        EXPECT_EQ(read_text(trash / "files" / row.trashed_as), "the shape");
        const fs::path real_folder = fs::canonical(folder / "pictures");
        EXPECT_EQ(record_path(trash / "info" / (std::string(row.trashed_as) + ".trashinfo")),
                  real_folder.string() + "/" + row.recorded);
        if (row.already_in_files) {
            EXPECT_EQ(read_text(trash / "files" / row.already_in_files), "someone else's");
        }
        struct stat info {};
        ASSERT_EQ(::stat(trash.c_str(), &info), 0);
        if (!row.already_in_info && !row.already_in_files) {
            EXPECT_EQ(info.st_mode & 0777, 0700u) << "a new trash is private";
        }
    }
}

TEST(Trash, ALinkIsMovedEvenWhenItLeadsNowhere) {
    TempFolder folder;
    fs::create_symlink(folder / "gone.lumo", folder / "link.lumo");
    const TrashResult result = move_to_trash(folder / "link.lumo", folder / "Trash");
    ASSERT_EQ(result.kind, TrashResult::Kind::trashed) << result.message;
    EXPECT_TRUE(fs::is_symlink(folder / "Trash" / "files" / "link.lumo"));
}

TEST(Trash, AMoveThatFailsLeavesTheFileWhereItWasAndNoRecord) {
    struct Row {
        const char* what;
        // Prepares folder/data (the trash's parent) and returns what to trash.
        fs::path (*prepare)(const fs::path& folder);
    };
    const Row rows[] = {
        {"the trash's info folder is a file",
         [](const fs::path& folder) {
             fs::create_directories(folder / "data" / "Trash");
             write_text(folder / "data" / "Trash" / "info", "in the way");
             write_text(folder / "shape.lumo", "the shape");
             return folder / "shape.lumo";
         }},
        {"the trash is inside what is trashed (the rename fails after the record is written)",
         [](const fs::path& folder) {
             fs::create_directories(folder / "data");
             write_text(folder / "data" / "shape.lumo", "the shape");
             return folder / "data";
         }},
        {"nothing of that name", [](const fs::path& folder) { return folder / "missing.lumo"; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        const fs::path file = row.prepare(folder.path());
        const bool existed = fs::exists(file);
        const TrashResult result = move_to_trash(file, folder / "data" / "Trash");
        EXPECT_EQ(result.kind, TrashResult::Kind::failed);
        EXPECT_NE(result.message.find(file.filename().string()), std::string::npos) << result.message;
        EXPECT_EQ(fs::exists(file), existed);
        if (existed) {
            EXPECT_EQ(read_text(fs::is_directory(file) ? file / "shape.lumo" : file), "the shape");
        }
        std::error_code ignored;
        EXPECT_TRUE(fs::is_empty(folder / "data" / "Trash" / "files", ignored) ||
                    !fs::exists(folder / "data" / "Trash" / "files"));
        if (fs::is_directory(folder / "data" / "Trash" / "info")) {
            EXPECT_TRUE(fs::is_empty(folder / "data" / "Trash" / "info")) << "the record is removed again";
        }
    }
}

// /dev/shm is a file system of its own (tmpfs) on Linux: the home trash
// cannot take its files; the trash at its top can, where it can be made.
TEST(Trash, AFileOnAnotherFileSystemGoesToThatFileSystemsTrashOrNowhere) {
    struct stat shm {
    }, tmp{};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "/dev/shm is not a writable file system apart from " << fs::temp_directory_path();
    TempFolder home;
    const fs::path own_trash = fs::path("/dev/shm") / (".Trash-" + std::to_string(::getuid()));
    const bool had_own_trash = fs::exists(fs::symlink_status(own_trash));
    const bool has_shared_trash = fs::is_directory(fs::symlink_status("/dev/shm/.Trash"));

    {
        TempFolder elsewhere("/dev/shm");
        write_text(elsewhere / "shape.lumo", "the shape");
        const TrashResult result = move_to_trash(elsewhere / "shape.lumo", home / "Trash");
        if (result.kind == TrashResult::Kind::trashed) {
            EXPECT_NE(result.trashed_as.string().find("/dev/shm/.Trash"), std::string::npos) << result.trashed_as;
            EXPECT_EQ(read_text(result.trashed_as), "the shape");
            const fs::path info = result.trashed_as.parent_path().parent_path() / "info" /
                                  (result.trashed_as.filename().string() + ".trashinfo");
            // Relative to the top of that file system, so it still holds when mounted elsewhere.
            EXPECT_EQ(record_path(info), elsewhere.path().filename().string() + "/shape.lumo");
            fs::remove(result.trashed_as);
            fs::remove(info);
        } else {
            EXPECT_EQ(result.kind, TrashResult::Kind::no_trash) << result.message;
            EXPECT_EQ(read_text(elsewhere / "shape.lumo"), "the shape");
        }
        EXPECT_FALSE(fs::exists(home / "Trash" / "files" / "shape.lumo"));
    }
    if (!had_own_trash) fs::remove_all(own_trash);

    // A trash folder that is not one (here a file in its place) is not used.
    if (had_own_trash || has_shared_trash) return;
    write_text(own_trash, "not a folder");
    {
        TempFolder elsewhere("/dev/shm");
        write_text(elsewhere / "shape.lumo", "the shape");
        const TrashResult result = move_to_trash(elsewhere / "shape.lumo", home / "Trash");
        EXPECT_EQ(result.kind, TrashResult::Kind::no_trash);
        EXPECT_NE(result.message.find("shape.lumo"), std::string::npos) << result.message;
        EXPECT_EQ(read_text(elsewhere / "shape.lumo"), "the shape");
    }
    fs::remove(own_trash);
}

}  // namespace
}  // namespace lumo::testing
