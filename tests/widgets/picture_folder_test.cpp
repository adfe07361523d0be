// Which files the picture browser lists, and how it names folders.

#include <gtest/gtest.h>

#include "widgets/picture_folder.h"

namespace lumo {
namespace {

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
