#pragma once
// The machine's own accelerometer, read through Linux IIO in sysfs
// (2-in-1 laptops, tablets): /sys/bus/iio/devices/iio:deviceN/in_accel_*.
//
// The kernel reports (raw + offset) * scale in m/s^2 along the sensor's
// axes; the mount matrix turns those into the device's axes (x right, y up
// the screen, z out of it). Like Android, IIO reads +9.8 on z for a device
// lying face up (the reaction to gravity), so the reading is negated to give
// the direction of gravity.

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tilt/tilt_source.h"

namespace lumo {

inline constexpr double kStandardGravity = 9.80665;  // m/s^2

// Row-major, as sysfs writes it ("x1, y1, z1; x2, y2, z2; x3, y3, z3"):
// device[i] = sum over j of m[3 i + j] * sensor[j].
using MountMatrix = std::array<double, 9>;
inline constexpr MountMatrix kIdentityMount = {1, 0, 0, 0, 1, 0, 0, 0, 1};

struct IioCalibration {
    std::array<double, 3> scale = {1.0, 1.0, 1.0};  // m/s^2 per count, per axis
    std::array<double, 3> offset = {0.0, 0.0, 0.0};  // counts, per axis
    MountMatrix mount = kIdentityMount;
};

// One number as a sysfs attribute holds it, surrounding white space
// allowed. Refuses empty text, trailing junk, infinities and NaN.
std::optional<double> parse_sysfs_number(std::string_view text);

// Refuses anything but nine finite numbers in three rows, and a singular
// matrix (it would lose an axis).
std::optional<MountMatrix> parse_mount_matrix(std::string_view text);

// Raw counts along the sensor's axes to the direction of gravity in units
// of g along the device's axes.
Acceleration iio_to_device(const std::array<double, 3>& raw, const IioCalibration& calibration);

// The first device under devices_root (in natural order: iio:device2 before
// iio:device10) that has in_accel_{x,y,z}_raw, a usable scale and gives a
// first reading; a device with garbage in its files is passed over.
// nullptr when there is none, *error then naming each device refused and
// why, or saying that there is no accelerometer at all.
std::unique_ptr<TiltSource> open_iio_accelerometer(const std::filesystem::path& devices_root = "/sys/bus/iio/devices",
                                                   std::string* error = nullptr);

}  // namespace lumo
