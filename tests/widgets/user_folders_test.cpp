#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "picture_tree.h"
#include "support/scoped_environment.h"
#include "widgets/picture_folder.h"
#include "widgets/user_folders.h"

namespace lumo {
namespace {

using testing::ScopedEnvironment;
using testing::ScratchTree;

TEST(UserDirsFile, ReadsThePicturesEntryInEitherForm) {
    const std::filesystem::path home = "/home/ann";
    EXPECT_EQ(pictures_folder_in_user_dirs("# written by xdg-user-dirs-update\n"
                                           "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                           "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n",
                                           home),
              std::filesystem::path("/home/ann/Bilder"));
    EXPECT_EQ(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"/srv/photos\"", home),
              std::filesystem::path("/srv/photos"));
    EXPECT_EQ(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"$HOME/\"\n", home), home);
    EXPECT_EQ(pictures_folder_in_user_dirs("  XDG_PICTURES_DIR = \"$HOME/My \\\"Pics\\\"\"\r\n", home),
              std::filesystem::path("/home/ann/My \"Pics\""));
}

TEST(UserDirsFile, TheLastValidAssignmentWins) {
    EXPECT_EQ(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"/b\"\n", "/h"),
              std::filesystem::path("/b"));
    EXPECT_EQ(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"/a\"\nXDG_PICTURES_DIR=\"relative\"\n", "/h"),
              std::filesystem::path("/a"));
}

TEST(UserDirsFile, IgnoresWhatItCannotUse) {
    const std::filesystem::path home = "/home/ann";
    EXPECT_FALSE(pictures_folder_in_user_dirs("", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_MUSIC_DIR=\"$HOME/Music\"", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("# XDG_PICTURES_DIR=\"/x\"", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_PICTURES_DIRS=\"/x\"", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"Pictures\"", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"/never closed", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"$HOMEWORK/x\"", home));
    EXPECT_FALSE(pictures_folder_in_user_dirs("XDG_PICTURES_DIR=\"$HOME/Pictures\"", ""));
}

TEST(PicturesFolder, TakesTheFirstSourceThatNamesAnExistingFolder) {
    ScratchTree tree;
    const std::string from_program = (tree.folder("FromProgram")).string() + "\n";
    const std::string file = "XDG_PICTURES_DIR=\"$HOME/FromFile\"\n";
    tree.folder("FromFile");
    PicturesFolderSources sources;
    sources.xdg_user_dir_output = from_program;
    sources.user_dirs_file = file;
    sources.home = tree.root();
    EXPECT_EQ(pictures_folder_from(sources), tree / "FromProgram");

    const std::string gone = (tree / "Gone").string() + "\n";
    sources.xdg_user_dir_output = gone;
    EXPECT_EQ(pictures_folder_from(sources), tree / "FromFile");

    sources.xdg_user_dir_output = {};
    std::filesystem::remove(tree / "FromFile");
    EXPECT_EQ(pictures_folder_from(sources), tree.root()) << "a pictures folder that is not there falls back to home";

    sources.home = tree / "no home";
    EXPECT_TRUE(pictures_folder_from(sources).empty());
}

TEST(PicturesFolder, PrefersAnExistingPicturesFolderToTheHomeFolderItself) {
    ScratchTree tree;
    // xdg-user-dir prints the home folder when no pictures folder is set up.
    const std::string home_printed = tree.root().string() + "\n";
    PicturesFolderSources sources;
    sources.xdg_user_dir_output = home_printed;
    sources.home = tree.root();
    EXPECT_EQ(pictures_folder_from(sources), tree.root()) << "no ~/Pictures: home it is";
    tree.folder("Pictures");
    EXPECT_EQ(pictures_folder_from(sources), tree / "Pictures");
    const std::string file = "XDG_PICTURES_DIR=\"$HOME/\"\n";
    sources.xdg_user_dir_output = {};
    sources.user_dirs_file = file;
    EXPECT_EQ(pictures_folder_from(sources), tree / "Pictures");
    // A real pictures folder named by either source still wins.
    const std::string photos = tree.folder("Photos").string() + "\n";
    sources.xdg_user_dir_output = photos;
    EXPECT_EQ(pictures_folder_from(sources), tree / "Photos");
}

// With or without xdg-user-dir installed, the user's own file is honoured.
TEST(PicturesFolder, OfThisUserComesFromTheirUserDirsFile) {
    ScratchTree tree;
    tree.folder(".config");
    tree.folder("Bilder");
    tree.text(".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    const ScopedEnvironment home("HOME", tree.root().c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(user_pictures_folder(), tree / "Bilder");
}

TEST(PicturesFolder, OfAUserWithoutOneIsTheirHome) {
    ScratchTree tree;
    const ScopedEnvironment home("HOME", tree.root().c_str());
    const ScopedEnvironment config("XDG_CONFIG_HOME", (tree / "nowhere").c_str());
    EXPECT_EQ(user_pictures_folder(), tree.root());
}

TEST(PictureFiles, AreKnownByTheExtensionsTheDecoderReads) {
    for (const char* name : {"a.png", "b.PNG", "c.jpg", "d.JpEg", "e.gif", "f.bmp", "g.webp", "h.tif", "i.tiff",
                             "j.qoi", "k.pnm", "l.ppm", "m.pgm", "n.pbm", "two.dots.png"})
        EXPECT_TRUE(has_picture_extension(name)) << name;
    for (const char* name : {"png", "a.", "a.png.txt", "a.tga", "a.svg", "a.xpm", "a.pngx", "a.txt"})
        EXPECT_FALSE(has_picture_extension(name)) << name;
}

TEST(PictureFiles, FoldersAreNormalisedBeforeUse) {
    EXPECT_EQ(normalised_folder("/a/b/"), std::filesystem::path("/a/b"));
    EXPECT_EQ(normalised_folder("/a/./b/../c"), std::filesystem::path("/a/c"));
    EXPECT_EQ(normalised_folder("/"), std::filesystem::path("/"));
    EXPECT_TRUE(normalised_folder("relative").is_absolute());
}

}  // namespace
}  // namespace lumo
