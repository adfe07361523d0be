// Shape files brought into the documents folder from elsewhere, and handed
// out as stored: what is refused leaves the folder exactly as it was.

#include <gtest/gtest.h>

#include <map>

#include "files/file_io.h"
#include "picture/picture.h"
#include "support/sample_shapes.h"
#include "support/temp_folder.h"
#include "shape/shape_file.h"
#include "shape/shape_names.h"
#include "shape/shape_transfer.h"

namespace lumo::testing {
namespace {

std::vector<uint8_t> shape_bytes(const Picture& picture = Picture(4, 4)) {
    return serialize_shape_file(ramp_shape(), encode_png(picture));
}

// Every file of the folder with its bytes.
std::map<std::string, std::vector<uint8_t>> contents_of(const std::filesystem::path& folder) {
    std::map<std::string, std::vector<uint8_t>> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::string error;
        files[entry.path().filename().string()] =
            read_whole_file(entry.path(), 1 << 26, &error).value_or(std::vector<uint8_t>{});
    }
    return files;
}

class ShapeImport : public ::testing::Test {
protected:
    TempFolder home;
    std::filesystem::path documents() { return home.path() / "Documents"; }
};

TEST_F(ShapeImport, AGoodFileIsStoredUnchangedUnderItsOwnNameAndReadsBack) {
    const std::vector<uint8_t> bytes = shape_bytes();
    const ImportedShape imported = import_shape_file(documents(), "2026_12_07_20_38_27.lumo", bytes);
    ASSERT_EQ(imported.problem, "");
    EXPECT_EQ(imported.stem, "2026_12_07_20_38_27");
    EXPECT_FALSE(imported.already_there);
    std::string error;
    EXPECT_EQ(stored_shape_file(documents(), imported.stem, &error), bytes) << error;
    const auto contents = read_shape_file(shape_file_path(documents(), imported.stem), &error);
    ASSERT_TRUE(contents) << error;
    EXPECT_EQ(*contents->positions, ramp_shape());
    EXPECT_EQ(list_shape_stems(documents()), std::vector<std::string>{"2026_12_07_20_38_27"});
}

TEST_F(ShapeImport, ATakenNameGetsANumberAndTheSameBytesAreNotStoredTwice) {
    const std::vector<uint8_t> first = shape_bytes(Picture(4, 4));
    const std::vector<uint8_t> other = shape_bytes(Picture(8, 8));
    ASSERT_EQ(import_shape_file(documents(), "mine.lumo", first).stem, "mine");
    const ImportedShape again = import_shape_file(documents(), "mine.lumo", first);
    EXPECT_EQ(again.stem, "mine");
    EXPECT_TRUE(again.already_there);
    const ImportedShape second = import_shape_file(documents(), "mine.lumo", other);
    EXPECT_EQ(second.stem, "mine_2");
    EXPECT_FALSE(second.already_there);
    EXPECT_EQ(import_shape_file(documents(), "mine.lumo", shape_bytes(Picture(9, 9))).stem, "mine_3");
    EXPECT_EQ(contents_of(documents()).size(), 3u);
    std::string error;
    EXPECT_EQ(stored_shape_file(documents(), "mine", &error), first) << "the first is never replaced";
}

// A file already checked, moved in from where the browser put it: the same
// names and the same sameness, decided piece by piece (these files span
// several pieces; the second differs from the first in its last byte only),
// stored byte for byte, and gone from where it was either way.
TEST_F(ShapeImport, ACheckedFileIsMovedInUnderTheSameNames) {
    Picture noise(300, 300);
    uint32_t seed = 7;
    for (std::size_t i = 0; i < noise.byte_count(); ++i)
        noise.pixels()[i] = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::vector<uint8_t> first = shape_bytes(noise);
    ASSERT_GT(first.size(), 200000u);
    std::vector<uint8_t> last_byte_differs = first;
    last_byte_differs.back() ^= 1;
    const struct {
        const std::vector<uint8_t>& bytes;
        const char* stem;
        bool already_there;
    } rows[] = {{first, "mine", false}, {first, "mine", true}, {last_byte_differs, "mine_2", false}};
    const std::filesystem::path arriving = home.path() / "arriving" / "mine.lumo";
    std::filesystem::create_directories(arriving.parent_path());
    for (const auto& row : rows) {
        std::string error;
        ASSERT_TRUE(write_file_atomically(arriving, row.bytes, &error)) << error;
        const ImportedShape imported = import_checked_shape_file(documents(), "mine.lumo", arriving);
        EXPECT_EQ(imported.problem, "");
        EXPECT_EQ(imported.stem, row.stem);
        EXPECT_EQ(imported.already_there, row.already_there) << row.stem;
        EXPECT_FALSE(std::filesystem::exists(arriving)) << row.stem;
        EXPECT_EQ(stored_shape_file(documents(), row.stem, &error), row.bytes) << error;
    }
    EXPECT_EQ(contents_of(documents()).size(), 2u) << "no temporary left behind";
}

// Names come from another device: only the last part counts, and nothing
// hidden or unloadable is made of them.
TEST_F(ShapeImport, NamesAreTakenApartSafely) {
    const std::vector<uint8_t> bytes = shape_bytes();
    EXPECT_EQ(import_shape_file(documents(), "x.y.lumo", bytes).stem, "x.y");
    EXPECT_EQ(import_shape_file(documents(), "../../outside.lumo", shape_bytes(Picture(5, 5))).stem, "outside");
    EXPECT_EQ(import_shape_file(documents(), "plain", shape_bytes(Picture(6, 6))).stem, "plain");
    for (const char* name : {"", ".lumo", ".hidden.lumo", "..", "dir/"}) {
        const ImportedShape imported = import_shape_file(documents(), name, shape_bytes(Picture(7, 7)));
        ASSERT_EQ(imported.problem, "") << name;
        EXPECT_EQ(imported.stem.size(), 19u) << name << ": a date stamp instead of " << imported.stem;
        std::filesystem::remove(shape_file_path(documents(), imported.stem));
    }
    EXPECT_FALSE(std::filesystem::exists(home.path() / "outside.lumo"));
    std::string error;
    EXPECT_FALSE(stored_shape_file(documents(), "../x", &error));
}

TEST_F(ShapeImport, EveryBadFileIsRefusedAndTheFolderStaysAsItWas) {
    ASSERT_EQ(import_shape_file(documents(), "kept.lumo", shape_bytes()).problem, "");
    const auto before = contents_of(documents());
    int refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(LUMO_SHAPE_FILE_CORPUS)) {
        std::string error;
        const auto bytes = read_whole_file(entry.path(), 1 << 26, &error);
        ASSERT_TRUE(bytes) << error;
        // The same name as the stored file: a refused import must not touch it.
        const ImportedShape imported = import_shape_file(documents(), "kept.lumo", *bytes);
        if (imported.problem.empty()) {
            ADD_FAILURE() << entry.path().filename() << " was imported as " << imported.stem;
            continue;
        }
        EXPECT_TRUE(imported.stem.empty());
        ++refused;
    }
    EXPECT_GT(refused, 10);
    // Positions that are all there but not finite, and a picture that claims to be enormous.
    std::vector<float> shape = ramp_shape();
    shape[100] = std::numeric_limits<float>::infinity();
    EXPECT_NE(import_shape_file(documents(), "inf.lumo", serialize_shape_file(shape, {})).problem, "");
    std::vector<uint8_t> huge = encode_png(Picture(2, 2));
    huge[16] = 0x7f;  // IHDR width: far beyond 8192
    const ImportedShape too_large =
        import_shape_file(documents(), "huge.lumo", serialize_shape_file(ramp_shape(), huge));
    EXPECT_NE(too_large.problem.find("too large"), std::string::npos) << too_large.problem;
    EXPECT_EQ(contents_of(documents()), before);
}

// The desktop and the browser write the same bytes for the same picture.
TEST(PngEncoding, TheSameBytesEveryTime) {
    Picture picture(37, 23);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            uint8_t* p = picture.pixel(x, y);
            p[3] = static_cast<uint8_t>(x * 7);
            p[0] = static_cast<uint8_t>(p[3] * y / 23), p[1] = static_cast<uint8_t>(p[3] / 2), p[2] = 0;
        }
    const std::vector<uint8_t> png = encode_png(picture);
    EXPECT_EQ(encode_png(picture), png);
    std::string error;
    const auto decoded = decode_picture(png, &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(std::vector<uint8_t>(decoded->pixels(), decoded->pixels() + decoded->byte_count()),
              std::vector<uint8_t>(picture.pixels(), picture.pixels() + picture.byte_count()));
}

}  // namespace
}  // namespace lumo::testing
