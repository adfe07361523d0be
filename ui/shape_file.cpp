#include "ui/shape_file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include <sys/stat.h>

#include <cerrno>

#include "files/file_io.h"
#include "files/property_list.h"

namespace lumo {
namespace {

// Our files are three levels deep (dictionary, array, number) and hold 7505
// values, keys included; the slack admits files written by other tools,
// nothing that could hurt the parser.
constexpr PropertyListLimits kShapeFileLimits{
    .max_bytes = kMaxShapeFileBytes,
    .max_depth = 8,
    .max_values = std::size_t{1} << 18,
};

// The float nearest to value, as a conversion in the float environment would
// give: beyond the largest float by half a unit in the last place or more,
// infinity. (Converting such a double with a cast is undefined behaviour.)
float narrow_to_float(double value) {
    constexpr double kRoundsToInfinity = 0x1.ffffffp127;  // FLT_MAX + 2^103
    if (value >= kRoundsToInfinity) return std::numeric_limits<float>::infinity();
    if (value <= -kRoundsToInfinity) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::optional<std::vector<float>> read_positions(plist_t root) {
    const plist_t array = dictionary_value(root, kShapePositionsKey);
    const std::optional<uint32_t> count = array_size(array);
    if (!count) return std::nullopt;
    std::vector<float> positions;
    positions.reserve(*count);
    for (uint32_t i = 0; i < *count; ++i) {
        const std::optional<double> value = number_value(array_element(array, i));
        if (!value) return std::nullopt;
        positions.push_back(narrow_to_float(*value));
    }
    return positions;
}

// ISO 8601: a week belongs to the year that holds its Thursday.
int week_based_year(std::chrono::sys_days date) {
    using namespace std::chrono;
    const unsigned iso_weekday = weekday{date}.iso_encoding();  // Monday 1 ... Sunday 7
    const sys_days thursday = date + days{4 - static_cast<int>(iso_weekday)};
    return static_cast<int>(year_month_day{thursday}.year());
}

// libplist writes both zeros as "0.0", which reads back as +0: put the sign
// back on each negative zero. The n-th <real> of the document is the n-th
// position, since nothing else in a shape file is a real.
std::vector<uint8_t> restore_negative_zeros(const std::vector<uint8_t>& xml, std::span<const float> positions) {
    static constexpr std::string_view kOpen = "<real>";
    static constexpr std::string_view kZero = "0.0</real>";
    const std::string_view text(reinterpret_cast<const char*>(xml.data()), xml.size());
    std::vector<uint8_t> out;
    out.reserve(xml.size() + 64);
    std::size_t copied = 0;
    std::size_t at = 0;
    for (const float value : positions) {
        at = text.find(kOpen, at);
        if (at == std::string_view::npos) break;
        at += kOpen.size();
        if (value == 0.0f && std::signbit(value) && text.substr(at, kZero.size()) == kZero) {
            out.insert(out.end(), xml.begin() + static_cast<std::ptrdiff_t>(copied),
                       xml.begin() + static_cast<std::ptrdiff_t>(at));
            out.push_back('-');
            copied = at;
        }
    }
    out.insert(out.end(), xml.begin() + static_cast<std::ptrdiff_t>(copied), xml.end());
    return out;
}

}  // namespace

std::optional<ShapeFileContents> parse_shape_file(std::span<const uint8_t> bytes, std::string* error) {
    const PlistPtr root = parse_property_list(bytes, kShapeFileLimits, error);
    if (!root) return std::nullopt;
    if (plist_get_node_type(root.get()) != PLIST_DICT) {
        if (error) *error = "the property list's root is not a dictionary";
        return std::nullopt;
    }
    ShapeFileContents contents;
    contents.positions = read_positions(root.get());
    contents.image = data_value(dictionary_value(root.get(), kShapeImageKey));
    return contents;
}

std::string shape_file_problem(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        const int number = errno;
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) return "it is a link to a file that does not exist";
        return number == ENOENT ? "no such file" : std::system_category().message(number);
    }
    if (S_ISDIR(info.st_mode)) return "it is a folder, not a shape file";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file (a pipe, a device or a socket)";
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxShapeFileBytes)
        return "it is too big for a shape file (" + std::to_string(info.st_size) + " bytes)";
    return {};
}

std::optional<ShapeFileContents> read_shape_file(const std::filesystem::path& path, std::string* error) {
    if (std::string problem = shape_file_problem(path); !problem.empty()) {
        if (error) *error = std::move(problem);
        return std::nullopt;
    }
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(path, kMaxShapeFileBytes, error);
    if (!bytes) return std::nullopt;
    std::string parse_error;
    std::optional<ShapeFileContents> contents = parse_shape_file(*bytes, &parse_error);
    if (!contents && error) *error = parse_error;
    return contents;
}

std::vector<uint8_t> serialize_shape_file(std::span<const float> positions, std::span<const uint8_t> png) {
    const PlistPtr root(plist_new_dict());
    const plist_t array = plist_new_array();
    for (const float value : positions) plist_array_append_item(array, plist_new_real(value));
    plist_dict_set_item(root.get(), kShapePositionsKey, array);
    static constexpr char kNoBytes = 0;
    const char* const data = png.empty() ? &kNoBytes : reinterpret_cast<const char*>(png.data());
    plist_dict_set_item(root.get(), kShapeImageKey, plist_new_data(data, png.size()));
    const std::vector<uint8_t> xml = to_xml_property_list(root.get());
    const bool has_negative_zero =
        std::any_of(positions.begin(), positions.end(), [](float v) { return v == 0.0f && std::signbit(v); });
    return has_negative_zero ? restore_negative_zeros(xml, positions) : xml;
}

bool write_shape_file(const std::filesystem::path& path, std::span<const float> positions,
                      std::span<const uint8_t> png, std::string* error) {
    // The loader refuses a shape with a NaN or an infinity: such a file could
    // never be loaded again, so it is not written at all.
    if (!std::all_of(positions.begin(), positions.end(), [](float v) { return std::isfinite(v); })) {
        if (error) *error = "the shape holds a value that is not a finite number";
        return false;
    }
    const std::vector<uint8_t> bytes = serialize_shape_file(positions, png);
    if (bytes.empty()) {
        if (error) *error = "cannot encode the shape file";
        return false;
    }
    return write_file_atomically(path, bytes, error);
}

std::filesystem::path shape_file_path(const std::filesystem::path& documents, std::string_view stem) {
    std::string name(stem);
    name += '.';
    name += kShapeFileExtension;
    return documents / name;
}

bool is_valid_stem(std::string_view stem) {
    return !stem.empty() && stem != "." && stem != ".." && stem.find('/') == std::string_view::npos &&
           stem.find('\0') == std::string_view::npos;
}

std::string shape_file_stem(const std::tm& local_time) {
    using namespace std::chrono;
    // Months out of 0..11 and days past the month's end roll over, as mktime would.
    const int months = local_time.tm_year * 12 + local_time.tm_mon;
    const int month_index = ((months % 12) + 12) % 12;
    const year first_year{1900 + (months - month_index) / 12};
    const sys_days date =
        sys_days{first_year / month{static_cast<unsigned>(month_index + 1)} / 1} + days{local_time.tm_mday - 1};
    const year_month_day ymd{date};
    char text[64];
    std::snprintf(text, sizeof text, "%04d_%02u_%02u_%02d_%02d_%02d", week_based_year(date),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), local_time.tm_hour,
                  local_time.tm_min, local_time.tm_sec);
    return text;
}

std::string current_shape_file_stem() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return shape_file_stem(local);
}

std::vector<std::string> list_shape_stems(const std::filesystem::path& documents) {
    std::error_code code;
    std::filesystem::directory_iterator entries(documents, code);
    if (code) return {};
    std::vector<std::string> names;
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(code)) {
        if (code) return {};
        names.push_back(entries->path().filename().string());
    }
    if (code) return {};
    std::sort(names.begin(), names.end());  // char_traits<char> compares as unsigned: byte order

    std::vector<std::string> stems;
    for (const std::string& name : names) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || std::string_view(name).substr(dot + 1) != kShapeFileExtension) continue;
        std::string stem = name.substr(0, dot);
        if (is_valid_stem(stem)) stems.push_back(std::move(stem));
    }
    // Each one goes in front of those before it.
    std::reverse(stems.begin(), stems.end());
    return stems;
}

void remove_stale_shape_temporaries(const std::filesystem::path& documents) {
    constexpr std::chrono::seconds kStale{60};
    remove_stale_temporaries(documents, "." + std::string(kShapeFileExtension), kStale);
}

}  // namespace lumo
