// Shape files from a careless user or another program: numbers that are not
// numbers, a byte-order mark, and files that are no shape file at all, each
// refused in plain words that name the file once.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/temp_folder.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

// A dictionary with positions of 7499 good reals and one element `odd`.
std::string document_with(std::string_view odd) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>"
        "<key>InitSurfacePosition</key><array>";
    for (int k = 0; k < 7499; ++k) xml += "<real>0.05</real>";
    xml += odd;
    xml += "</array><key>SurfaceImage</key><data>iVBORw==</data></dict>\n</plist>\n";
    return xml;
}

std::optional<ShapeFileContents> parse(std::string_view text) {
    std::string error;
    auto contents = parse_shape_file(as_bytes(text), &error);
    EXPECT_TRUE(contents) << error;
    return contents;
}

TEST(ShapeFileNumbers, TextThatIsNotANumberMakesThePositionsMissing) {
    for (const char* odd : {"<real>abc</real>", "<real></real>", "<real/>", "<real>0,5</real>", "<real>1.5x</real>",
                            "<integer>99999999999999999999999</integer>", "<integer>18446744073709551615</integer>",
                            "<integer>12abc</integer>", "<integer/>"}) {
        const auto contents = parse(document_with(odd));
        ASSERT_TRUE(contents) << odd;
        EXPECT_FALSE(contents->positions) << odd << " was read as a number";
        EXPECT_TRUE(contents->image) << odd << ": the picture is still there";
    }
}

// A file of nothing but bad numbers (once a freeze that grew with the square
// of their count), and bad numbers of both kinds between good ones, an
// element whose name only starts like a number's, and markup inside one.
TEST(ShapeFileNumbers, EveryBadNumberIsMarkedHoweverManyThereAre) {
    std::string many;
    for (int k = 0; k < 240000; ++k) many += k % 2 ? "<real>abc</real>" : "<integer>x</integer>";
    const auto contents = parse(document_with(many));
    ASSERT_TRUE(contents);
    EXPECT_FALSE(contents->positions);
    EXPECT_TRUE(contents->image);

    std::string error;
    const auto inner = parse_shape_file(as_bytes(document_with("<real>1<string>2</string></real>")), &error);
    EXPECT_TRUE(!inner || !inner->positions) << "markup inside a number is not read as a number";
    const auto prefix = parse_shape_file(as_bytes(document_with("<realm>2</realm>")), &error);
    EXPECT_TRUE(!prefix || !prefix->positions) << "<realm> is no number";
    const auto good = parse(document_with("<real>\n-2.5e1\n</real>"));
    ASSERT_TRUE(good && good->positions);
    EXPECT_EQ(good->positions->back(), -25.0f);
}

TEST(ShapeFileNumbers, EveryWayOfWritingANumberStillReads) {
    for (const auto& [odd, value] : std::vector<std::pair<const char*, float>>{{"<real> 2.5 </real>", 2.5f},
                                                                               {"<real>+1e-3</real>", 1e-3f},
                                                                               {"<real>-7</real>", -7.0f},
                                                                               {"<integer>-12</integer>", -12.0f},
                                                                               {"<integer>+3</integer>", 3.0f}}) {
        const auto contents = parse(document_with(odd));
        ASSERT_TRUE(contents && contents->positions) << odd;
        ASSERT_EQ(contents->positions->size(), 7500u);
        EXPECT_EQ(contents->positions->back(), value) << odd;
    }
}

TEST(ShapeFileNumbers, AByteOrderMarkIsAccepted) {
    const auto contents = parse("\xEF\xBB\xBF" + document_with("<real>1</real>"));
    ASSERT_TRUE(contents && contents->positions);
    EXPECT_EQ(contents->positions->size(), 7500u);
}

TEST(ShapeFileMessages, EachKindOfNonShapeFileIsNamedPlainlyWithThePathLeftToTheCaller) {
    TempFolder folder;
    const auto png = folder / "picture.lumo";
    write_text(png, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const auto pipe = folder / "pipe.lumo";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto link = folder / "link.lumo";
    std::filesystem::create_symlink(folder / "nowhere.lumo", link);
    std::filesystem::create_directory(folder / "folder.lumo");

    const std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {png, "not a property list"},
        {pipe, "not a regular file"},
        {folder / "folder.lumo", "is a folder"},
        {link, "link to a file that does not exist"},
        {folder / "missing.lumo", "no such file"},
    };
    for (const auto& [path, words] : cases) {
        std::string error;
        EXPECT_FALSE(read_shape_file(path, &error)) << path;
        EXPECT_NE(error.find(words), std::string::npos) << path << ": " << error;
        EXPECT_EQ(error.find(path.string()), std::string::npos) << "the caller names the path: " << error;
    }
}

}  // namespace
}  // namespace lumo::testing
