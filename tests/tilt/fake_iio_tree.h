#pragma once
// A throw-away /sys/bus/iio/devices look-alike in a temporary folder.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace lumo::testing {

class FakeIioTree {
public:
    FakeIioTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo-iio-XXXXXX").string();
        if (const char* made = ::mkdtemp(pattern.data())) root_ = made;
    }
    ~FakeIioTree() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    FakeIioTree(const FakeIioTree&) = delete;
    FakeIioTree& operator=(const FakeIioTree&) = delete;

    const std::filesystem::path& root() const { return root_; }

    void write(const std::string& device, const std::string& file, const std::string& text) const {
        std::filesystem::create_directories(root_ / device);
        std::ofstream(root_ / device / file, std::ios::binary) << text;
    }
    void remove(const std::string& device, const std::string& file) const {
        std::filesystem::remove(root_ / device / file);
    }

    // An accelerometer with a shared scale, reading raw counts (x, y, z).
    void add_accelerometer(const std::string& device, int x, int y, int z, const std::string& scale) const {
        write(device, "in_accel_x_raw", std::to_string(x) + "\n");
        write(device, "in_accel_y_raw", std::to_string(y) + "\n");
        write(device, "in_accel_z_raw", std::to_string(z) + "\n");
        write(device, "in_accel_scale", scale + "\n");
    }

private:
    std::filesystem::path root_;
};

}  // namespace lumo::testing
