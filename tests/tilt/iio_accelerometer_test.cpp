#include <gtest/gtest.h>

#include <string>

#include "fake_iio_tree.h"
#include "tilt/tilt_iio.h"
#include "expect_reading.h"

namespace lumo {
namespace {

using testing::expect_reading;
using testing::FakeIioTree;

// 100 counts of this scale are one standard gravity.
const std::string kGravityPer100 = "0.0980665";

// Readings here are computed in double: exact but for rounding.
constexpr double kExact = 1e-12;

Acceleration poll_once(TiltSource& source) {
    Acceleration a{99, 99, 99};
    EXPECT_TRUE(source.poll(&a));
    return a;
}

TEST(SysfsNumber, ReadsWhatTheKernelWrites) {
    EXPECT_EQ(parse_sysfs_number("0.009576806\n"), 0.009576806);
    EXPECT_EQ(parse_sysfs_number("-512\n"), -512.0);
    EXPECT_EQ(parse_sysfs_number(" 7 "), 7.0);
}

TEST(SysfsNumber, RefusesEverythingElse) {
    for (const char* text : {"", "\n", "abc", "1.5x", "1 2", "nan", "inf", "-inf", "0x10", "+"}) {
        EXPECT_FALSE(parse_sysfs_number(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(parse_sysfs_number(std::string_view("12\0", 3)).has_value());
}

TEST(MountMatrix, ParsesRowsSeparatedBySemicolons) {
    EXPECT_EQ(parse_mount_matrix("1, 0, 0; 0, 1, 0; 0, 0, 1\n"), kIdentityMount);
    const MountMatrix rotated = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(parse_mount_matrix("0,-1,0;1,0,0;0,0,1"), rotated);
    EXPECT_EQ(parse_mount_matrix("0.000000, -1.000000, 0; 1, 0, 0; 0, 0, 1.0"), rotated);
}

TEST(MountMatrix, RefusesMalformedOrSingular) {
    for (const char* text :
         {"", "1, 0, 0; 0, 1, 0", "1, 0, 0; 0, 1, 0; 0, 0, 1; 0, 0, 0", "1, 0; 0, 1, 0; 0, 0, 1, 0",
          "1, 0, 0, 0; 0, 1, 0; 0, 0, 1", "1, 0, 0; 0, 1, 0; 0, 0,", "a, b, c; d, e, f; g, h, i", "1 0 0; 0 1 0; 0 0 1",
          "0, 0, 0; 0, 0, 0; 0, 0, 0", "1, 0, 0; 1, 0, 0; 0, 0, 1", "nan, 0, 0; 0, 1, 0; 0, 0, 1"}) {
        EXPECT_FALSE(parse_mount_matrix(text).has_value()) << '"' << text << '"';
    }
}

TEST(IioToDevice, NegatesTheReactionIntoTheDirectionOfGravity) {
    IioCalibration calibration;
    calibration.scale = {0.0980665, 0.0980665, 0.0980665};
    expect_reading(iio_to_device({0, 0, 100}, calibration), 0, 0, -1, kExact);  // face up
    expect_reading(iio_to_device({0, 100, 0}, calibration), 0, -1, 0, kExact);  // upright
    expect_reading(iio_to_device({-100, 0, 0}, calibration), 1, 0, 0, kExact);  // right side down
}

TEST(IioToDevice, MountMatrixTakesSensorAxesToDeviceAxes) {
    // Chip turned a quarter turn on the board: its x runs up the screen,
    // its y to the left.
    IioCalibration calibration;
    calibration.scale = {0.0980665, 0.0980665, 0.0980665};
    calibration.mount = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    expect_reading(iio_to_device({100, 0, 0}, calibration), 0, -1, 0, kExact);  // upright
    expect_reading(iio_to_device({0, 100, 0}, calibration), 1, 0, 0, kExact);  // right side down
    expect_reading(iio_to_device({0, 0, 100}, calibration), 0, 0, -1, kExact);  // face up
}

class IioTreeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(tree_.root().empty()); }

    std::unique_ptr<TiltSource> open(std::string* error = nullptr) {
        return open_iio_accelerometer(tree_.root(), error);
    }

    FakeIioTree tree_;
};

TEST_F(IioTreeTest, NoDevicesIsNoAccelerometer) {
    std::string error;
    EXPECT_EQ(open(&error), nullptr);
    EXPECT_NE(error.find("no accelerometer"), std::string::npos) << error;
    EXPECT_EQ(open_iio_accelerometer(tree_.root() / "missing", &error), nullptr);
}

TEST_F(IioTreeTest, SkipsOtherSensorsAndTakesTheFirstInNaturalOrder) {
    tree_.write("iio:device0", "in_illuminance_raw", "412\n");
    tree_.write("iio:device0", "name", "als\n");
    tree_.write("trigger0", "name", "sysfstrig0\n");
    tree_.add_accelerometer("iio:device10", 0, 0, 100, kGravityPer100);
    tree_.add_accelerometer("iio:device2", 0, 100, 0, kGravityPer100);
    tree_.write("iio:device2", "name", "bmc150_accelerometer\n");

    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    EXPECT_STREQ(source->name(), "accelerometer (iio:device2: bmc150_accelerometer)");
    expect_reading(poll_once(*source), 0, -1, 0, kExact);
}

TEST_F(IioTreeTest, AppliesSharedScaleAndOffset) {
    tree_.add_accelerometer("iio:device0", 24, 24, 124, kGravityPer100);
    tree_.write("iio:device0", "in_accel_offset", "-24\n");
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    expect_reading(poll_once(*source), 0, 0, -1, kExact);
}

TEST_F(IioTreeTest, PerAxisScaleAndOffsetWinOverShared) {
    tree_.add_accelerometer("iio:device0", -50, 400, 0, "1000");
    tree_.write("iio:device0", "in_accel_x_scale", "0.196133\n");
    tree_.write("iio:device0", "in_accel_y_scale", "0.0245166250\n");
    tree_.write("iio:device0", "in_accel_z_scale", "0.0980665\n");
    tree_.write("iio:device0", "in_accel_offset", "7\n");
    tree_.write("iio:device0", "in_accel_x_offset", "0\n");
    tree_.write("iio:device0", "in_accel_y_offset", "0\n");
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    // z keeps the shared offset: (0 + 7) counts.
    expect_reading(poll_once(*source), 1, -1, -0.07, kExact);
}

TEST_F(IioTreeTest, IdentityMountMatrixChangesNothing) {
    tree_.add_accelerometer("iio:device0", 0, 100, 0, kGravityPer100);
    tree_.write("iio:device0", "in_accel_mount_matrix", "1, 0, 0; 0, 1, 0; 0, 0, 1\n");
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    expect_reading(poll_once(*source), 0, -1, 0, kExact);
}

TEST_F(IioTreeTest, RotatedMountMatrixIsApplied) {
    for (const char* file : {"in_accel_mount_matrix", "in_mount_matrix", "mount_matrix"}) {
        FakeIioTree tree;
        tree.add_accelerometer("iio:device0", 100, 0, 0, kGravityPer100);
        tree.write("iio:device0", file, "0, -1, 0; 1, 0, 0; 0, 0, 1\n");
        std::unique_ptr<TiltSource> source = open_iio_accelerometer(tree.root());
        ASSERT_NE(source, nullptr) << file;
        expect_reading(poll_once(*source), 0, -1, 0, kExact);
    }
}

TEST_F(IioTreeTest, VanishedFilesFailThePollUntilTheyReturn) {
    tree_.add_accelerometer("iio:device0", 0, 0, 100, kGravityPer100);
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);

    std::filesystem::remove_all(tree_.root() / "iio:device0");
    Acceleration a{5, 6, 7};
    EXPECT_FALSE(source->poll(&a));
    expect_reading(a, 5, 6, 7, kExact);  // left alone

    tree_.add_accelerometer("iio:device0", 0, 100, 0, kGravityPer100);
    expect_reading(poll_once(*source), 0, -1, 0, kExact);  // the scale read at opening still holds
}

TEST_F(IioTreeTest, GarbageInARawFileFailsThePoll) {
    tree_.add_accelerometer("iio:device0", 0, 0, 100, kGravityPer100);
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    for (const std::string& garbage :
         {std::string("\x01\xff\x00zz", 5), std::string(""), std::string(5000, '9'), std::string("12 13")}) {
        tree_.write("iio:device0", "in_accel_y_raw", garbage);
        Acceleration a;
        EXPECT_FALSE(source->poll(&a));
    }
}

TEST_F(IioTreeTest, RefusesADeviceItCannotMakeSenseOf) {
    struct Case {
        const char* file;
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"in_accel_scale", "banana\n", "in_accel_scale is not a number"},
        {"in_accel_scale", "0\n", "in_accel_scale is zero"},
        {"in_accel_y_scale", std::string("\0\0\0", 3), "in_accel_y_scale is not a number"},
        {"in_accel_offset", "1e999\n", "in_accel_offset is not a number"},
        {"mount_matrix", "1, 0, 0; 0, 1, 0\n", "mount_matrix is not a 3 x 3 rotation"},
        {"in_accel_mount_matrix", std::string(2000, ';'), "in_accel_mount_matrix is not a 3 x 3 rotation"},
        {"in_accel_z_raw", "up\n", "cannot be read"},
    };
    for (const Case& c : cases) {
        FakeIioTree tree;
        tree.add_accelerometer("iio:device3", 0, 0, 100, kGravityPer100);
        tree.write("iio:device3", c.file, c.text);
        std::string error;
        EXPECT_EQ(open_iio_accelerometer(tree.root(), &error), nullptr) << c.file;
        EXPECT_NE(error.find("iio:device3"), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST_F(IioTreeTest, RefusesADeviceWithoutScale) {
    tree_.add_accelerometer("iio:device0", 0, 0, 100, kGravityPer100);
    tree_.remove("iio:device0", "in_accel_scale");
    std::string error;
    EXPECT_EQ(open(&error), nullptr);
    EXPECT_NE(error.find("no in_accel_scale"), std::string::npos) << error;
}

TEST_F(IioTreeTest, PassesOverARefusedDeviceToAGoodOne) {
    tree_.add_accelerometer("iio:device0", 0, 0, 100, "oops");
    tree_.add_accelerometer("iio:device1", 0, 100, 0, kGravityPer100);
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    EXPECT_STREQ(source->name(), "accelerometer (iio:device1)");
}

TEST_F(IioTreeTest, UnprintableDriverNameIsTamed) {
    tree_.add_accelerometer("iio:device0", 0, 0, 100, kGravityPer100);
    tree_.write("iio:device0", "name", "acc\x1b[2Jel\n");
    std::unique_ptr<TiltSource> source = open();
    ASSERT_NE(source, nullptr);
    EXPECT_STREQ(source->name(), "accelerometer (iio:device0: acc?[2Jel)");
}

}  // namespace
}  // namespace lumo
