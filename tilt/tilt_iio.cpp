#include "tilt/tilt_iio.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cmath>
#include <system_error>
#include <vector>

namespace lumo {

namespace fs = std::filesystem;

namespace {

constexpr char kAxes[3] = {'x', 'y', 'z'};
constexpr const char* kMountMatrixFiles[] = {"in_accel_mount_matrix", "in_mount_matrix", "mount_matrix"};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
    return text;
}

// A whole small attribute file into buffer, opened afresh on every call so
// that a device that goes away and comes back is read again. Non-blocking:
// a stray FIFO must not hang the caller. nullopt when it cannot be read or
// does not fit.
template <size_t N>
std::optional<std::string_view> read_attribute(const char* path, std::array<char, N>& buffer) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    size_t length = 0;
    bool failed = false;
    while (length < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + length, buffer.size() - length);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        length += static_cast<size_t>(got);
    }
    ::close(fd);
    if (failed || length == buffer.size()) return std::nullopt;
    return std::string_view(buffer.data(), length);
}

using NumberBuffer = std::array<char, 64>;

std::optional<double> read_number(const char* path) {
    NumberBuffer buffer;
    const std::optional<std::string_view> text = read_attribute(path, buffer);
    if (!text) return std::nullopt;
    return parse_sysfs_number(*text);
}

bool present(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Numbers inside names compare by value, so iio:device2 sorts before
// iio:device10.
bool natural_less(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (is_digit(a[i]) && is_digit(b[j])) {
            size_t i_end = i;
            size_t j_end = j;
            while (i_end < a.size() && is_digit(a[i_end])) ++i_end;
            while (j_end < b.size() && is_digit(b[j_end])) ++j_end;
            std::string_view na = a.substr(i, i_end - i);
            std::string_view nb = b.substr(j, j_end - j);
            while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = i_end;
            j = j_end;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> device_names(const fs::path& root) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(root, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), natural_less);
    return names;
}

fs::path raw_path(const fs::path& device, char axis) { return device / (std::string("in_accel_") + axis + "_raw"); }

bool has_raw_files(const fs::path& device) {
    return std::all_of(std::begin(kAxes), std::end(kAxes), [&](char axis) { return present(raw_path(device, axis)); });
}

enum class Attribute { absent, unusable, number };

// The axis's own attribute (in_accel_x_scale) wins over the shared one
// (in_accel_scale). *file names the one found.
Attribute read_axis_attribute(const fs::path& device, char axis, const std::string& what, double* value,
                              std::string* file) {
    const fs::path own = device / ("in_accel_" + std::string(1, axis) + "_" + what);
    const fs::path shared = device / ("in_accel_" + what);
    const fs::path* path = present(own) ? &own : present(shared) ? &shared : nullptr;
    if (path == nullptr) return Attribute::absent;
    *file = path->filename().string();
    const std::optional<double> number = read_number(path->c_str());
    if (!number) return Attribute::unusable;
    *value = *number;
    return Attribute::number;
}

bool read_calibration(const fs::path& device, IioCalibration* calibration, std::string* problem) {
    for (int i = 0; i < 3; ++i) {
        std::string file;
        switch (read_axis_attribute(device, kAxes[i], "scale", &calibration->scale[i], &file)) {
            case Attribute::absent: *problem = "no in_accel_scale"; return false;  // counts mean nothing
            case Attribute::unusable: *problem = file + " is not a number"; return false;
            case Attribute::number: break;
        }
        if (calibration->scale[i] == 0.0) {
            *problem = file + " is zero";
            return false;
        }
        if (read_axis_attribute(device, kAxes[i], "offset", &calibration->offset[i], &file) == Attribute::unusable) {
            *problem = file + " is not a number";
            return false;
        }
    }
    for (const char* file : kMountMatrixFiles) {
        const fs::path path = device / file;
        if (!present(path)) continue;
        std::array<char, 512> buffer;
        const std::optional<std::string_view> text = read_attribute(path.c_str(), buffer);
        const std::optional<MountMatrix> mount = text ? parse_mount_matrix(*text) : std::nullopt;
        if (!mount) {
            *problem = std::string(file) + " is not a 3 x 3 rotation";
            return false;
        }
        calibration->mount = *mount;
        break;
    }
    return true;
}

// The driver's name, if it gives one, cut short and made printable.
std::string driver_name(const fs::path& device) {
    std::array<char, 64> buffer;
    const std::optional<std::string_view> text = read_attribute((device / "name").c_str(), buffer);
    if (!text) return {};
    std::string name(trimmed(*text).substr(0, 32));
    for (char& c : name) {
        if (c < 0x20 || c > 0x7e) c = '?';
    }
    return name;
}

class IioAccelerometer final : public TiltSource {
public:
    IioAccelerometer(const fs::path& device, const IioCalibration& calibration) : calibration_(calibration) {
        for (int i = 0; i < 3; ++i) raw_paths_[i] = raw_path(device, kAxes[i]).string();
        const std::string driver = driver_name(device);
        name_ = "accelerometer (" + device.filename().string() + (driver.empty() ? "" : ": " + driver) + ")";
    }

    const char* name() const override { return name_.c_str(); }

    bool poll(Acceleration* out) override {
        std::array<double, 3> raw;
        for (int i = 0; i < 3; ++i) {
            const std::optional<double> value = read_number(raw_paths_[i].c_str());
            if (!value) return false;
            raw[i] = *value;
        }
        *out = iio_to_device(raw, calibration_);
        return true;
    }

private:
    std::array<std::string, 3> raw_paths_;  // built once: nothing allocated per sample
    IioCalibration calibration_;
    std::string name_;
};

std::unique_ptr<TiltSource> open_device(const fs::path& device, std::string* problem) {
    IioCalibration calibration;
    if (!read_calibration(device, &calibration, problem)) return nullptr;
    auto source = std::make_unique<IioAccelerometer>(device, calibration);
    Acceleration first;
    if (!source->poll(&first)) {
        *problem = "in_accel_*_raw cannot be read";
        return nullptr;
    }
    return source;
}

}  // namespace

std::optional<double> parse_sysfs_number(std::string_view text) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    // strtod on a copy: the browser build's C++ library has no from_chars for
    // doubles. The program never sets a locale, so the point is '.'.
    char copy[64];
    if (text.size() >= sizeof copy || text.find_first_not_of("0123456789+-.eE") != std::string_view::npos)
        return std::nullopt;  // decimal only: strtod would take hex, inf and nan
    text.copy(copy, text.size());
    copy[text.size()] = '\0';
    char* stop = nullptr;
    errno = 0;
    const double value = std::strtod(copy, &stop);
    if (errno != 0 || stop != copy + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<MountMatrix> parse_mount_matrix(std::string_view text) {
    MountMatrix m;
    int count = 0;
    for (int row = 0; row < 3; ++row) {
        const size_t row_end = std::min(text.find(';'), text.size());
        std::string_view row_text = text.substr(0, row_end);
        const bool last_row = row == 2;
        if (last_row != (row_end == text.size())) return std::nullopt;  // not exactly three rows
        text.remove_prefix(last_row ? row_end : row_end + 1);
        for (int column = 0; column < 3; ++column) {
            const size_t cell_end = std::min(row_text.find(','), row_text.size());
            const bool last_column = column == 2;
            if (last_column != (cell_end == row_text.size())) return std::nullopt;
            const std::optional<double> value = parse_sysfs_number(row_text.substr(0, cell_end));
            if (!value) return std::nullopt;
            m[count++] = *value;
            row_text.remove_prefix(last_column ? cell_end : cell_end + 1);
        }
    }
    const double determinant =
        m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) + m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (std::abs(determinant) < 1e-6) return std::nullopt;
    return m;
}

Acceleration iio_to_device(const std::array<double, 3>& raw, const IioCalibration& calibration) {
    std::array<double, 3> sensor;  // m/s^2, the reaction to gravity
    for (int i = 0; i < 3; ++i) sensor[i] = (raw[i] + calibration.offset[i]) * calibration.scale[i];
    const MountMatrix& m = calibration.mount;
    std::array<double, 3> device;
    for (int i = 0; i < 3; ++i) device[i] = m[3 * i] * sensor[0] + m[3 * i + 1] * sensor[1] + m[3 * i + 2] * sensor[2];
    return {-device[0] / kStandardGravity, -device[1] / kStandardGravity, -device[2] / kStandardGravity};
}

std::unique_ptr<TiltSource> open_iio_accelerometer(const fs::path& devices_root, std::string* error) {
    std::string problems;
    for (const std::string& name : device_names(devices_root)) {
        const fs::path device = devices_root / name;
        if (!has_raw_files(device)) continue;
        std::string problem;
        if (std::unique_ptr<TiltSource> source = open_device(device, &problem)) return source;
        problems += (problems.empty() ? "" : "; ") + name + ": " + problem;
    }
    if (error != nullptr) {
        *error = problems.empty() ? "no accelerometer in " + devices_root.string() : problems;
    }
    return nullptr;
}

}  // namespace lumo
