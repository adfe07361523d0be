// The user's pictures and videos folders, from xdg-user-dir, user-dirs.dirs
// and the usual names below home.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "files/user_folders.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace lumo::testing {
namespace {

using Path = std::filesystem::path;

TEST(UserDirsFile, ReadsEachKindsEntryInEitherForm) {
    const Path home = "/home/ann";
    struct Row {
        UserFolder kind;
        const char* text;
        std::optional<Path> expected;
    };
    const Row rows[] = {
        {UserFolder::pictures,
         "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n",
         Path("/home/ann/Bilder")},
        {UserFolder::videos, "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n",
         Path("/home/ann/Filme")},
        {UserFolder::videos, "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", std::nullopt},
        {UserFolder::pictures, "XDG_PICTURES_DIR=\"/srv/photos\"", Path("/srv/photos")},
        {UserFolder::pictures, "XDG_PICTURES_DIR=\"$HOME/\"\n", home},
        {UserFolder::pictures, "  XDG_PICTURES_DIR = \"$HOME/My \\\"Pics\\\"\"\r\n", Path("/home/ann/My \"Pics\"")},
        // The last valid assignment wins.
        {UserFolder::videos, "XDG_VIDEOS_DIR=\"/a\"\nXDG_VIDEOS_DIR=\"/b\"\n", Path("/b")},
        {UserFolder::pictures, "XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"relative\"\n", Path("/a")},
        // What it cannot use.
        {UserFolder::pictures, "", std::nullopt},
        {UserFolder::pictures, "XDG_MUSIC_DIR=\"$HOME/Music\"", std::nullopt},
        {UserFolder::pictures, "# XDG_PICTURES_DIR=\"/x\"", std::nullopt},
        {UserFolder::pictures, "XDG_PICTURES_DIRS=\"/x\"", std::nullopt},
        {UserFolder::videos, "XDG_VIDEOS_DIR=\"Videos\"", std::nullopt},
        {UserFolder::pictures, "XDG_PICTURES_DIR=\"/never closed", std::nullopt},
        {UserFolder::videos, "XDG_VIDEOS_DIR=\"$HOMEWORK/x\"", std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(folder_in_user_dirs(row.kind, row.text, home), row.expected) << row.text;
    EXPECT_FALSE(folder_in_user_dirs(UserFolder::pictures, "XDG_PICTURES_DIR=\"$HOME/Pictures\"", ""))
        << "$HOME with no home known";
}

TEST(PicturesFolder, TakesTheFirstSourceThatNamesAnExistingFolder) {
    TempFolder tree;
    std::filesystem::create_directories(tree / "FromProgram");
    std::filesystem::create_directories(tree / "FromFile");
    const std::string from_program = (tree / "FromProgram").string() + "\n";
    const std::string file = "XDG_PICTURES_DIR=\"$HOME/FromFile\"\n";
    UserFolderSources sources{from_program, file, tree.path()};
    EXPECT_EQ(pictures_folder_from(sources), tree / "FromProgram");

    const std::string gone = (tree / "Gone").string() + "\n";
    sources.xdg_user_dir_output = gone;
    EXPECT_EQ(pictures_folder_from(sources), tree / "FromFile");

    sources.xdg_user_dir_output = {};
    std::filesystem::remove(tree / "FromFile");
    EXPECT_EQ(pictures_folder_from(sources), tree.path()) << "a pictures folder that is not there falls back to home";

    sources.home = tree / "no home";
    EXPECT_TRUE(pictures_folder_from(sources).empty());
}

TEST(PicturesFolder, PrefersAnExistingPicturesFolderToTheHomeFolderItself) {
    TempFolder tree;
    // xdg-user-dir prints the home folder when no pictures folder is set up.
    const std::string home_printed = tree.path().string() + "\n";
    UserFolderSources sources{home_printed, {}, tree.path()};
    EXPECT_EQ(pictures_folder_from(sources), tree.path()) << "no ~/Pictures: home it is";
    std::filesystem::create_directories(tree / "Pictures");
    EXPECT_EQ(pictures_folder_from(sources), tree / "Pictures");
    const std::string file = "XDG_PICTURES_DIR=\"$HOME/\"\n";
    sources.xdg_user_dir_output = {};
    sources.user_dirs_file = file;
    EXPECT_EQ(pictures_folder_from(sources), tree / "Pictures");
    // A real pictures folder named by either source still wins.
    std::filesystem::create_directories(tree / "Photos");
    const std::string photos = (tree / "Photos").string() + "\n";
    sources.xdg_user_dir_output = photos;
    EXPECT_EQ(pictures_folder_from(sources), tree / "Photos");
}

// Videos, else pictures, else home: each row adds one folder to the tree.
TEST(VideosFolder, FallsBackToThePicturesFolderThenHome) {
    TempFolder tree;
    const std::string home_printed = tree.path().string() + "\n";
    const std::string file = "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n";
    const UserFolderSources videos{home_printed, file, tree.path()};
    const UserFolderSources pictures{home_printed, file, tree.path()};
    struct Row {
        const char* folder_added;  // below home; null adds nothing
        const char* expected;  // below home; "" is home itself
    };
    const Row rows[] = {
        {nullptr, ""},        {"Pictures", "Pictures"},  // XDG_PICTURES_DIR names a missing folder: ~/Pictures
        {"Bilder", "Bilder"}, {"Videos", "Videos"},  // XDG_VIDEOS_DIR names a missing folder: ~/Videos
        {"Filme", "Filme"},
    };
    for (const Row& row : rows) {
        if (row.folder_added) std::filesystem::create_directories(tree / row.folder_added);
        const Path expected = *row.expected ? tree / row.expected : tree.path();
        EXPECT_EQ(videos_folder_from(videos, pictures), expected) << "after adding " << row.folder_added;
    }
    const UserFolderSources homeless{{}, {}, tree / "no home"};
    EXPECT_TRUE(videos_folder_from(homeless, homeless).empty());
}

// With or without xdg-user-dir installed, the user's own file is honoured.
TEST(UserFolders, OfThisUserComeFromTheirUserDirsFile) {
    TempFolder tree;
    std::filesystem::create_directories(tree / ".config");
    std::filesystem::create_directories(tree / "Bilder");
    write_text(tree / ".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\nXDG_VIDEOS_DIR=\"$HOME/Filme\"\n");
    const ScopedEnvironment home("HOME", tree.path().c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(user_pictures_folder(), tree / "Bilder");
    EXPECT_EQ(user_videos_folder(), tree / "Bilder") << "no videos folder yet";
    std::filesystem::create_directories(tree / "Filme");
    EXPECT_EQ(user_videos_folder(), tree / "Filme");
}

TEST(UserFolders, OfAUserWithoutAnyAreTheirHome) {
    TempFolder tree;
    const ScopedEnvironment home("HOME", tree.path().c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", (tree / "nowhere").c_str());
    EXPECT_EQ(user_pictures_folder(), tree.path());
    EXPECT_EQ(user_videos_folder(), tree.path());
}

}  // namespace
}  // namespace lumo::testing
