#pragma once
// A throw-away /sys/bus/iio/devices look-alike in a temporary folder.

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_folder.h"

namespace lumo::testing {

class FakeIioTree {
public:
    const std::filesystem::path& root() const { return folder_.path(); }

    void write(const std::string& device, const std::string& file, const std::string& text) const {
        std::filesystem::create_directories(root() / device);
        std::ofstream(root() / device / file, std::ios::binary) << text;
    }
    void remove(const std::string& device, const std::string& file) const {
        std::filesystem::remove(root() / device / file);
    }

    // An accelerometer with a shared scale, reading raw counts (x, y, z).
    void add_accelerometer(const std::string& device, int x, int y, int z, const std::string& scale) const {
        write(device, "in_accel_x_raw", std::to_string(x) + "\n");
        write(device, "in_accel_y_raw", std::to_string(y) + "\n");
        write(device, "in_accel_z_raw", std::to_string(z) + "\n");
        write(device, "in_accel_scale", scale + "\n");
    }

private:
    TempFolder folder_;
};

}  // namespace lumo::testing
