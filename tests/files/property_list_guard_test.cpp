// The checks that stand between untrusted bytes and libplist: what they let
// through must be shallow and small, and what they refuse must be refused
// with a reason, whatever the bytes.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "support/binary_plist.h"
#include "files/property_list.h"
#include "files/property_list_guard.h"
#include "support/text_bytes.h"

namespace lumo::testing {
namespace {

constexpr PropertyListLimits kLimits{.max_bytes = 1 << 20, .max_depth = 8, .max_values = 1000};

bool xml_accepted(std::string_view text, const PropertyListLimits& limits = kLimits) {
    std::string error;
    const bool accepted = check_xml_property_list(as_bytes(text), limits, &error);
    EXPECT_EQ(accepted, error.empty()) << "a refusal always says why: " << text;
    return accepted;
}

bool binary_accepted(const Bytes& bytes, const PropertyListLimits& limits = kLimits) {
    std::string error;
    const bool accepted = check_binary_property_list(bytes, limits, &error);
    EXPECT_EQ(accepted, error.empty());
    return accepted;
}

// A real at nesting level `level`: the root array is level 1.
std::string xml_nested(int level, std::string_view leaf = "<real>1</real>", bool wrapped = true) {
    std::string text = wrapped ? "<plist>" : "";
    for (int i = 1; i < level; ++i) text += "<array>";
    text += leaf;
    for (int i = 1; i < level; ++i) text += "</array>";
    return text + (wrapped ? "</plist>" : "");
}

// Arrays nested `level` deep, each holding the next one; objects 0 .. level-1.
BinaryPlist binary_nested(int level) {
    BinaryPlist plist;
    plist.ref_size = 4;
    for (int i = 0; i + 1 < level; ++i) plist.objects.push_back(array_object({static_cast<uint64_t>(i + 1)}, 4));
    plist.objects.push_back(array_object({}, 4));
    return plist;
}

TEST(XmlGuard, AcceptsThePropertyListsWeWriteAndCommonMarkup) {
    EXPECT_TRUE(xml_accepted(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n\t<key>InitSurfacePosition</key>\n\t<array>\n\t\t<real>0.5</real>\n"
        "\t</array>\n\t<key>SurfaceImage</key>\n\t<data>\n\tAQID\n\t</data>\n</dict>\n</plist>\n"));
    EXPECT_TRUE(
        xml_accepted("<plist><!-- saved by hand --><dict><key>a</key><string><![CDATA[x]]></string></dict></plist>"));
    EXPECT_TRUE(xml_accepted("<plist><array/><dict /></plist>"));
    EXPECT_TRUE(xml_accepted("<plist><string>1 &lt; 2 > 0</string></plist>"));
    EXPECT_TRUE(xml_accepted("<?>"));
}

TEST(XmlGuard, NestingLimitCountsValuesNotThePlistWrapper) {
    EXPECT_TRUE(xml_accepted(xml_nested(8)));
    EXPECT_FALSE(xml_accepted(xml_nested(9)));
    EXPECT_TRUE(xml_accepted(xml_nested(8, "<true/>")));
    EXPECT_FALSE(xml_accepted(xml_nested(9, "<true/>")));
    // Without the wrapper the outermost element is the root value.
    EXPECT_TRUE(xml_accepted(xml_nested(8, "<real>1</real>", false)));
    EXPECT_FALSE(xml_accepted(xml_nested(9, "<real>1</real>", false)));
    EXPECT_FALSE(xml_accepted("<plist><array><plist><array/></plist></array></plist>")) << "a wrapper inside";
    // Closing tags bring the level back down: siblings do not add up.
    std::string siblings = "<plist><array>";
    for (int i = 0; i < 100; ++i) siblings += "<array><array><real>1</real></array></array>";
    EXPECT_TRUE(xml_accepted(siblings + "</array></plist>"));
}

TEST(XmlGuard, RefusesTooManyValuesOrBytes) {
    const std::string three = "<plist><array><real>1</real><real>2</real></array></plist>";
    EXPECT_TRUE(xml_accepted(three, {.max_bytes = 1000, .max_depth = 8, .max_values = 3}));
    EXPECT_FALSE(xml_accepted(three, {.max_bytes = 1000, .max_depth = 8, .max_values = 2}));
    EXPECT_FALSE(xml_accepted(three, {.max_bytes = three.size() - 1, .max_depth = 8, .max_values = 3}));
    const std::string bare = "<array><real>1</real><real>2</real></array>";
    EXPECT_TRUE(xml_accepted(bare, {.max_bytes = 1000, .max_depth = 8, .max_values = 3}));
    EXPECT_FALSE(xml_accepted(bare, {.max_bytes = 1000, .max_depth = 8, .max_values = 2}));
}

// Each of these could make a parser see markup, and so nesting, that a
// simpler scan would miss, or is simply not something our files contain.
TEST(XmlGuard, RefusesMarkupItCannotVouchFor) {
    const std::string_view refused[] = {
        "<plist><array></dict></plist>",  // closing tag of another element
        "<plist></array><array><array></plist>",  // closing what was never opened
        std::string_view("<plist><dict/>\0</plist>", 22),  // NUL byte
        "<plist version=\"a>b\"><dict/></plist>",  // '>' inside quotes
        "<plist version='<'><dict/></plist>",  // '<' inside quotes
        "<!-- a > b --><plist><dict/></plist>",  // '>' inside a comment
        "<!-- it's --><plist><dict/></plist>",  // quote inside a comment
        "<plist><string><![CDATA[a]>b]]></string></plist>",  // '>' inside CDATA
        "<!DOCTYPE plist [<!ENTITY x \"y\">]><plist><dict/></plist>",  // internal DTD subset
        "<!ELEMENT plist ANY><plist><dict/></plist>",  // unknown declaration
        "<?xml version=\"1.0\" <plist>?><plist><dict/></plist>",  // '<' inside a processing instruction
        "<plist><dict/></plist><",  // lone '<' at the end
        "<plist><dict><!-- never ends",  // unterminated comment
        "<plist><dict",  // unterminated tag
        "<plist>< dict/></plist>",  // markup without a name
        "<plist><di\"ct/></plist>",  // stray character in a name
    };
    for (const std::string_view text : refused) EXPECT_FALSE(xml_accepted(text)) << text;
}

TEST(XmlGuard, RefusesAMillionNestedArraysWithoutRecursion) {
    std::string text = "<plist>";
    for (int i = 0; i < 1'000'000; ++i) text += "<array>";
    for (int i = 0; i < 1'000'000; ++i) text += "</array>";
    text += "</plist>";
    EXPECT_FALSE(xml_accepted(text, {.max_bytes = 64 << 20, .max_depth = 8, .max_values = 1 << 18}));
}

TEST(BinaryGuard, AcceptsWhatLibplistWrites) {
    const PlistPtr root(plist_new_dict());
    const plist_t array = plist_new_array();
    for (int i = 0; i < 7500; ++i) plist_array_append_item(array, plist_new_real(i * 0.001));
    plist_dict_set_item(root.get(), "InitSurfacePosition", array);
    plist_dict_set_item(root.get(), "SurfaceImage", plist_new_data("\x89PNG", 4));
    plist_dict_set_item(root.get(), "Extra", plist_new_string("a string longer than fifteen characters"));
    plist_dict_set_item(root.get(), "Flag", plist_new_bool(1));
    plist_dict_set_item(root.get(), "Count", plist_new_uint(1ull << 40));
    plist_dict_set_item(root.get(), "When", plist_new_date(1000, 0));
    EXPECT_TRUE(binary_accepted(to_binary_property_list(root.get()),
                                {.max_bytes = 1 << 20, .max_depth = 8, .max_values = 8000}));
}

TEST(BinaryGuard, NestingLimitAndCycles) {
    EXPECT_TRUE(binary_accepted(binary_nested(8).bytes()));
    EXPECT_FALSE(binary_accepted(binary_nested(9).bytes()));
    EXPECT_FALSE(binary_accepted(binary_nested(100'000).bytes(),
                                 {.max_bytes = 64 << 20, .max_depth = 8, .max_values = 1 << 18}));

    BinaryPlist self;  // an array that holds itself
    self.objects = {array_object({0}, 1)};
    EXPECT_FALSE(binary_accepted(self.bytes()));
    BinaryPlist loop;  // two arrays that hold each other
    loop.objects = {array_object({1}, 1), array_object({0}, 1)};
    EXPECT_FALSE(binary_accepted(loop.bytes()));
    BinaryPlist shared;  // one object used twice is fine
    shared.objects = {array_object({1, 1}, 1), real_object(1)};
    EXPECT_TRUE(binary_accepted(shared.bytes()));
}

TEST(BinaryGuard, SharedObjectsCountOncePerUse) {
    // Five levels of 14 references to the next: 14^5 values from under 100 bytes.
    BinaryPlist blowup;
    for (uint64_t i = 0; i < 5; ++i) blowup.objects.push_back(array_object(std::vector<uint64_t>(14, i + 1), 1));
    blowup.objects.push_back(real_object(0.5));
    EXPECT_FALSE(binary_accepted(blowup.bytes(), {.max_bytes = 1 << 20, .max_depth = 8, .max_values = 1 << 18}));
    EXPECT_TRUE(binary_accepted(blowup.bytes(), {.max_bytes = 1 << 20, .max_depth = 8, .max_values = 600'000}));
}

TEST(BinaryGuard, RefusesBrokenLayout) {
    const Bytes good = shape_plist({0.5, 0.25}).bytes();
    ASSERT_TRUE(binary_accepted(good));
    const std::size_t trailer = good.size() - 32;

    const auto refused_after = [&](auto&& damage) {
        Bytes bytes = good;
        damage(bytes);
        return !binary_accepted(bytes);
    };
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 6] = 0; })) << "offset size 0";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 7] = 9; })) << "reference size 9";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 15] = 200; })) << "more objects than the table holds";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 23] = 5; })) << "top object out of range";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 31] = 3; })) << "offset table inside the header";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[trailer + 24] = 1; })) << "offset table past the end";
    EXPECT_TRUE(refused_after([&](Bytes& b) { b.resize(40); })) << "too short for a trailer";
    // Object 3's offset (the first real) pointed into the offset table, then into the header.
    const std::size_t table = good[trailer + 31];
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[table + 4 * 3 + 3] = static_cast<uint8_t>(table); }));
    EXPECT_TRUE(refused_after([&](Bytes& b) { b[table + 4 * 3 + 3] = 2; }));
}

TEST(BinaryGuard, RefusesBadObjects) {
    const auto accepted_as_top = [](Bytes top, std::vector<Bytes> more = {}) {
        BinaryPlist plist;
        plist.objects.push_back(std::move(top));
        for (Bytes& object : more) plist.objects.push_back(std::move(object));
        return binary_accepted(plist.bytes());
    };
    EXPECT_TRUE(accepted_as_top(array_object({1}, 1), {real_object(1)}));
    EXPECT_FALSE(accepted_as_top(array_object({7}, 1), {real_object(1)})) << "reference out of range";
    EXPECT_FALSE(accepted_as_top(dict_object({1}, {1}, 1), {real_object(1)})) << "key that is not a string";
    EXPECT_TRUE(accepted_as_top(dict_object({1}, {1}, 1), {ascii_object("k")}));
    EXPECT_TRUE(accepted_as_top(dict_object({1}, {1}, 1), {{0x61, 0x00, 'k'}})) << "UTF-16 key";
    // libplist asserts on a key whose length is not its strlen().
    EXPECT_FALSE(accepted_as_top(dict_object({1}, {1}, 1), {ascii_object(std::string_view("k\0y", 3))}));
    EXPECT_FALSE(accepted_as_top(dict_object({1}, {1}, 1), {{0x61, 0x00, 0x00}}));
    EXPECT_FALSE(accepted_as_top(dict_object({1}, {1}, 1), {ascii_object(std::string(300, 'k'))})) << "long key";
    EXPECT_FALSE(accepted_as_top({0x00})) << "null";
    EXPECT_FALSE(accepted_as_top({0xC1, 0x00})) << "set";
    EXPECT_FALSE(accepted_as_top({0x70})) << "unknown type";
    EXPECT_FALSE(accepted_as_top({0x25, 0, 0, 0, 0})) << "real of 32 bytes";
    EXPECT_FALSE(accepted_as_top({0x13, 0, 0})) << "integer running into the offset table";
    EXPECT_FALSE(accepted_as_top(marker_with_length(0xA, 1ull << 60))) << "array longer than the file";
    EXPECT_FALSE(accepted_as_top(marker_with_length(0x4, ~0ull))) << "data longer than the file";
    EXPECT_FALSE(accepted_as_top({0x4F, 0x14, 0, 0})) << "length of 16 bytes";
    EXPECT_FALSE(accepted_as_top({0x4F, 0x23, 0, 0, 0, 0, 0, 0, 0, 0})) << "length that is a real";
}

}  // namespace
}  // namespace lumo::testing
