// Shape files: the round trip of the rest shape to the bit, the bad files a
// user or another program could leave in the documents folder, stems, and
// the saved-file listing.

#include "shape/shape_file.h"
#include "shape/shape_names.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>
#include <regex>

#include "support/binary_plist.h"
#include "files/property_list.h"
#include "support/temp_folder.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

constexpr int kPositionCount = 7500;

std::optional<ShapeFileContents> parse_text(std::string_view text) {
    std::string error;
    auto contents = parse_shape_file(as_bytes(text), &error);
    EXPECT_EQ(contents.has_value(), error.empty()) << "a refusal says why, and only a refusal";
    return contents;
}

std::string xml_document(std::string_view root) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + std::string(root) + "\n</plist>\n";
}

std::string xml_with_positions(std::string_view elements) {
    return xml_document("<dict><key>InitSurfacePosition</key><array>" + std::string(elements) + "</array></dict>");
}

// 7500 floats that exercise the text form: every exponent, the extremes,
// values that need all 9 significant digits, both zeros.
std::vector<float> awkward_positions() {
    std::vector<float> values = {0.1f,
                                 1e-30f,
                                 3e38f,
                                 -0.0f,
                                 0.0f,
                                 std::numeric_limits<float>::max(),
                                 -std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::denorm_min(),
                                 std::nextafter(1.0f, 2.0f),
                                 0.11f,
                                 0.01f,
                                 -0.2f,
                                 0.192f,
                                 16777217.0f};
    std::mt19937 random(7);
    while (values.size() < kPositionCount) {
        const float value = std::bit_cast<float>(static_cast<uint32_t>(random()));
        if (std::isfinite(value)) values.push_back(value);
    }
    return values;
}

void expect_same_bits(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    int mismatches = 0;
    for (std::size_t i = 0; i < expected.size() && mismatches < 10; ++i) {
        if (std::bit_cast<uint32_t>(actual[i]) != std::bit_cast<uint32_t>(expected[i])) {
            ADD_FAILURE() << "position " << i << ": wrote " << expected[i] << ", read " << actual[i];
            ++mismatches;
        }
    }
}

const std::vector<uint8_t> kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

// --- Round trip ----------------------------------------------------------------

TEST(ShapeFileRoundTrip, EveryFloatReadsBackBitForBit) {
    TempFolder folder;
    const std::vector<float> positions = awkward_positions();
    const auto path = shape_file_path(folder.path(), "2024_06_01_12_00_00");
    std::string error;
    ASSERT_TRUE(write_shape_file(path, positions, kPng, &error)) << error;

    const auto contents = read_shape_file(path, &error);
    ASSERT_TRUE(contents) << error;
    ASSERT_TRUE(contents->positions);
    expect_same_bits(*contents->positions, positions);
    EXPECT_EQ(contents->image, kPng);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"2024_06_01_12_00_00.lumo"});
}

TEST(ShapeFileRoundTrip, WritesAnXmlPropertyListWithBothKeys) {
    const std::vector<float> positions = {0.5f, -0.25f, 0.125f};
    const std::vector<uint8_t> bytes = serialize_shape_file(positions, kPng);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("<?xml", 0), 0u);
    EXPECT_NE(text.find("<key>InitSurfacePosition</key>"), std::string::npos);
    EXPECT_NE(text.find("<key>SurfaceImage</key>"), std::string::npos);
    EXPECT_NE(text.find("<real>-0.25</real>"), std::string::npos);
    EXPECT_NE(text.find("<data>"), std::string::npos);

    const auto empty = parse_shape_file(serialize_shape_file({}, {}), nullptr);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->positions, std::vector<float>{});
    EXPECT_EQ(empty->image, std::vector<uint8_t>{});
}

TEST(ShapeFileRoundTrip, BinaryPropertyListReadsTheSame) {
    const std::vector<float> positions = awkward_positions();
    const PlistPtr root(plist_new_dict());
    const plist_t array = plist_new_array();
    for (const float value : positions) plist_array_append_item(array, plist_new_real(value));
    plist_dict_set_item(root.get(), kShapePositionsKey, array);
    plist_dict_set_item(root.get(), kShapeImageKey,
                        plist_new_data(reinterpret_cast<const char*>(kPng.data()), kPng.size()));
    const std::vector<uint8_t> binary = to_binary_property_list(root.get());
    ASSERT_EQ(std::string(binary.begin(), binary.begin() + 8), "bplist00");

    std::string error;
    const auto contents = parse_shape_file(binary, &error);
    ASSERT_TRUE(contents) << error;
    ASSERT_TRUE(contents->positions);
    expect_same_bits(*contents->positions, positions);
    EXPECT_EQ(contents->image, kPng);
}

TEST(ShapeFileRoundTrip, SecondWriteToTheSameStemReplacesTheFirst) {
    TempFolder folder;
    const auto path = shape_file_path(folder.path(), "2024_06_01_12_00_00");
    std::string error;
    ASSERT_TRUE(write_shape_file(path, std::vector<float>(kPositionCount, 1.0f), kPng, &error)) << error;
    ASSERT_TRUE(write_shape_file(path, std::vector<float>(kPositionCount, 2.0f), {}, &error)) << error;
    const auto contents = read_shape_file(path, &error);
    ASSERT_TRUE(contents && contents->positions);
    EXPECT_EQ(*contents->positions, std::vector<float>(kPositionCount, 2.0f));
    EXPECT_EQ(contents->image, std::vector<uint8_t>{});
    EXPECT_EQ(folder.names().size(), 1u) << "no temporary file left";
}

TEST(ShapeFileRoundTrip, FailedWriteLeavesNothingBehind) {
    TempFolder folder;
    std::filesystem::create_directory(shape_file_path(folder.path(), "taken"));
    std::string error;
    EXPECT_FALSE(write_shape_file(shape_file_path(folder.path(), "taken"), {}, {}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.names(), std::vector<std::string>{"taken.lumo"});
}

// --- Values ----------------------------------------------------------------------

TEST(ShapeFileValues, IntegersCountAsNumbers) {
    const auto contents = parse_text(xml_with_positions("<integer>3</integer><integer>-2</integer><real>0.5</real>"));
    ASSERT_TRUE(contents && contents->positions);
    EXPECT_EQ(*contents->positions, (std::vector<float>{3.0f, -2.0f, 0.5f}));
}

TEST(ShapeFileValues, AnyOtherElementMakesTheArrayMissing) {
    for (const char* element : {"<string>1</string>", "<true/>", "<false/>", "<data>AA==</data>", "<dict/>", "<array/>",
                                "<date>2020-01-01T00:00:00Z</date>"}) {
        const auto contents = parse_text(xml_with_positions(std::string("<real>1</real>") + element));
        ASSERT_TRUE(contents) << element;
        EXPECT_FALSE(contents->positions) << element;
    }
}

TEST(ShapeFileValues, OutOfRangeBecomesInfinityAtTheFloatRoundingBoundary) {
    // FLT_MAX + 2^103 is half a unit past the largest float: the tie rounds to
    // infinity; the double just below it still rounds to FLT_MAX.
    const auto contents = parse_text(
        xml_with_positions("<real>1e300</real><real>-1e300</real><real>340282356779733623858607532500980858880</real>"
                           "<real>340282356779733661637539395458142568448</real><real>1e-50</real>"));
    ASSERT_TRUE(contents && contents->positions);
    const std::vector<float>& p = *contents->positions;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0], std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[1], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[2], std::numeric_limits<float>::max());
    EXPECT_EQ(p[3], std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[4], 0.0f);
}

TEST(ShapeFileValues, CountsOtherThan7500AreReturnedAsTheyAre) {
    for (const int count : {0, 1, 7499, 7501}) {
        const auto contents = parse_shape_file(serialize_shape_file(std::vector<float>(count, 0.5f), kPng), nullptr);
        ASSERT_TRUE(contents && contents->positions) << count;
        EXPECT_EQ(contents->positions->size(), static_cast<std::size_t>(count));
        EXPECT_EQ(contents->image, kPng);
    }
}

// --- Bad files ---------------------------------------------------------------------

struct Expected {
    const char* file;
    bool readable;  // parse gives contents at all
    int positions = -1;  // -1: positions missing
    int image_bytes = -1;  // -1: image missing
};

TEST(ShapeFileCorpus, EachBadFileGivesItsDocumentedResult) {
    const Expected corpus[] = {
        {"empty.lumo", false},
        {"truncated.lumo", false},
        {"root_is_array.lumo", false},
        {"strings_for_reals.lumo", true, -1, 8},
        {"bool_among_reals.lumo", true, -1, 8},
        {"non_finite.lumo", true, 6, 8},
        {"missing_keys.lumo", true, -1, -1},
        {"wrong_types.lumo", true, -1, -1},
        {"random_bytes.lumo", false},
        {"image_not_png.lumo", true, 3, 13},
        {"nested_too_deep.lumo", false},
        {"mismatched_tags.lumo", false},
        {"comment_hides_markup.lumo", false},
        {"bplist_ref_out_of_range.lumo", false},
        {"bplist_offset_out_of_range.lumo", false},
        {"bplist_cycle.lumo", false},
        {"bplist_shared_blowup.lumo", false},
        {"bplist_truncated.lumo", false},
    };
    const std::filesystem::path folder = LUMO_SHAPE_FILE_CORPUS;
    std::size_t files_in_folder = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files_in_folder += entry.is_regular_file();
    EXPECT_EQ(files_in_folder, std::size(corpus)) << "every corpus file has an expectation";

    for (const Expected& expected : corpus) {
        std::string error;
        const auto contents = read_shape_file(folder / expected.file, &error);
        ASSERT_EQ(contents.has_value(), expected.readable) << expected.file << ": " << error;
        if (!contents) {
            // The caller names the file, once ("cannot load FILE: why").
            EXPECT_FALSE(error.empty()) << expected.file;
            EXPECT_EQ(error.find(expected.file), std::string::npos) << "the path is left to the caller: " << error;
            continue;
        }
        EXPECT_EQ(contents->positions ? static_cast<int>(contents->positions->size()) : -1, expected.positions)
            << expected.file;
        EXPECT_EQ(contents->image ? static_cast<int>(contents->image->size()) : -1, expected.image_bytes)
            << expected.file;
    }
}

TEST(ShapeFileCorpus, NonFiniteValuesAreReturnedForTheCallerToRefuse) {
    std::string error;
    const auto contents = read_shape_file(std::filesystem::path(LUMO_SHAPE_FILE_CORPUS) / "non_finite.lumo", &error);
    ASSERT_TRUE(contents && contents->positions) << error;
    const std::vector<float>& p = *contents->positions;
    EXPECT_TRUE(std::isnan(p[0]));
    EXPECT_EQ(p[1], std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[2], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[3], std::numeric_limits<float>::infinity());  // 1e300
    EXPECT_EQ(p[4], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(p[5], std::numeric_limits<float>::infinity());  // "+infinity", as libplist writes it
}

TEST(ShapeFileCorpus, DeepNestingIsRefusedBeforeTheLibrarySeesIt) {
    // libplist 2.2.0 recurses once per level when parsing and when freeing:
    // a million levels overflow its stack.
    std::string xml = "<?xml version=\"1.0\"?><plist><dict><key>InitSurfacePosition</key>";
    for (int i = 0; i < 1'000'000; ++i) xml += "<array>";
    for (int i = 0; i < 1'000'000; ++i) xml += "</array>";
    xml += "</dict></plist>";
    EXPECT_FALSE(parse_text(xml));

    std::string dicts = "<plist>";
    for (int i = 0; i < 200'000; ++i) dicts += "<dict><key>k</key>";
    EXPECT_FALSE(parse_text(dicts));

    BinaryPlist binary;  // 200,000 arrays, each holding the next
    binary.ref_size = 4;
    for (uint64_t i = 0; i + 1 < 200'000; ++i) binary.objects.push_back(array_object({i + 1}, 4));
    binary.objects.push_back(array_object({}, 4));
    EXPECT_FALSE(parse_shape_file(binary.bytes(), nullptr));
}

TEST(ShapeFileCorpus, OversizedFileIsRefusedBeforeReading) {
    TempFolder folder;
    const auto path = folder / "big.lumo";
    write_text(path, xml_with_positions("<real>1</real>"));
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kMaxShapeFileBytes + 1)), 0);
    std::string error;
    EXPECT_FALSE(read_shape_file(path, &error));
    EXPECT_NE(error.find("too big"), std::string::npos) << error;
    // At the cap the file is read (and found not to be a property list: the padding is NUL bytes).
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kMaxShapeFileBytes)), 0);
    EXPECT_FALSE(read_shape_file(path, &error));
    EXPECT_EQ(error.find("too big"), std::string::npos) << error;
}

TEST(ShapeFileCorpus, MissingFileOrFolderIsUnreadable) {
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(read_shape_file(shape_file_path(folder.path(), "gone"), &error));
    EXPECT_FALSE(error.empty());
    std::filesystem::create_directory(folder / "d.lumo");
    EXPECT_FALSE(read_shape_file(folder / "d.lumo", &error));
}

// --- Stems --------------------------------------------------------------------------

std::tm local_time(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return tm;
}

TEST(ShapeFileStem, IsTheDateStampWithTheCalendarYear) {
    EXPECT_EQ(shape_file_stem(local_time(2024, 6, 5, 9, 7, 3)), "2024_06_05_09_07_03");
    // Days whose ISO week-based year differs: the stamp keeps the calendar's.
    EXPECT_EQ(shape_file_stem(local_time(2024, 12, 30, 23, 59, 59)), "2024_12_30_23_59_59");  // week 1 of 2025
    EXPECT_EQ(shape_file_stem(local_time(2027, 1, 1)), "2027_01_01_00_00_00");  // week 53 of 2026
    EXPECT_EQ(shape_file_stem(local_time(2027, 1, 3, 12)), "2027_01_03_12_00_00");
    EXPECT_EQ(shape_file_stem(local_time(2024, 2, 29)), "2024_02_29_00_00_00");
    // Fields past their range roll over as mktime would.
    EXPECT_EQ(shape_file_stem(local_time(2023, 12, 32)), "2024_01_01_00_00_00");
    EXPECT_EQ(shape_file_stem(local_time(2023, 13, 1)), "2024_01_01_00_00_00");
    // Later saves in the same second.
    EXPECT_EQ(numbered_stem("2027_01_01_00_00_00", 1), "2027_01_01_00_00_00");
    EXPECT_EQ(numbered_stem("2027_01_01_00_00_00", 2), "2027_01_01_00_00_00-2");
    EXPECT_EQ(numbered_stem("2027_01_01_00_00_00", 12), "2027_01_01_00_00_00-12");
}

TEST(ShapeFileStem, MatchesStrftimeEveryDay) {
    for (int year = 1995; year <= 2045; ++year) {
        for (int day = 1; day <= 366; ++day) {
            std::tm tm = local_time(year, 1, day, 12);
            const std::time_t t = ::timegm(&tm);  // normalises
            std::tm normalised{};
            ::gmtime_r(&t, &normalised);
            char expected[32];
            std::strftime(expected, sizeof expected, "%Y_%m_%d_%H_%M_%S", &normalised);
            ASSERT_EQ(shape_file_stem(normalised), expected);
        }
    }
}

TEST(ShapeFileStem, CurrentStemHasThePattern) {
    EXPECT_TRUE(std::regex_match(current_shape_file_stem(), std::regex(R"(\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d)")));
}

TEST(ShapeFileStem, ValidStemsNameAFileInTheFolder) {
    EXPECT_TRUE(is_valid_stem("2024_06_05_09_07_03"));
    EXPECT_TRUE(is_valid_stem("x.y"));
    EXPECT_TRUE(is_valid_stem("..."));
    EXPECT_TRUE(is_valid_stem(" spaced "));
    EXPECT_FALSE(is_valid_stem(""));
    EXPECT_FALSE(is_valid_stem("."));
    EXPECT_FALSE(is_valid_stem(".."));
    EXPECT_FALSE(is_valid_stem("../escape"));
    EXPECT_FALSE(is_valid_stem("a/b"));
    EXPECT_FALSE(is_valid_stem(std::string_view("a\0b", 3)));
    EXPECT_EQ(shape_file_path("/home/me/Documents", "x.y"), "/home/me/Documents/x.y.lumo");
}

// --- Listing ------------------------------------------------------------------------

TEST(ShapeFileListing, OnlyExactLumoExtensionsNewestFirst) {
    TempFolder folder;
    for (const char* name : {"a.lumo", "b.txt", "c.LUMO", "x.y.lumo", "x.lumo.bak", "lumo", "e.lumo "})
        write_text(folder / name, "");
    std::filesystem::create_directory(folder / "d.lumo");
    EXPECT_EQ(list_shape_stems(folder.path()), (std::vector<std::string>{"x.y", "d", "a"}));
}

// Gives path the local time year-month-day hour:00 as its last write.
void set_written(const std::filesystem::path& path, int year, int month, int day, int hour) {
    std::tm tm = local_time(year, month, day, hour);
    const timespec when{std::mktime(&tm), 0};
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Ordered by the date each stamp stands for, whichever year it was written
// with: names saved with the week-based year around new year keep their
// place (the file's time tells which of two readings), later saves of one
// second come before earlier ones, and names that are no date stamp follow.
TEST(ShapeFileListing, DateStampsComeNewestFirstByTheDateTheyStandFor) {
    TempFolder folder;
    const struct {
        const char* stem;
        int written[4];  // year, month, day, hour
        const char* label;
        const char* export_stem;
    } rows[] = {
        {"2027_01_02_08_00_00-2", {2027, 1, 2, 8}, "2 Jan 2027, 08:00:00 (2)", "2027_01_02_08_00_00-2"},
        {"2027_01_02_08_00_00", {2027, 1, 2, 8}, "2 Jan 2027, 08:00:00", "2027_01_02_08_00_00"},
        // Week 53 of 2026: exported under the calendar year.
        {"2026_01_01_09_00_00", {2027, 1, 1, 9}, "1 Jan 2027, 09:00:00", "2027_01_01_09_00_00"},
        {"2026_12_31_10_00_00", {2026, 12, 31, 10}, "31 Dec 2026, 10:00:00", "2026_12_31_10_00_00"},
        // Could be 2 Jan 2027 too.
        {"2026_01_02_09_00_00", {2026, 1, 2, 9}, "2 Jan 2026, 09:00:00", "2026_01_02_09_00_00"},
        // Week 1 of 2025.
        {"2025_12_30_08_00_00", {2024, 12, 30, 8}, "30 Dec 2024, 08:00:00", "2024_12_30_08_00_00"},
        {"x.y", {2030, 1, 1, 0}, "x.y", "x.y"},
        {"a", {2030, 1, 1, 0}, "a", "a"},
    };
    for (const auto& row : rows) {
        write_text(shape_file_path(folder.path(), row.stem), "");
        set_written(shape_file_path(folder.path(), row.stem), row.written[0], row.written[1], row.written[2],
                    row.written[3]);
    }
    const std::vector<SavedShape> listed = list_saved_shapes(folder.path());
    ASSERT_EQ(listed.size(), std::size(rows));
    for (std::size_t k = 0; k < listed.size(); ++k) {
        EXPECT_EQ(listed[k].stem, rows[k].stem) << k;
        EXPECT_EQ(listed[k].label, rows[k].label) << k;
        EXPECT_EQ(listed[k].export_stem, rows[k].export_stem) << k;
    }
}

TEST(ShapeFileListing, SortsByBytesNotBySignedChars) {
    TempFolder folder;
    write_text(folder / "z.lumo", "");
    write_text(folder / "\xC3\xA9t\xC3\xA9.lumo", "");  // "été": its first byte is above 0x7F
    EXPECT_EQ(list_shape_stems(folder.path()), (std::vector<std::string>{"\xC3\xA9t\xC3\xA9", "z"}));
}

TEST(ShapeFileListing, NamesWithNoLoadableStemAreLeftOut) {
    TempFolder folder;
    for (const char* name : {".lumo", "..lumo", "ok.lumo"}) write_text(folder / name, "");
    EXPECT_EQ(list_shape_stems(folder.path()), std::vector<std::string>{"ok"});
}

TEST(ShapeFileListing, MissingOrUnlistableFolderGivesNothing) {
    TempFolder folder;
    EXPECT_TRUE(list_shape_stems(folder.path()).empty());
    EXPECT_TRUE(list_shape_stems(folder / "missing").empty());
    write_text(folder / "file.lumo", "");
    EXPECT_TRUE(list_shape_stems(folder / "file.lumo").empty());
    if (permissions_are_enforced()) {
        std::filesystem::create_directory(folder / "closed");
        write_text(folder / "closed" / "a.lumo", "");
        std::filesystem::permissions(folder / "closed", std::filesystem::perms::none);
        EXPECT_TRUE(list_shape_stems(folder / "closed").empty());
    }
}

}  // namespace
}  // namespace lumo::testing
