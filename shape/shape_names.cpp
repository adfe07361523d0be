#include "shape/shape_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "files/file_io.h"

namespace lumo {

namespace {

namespace chr = std::chrono;

// The year of the Thursday of the date's Monday-to-Sunday week.
int iso_week_year(const chr::year_month_day& date) {
    const chr::sys_days day{date};
    const int monday_based = static_cast<int>(chr::weekday{day}.iso_encoding()) - 1;
    const chr::year_month_day thursday{day + chr::days{3 - monday_based}};
    return static_cast<int>(thursday.year());
}

bool digits(std::string_view text, int* value) {
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return !text.empty();
}

// "-N" after a stamp, N from 2 up, no leading zero: the save number.
bool save_number(std::string_view suffix, int* number) {
    if (suffix.empty()) {
        *number = 1;
        return true;
    }
    if (suffix.size() < 2 || suffix.size() > 5 || suffix[0] != '-' || suffix[1] == '0') return false;
    return digits(suffix.substr(1), number) && *number >= 2;
}

// How far apart two local times are, whichever comes first.
chr::seconds distance(chr::local_seconds a, chr::local_seconds b) { return a > b ? a - b : b - a; }

std::optional<chr::local_seconds> last_written(const std::filesystem::path& path) {
    struct stat info {};
    std::tm local{};
    if (::stat(path.c_str(), &info) != 0 || localtime_r(&info.st_mtime, &local) == nullptr) return std::nullopt;
    const chr::year_month_day day{chr::year{local.tm_year + 1900}, chr::month{static_cast<unsigned>(local.tm_mon + 1)},
                                  chr::day{static_cast<unsigned>(local.tm_mday)}};
    if (!day.ok()) return std::nullopt;
    return chr::local_days{day} + chr::hours{local.tm_hour} + chr::minutes{local.tm_min} + chr::seconds{local.tm_sec};
}

}  // namespace

std::optional<ShapeStamp> read_shape_stamp(std::string_view stem, std::optional<chr::local_seconds> written) {
    // YYYY_MM_dd_HH_mm_ss, then maybe -N
    constexpr std::size_t kStampLength = 19;
    if (stem.size() < kStampLength) return std::nullopt;
    for (int at : {4, 7, 10, 13, 16})
        if (stem[at] != '_') return std::nullopt;
    int stamp_year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, number = 1;
    if (!digits(stem.substr(0, 4), &stamp_year) || !digits(stem.substr(5, 2), &month) ||
        !digits(stem.substr(8, 2), &day) || !digits(stem.substr(11, 2), &hour) ||
        !digits(stem.substr(14, 2), &minute) || !digits(stem.substr(17, 2), &second) ||
        !save_number(stem.substr(kStampLength), &number))
        return std::nullopt;
    if (hour > 23 || minute > 59 || second > 60) return std::nullopt;
    const auto at = [&](int year) -> std::optional<chr::local_seconds> {
        const chr::year_month_day date{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                       chr::day{static_cast<unsigned>(day)}};
        if (!date.ok()) return std::nullopt;
        return chr::local_days{date} + chr::hours{hour} + chr::minutes{minute} + chr::seconds{second};
    };
    std::optional<chr::local_seconds> reading = at(stamp_year);
    if (!reading) return std::nullopt;
    // Saved with the week-based year: the same day a year off, in that week-year.
    for (int year : {stamp_year - 1, stamp_year + 1}) {
        const std::optional<chr::local_seconds> other = at(year);
        if (!other || iso_week_year(chr::year_month_day{chr::floor<chr::days>(*other)}) != stamp_year) continue;
        if (written && distance(*other, *written) < distance(*reading, *written)) reading = other;
    }
    return ShapeStamp{*reading, number};
}

std::string stamp_stem(const ShapeStamp& stamp) {
    const chr::local_days day = chr::floor<chr::days>(stamp.time);
    const chr::year_month_day date{day};
    const chr::hh_mm_ss time{stamp.time - day};
    char text[64];
    std::snprintf(text, sizeof text, "%04d_%02u_%02u_%02d_%02d_%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return numbered_stem(text, stamp.number);
}

std::string readable_shape_date(std::string_view stem, std::optional<chr::local_seconds> written) {
    const std::optional<ShapeStamp> stamp = read_shape_stamp(stem, written);
    if (!stamp) return std::string(stem);
    const chr::local_days day = chr::floor<chr::days>(stamp->time);
    const chr::year_month_day date{day};
    const chr::hh_mm_ss time{stamp->time - day};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%u %s %d, %02d:%02d:%02d", static_cast<unsigned>(date.day()),
                  kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    std::string readable = text;
    if (stamp->number > 1) readable += " (" + std::to_string(stamp->number) + ")";
    return readable;
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
    std::snprintf(text, sizeof text, "%04d_%02u_%02u_%02d_%02d_%02d", static_cast<int>(ymd.year()),
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

std::string numbered_stem(std::string_view stem, int n) {
    std::string numbered(stem);
    if (n > 1) numbered += "-" + std::to_string(n);
    return numbered;
}

std::vector<SavedShape> list_saved_shapes(const std::filesystem::path& documents) {
    std::error_code code;
    std::filesystem::directory_iterator entries(documents, code);
    if (code) return {};
    struct Entry {
        SavedShape shape;
        std::optional<ShapeStamp> stamp;
    };
    std::vector<Entry> found;
    for (const std::filesystem::directory_iterator end; entries != end; entries.increment(code)) {
        if (code) return {};
        const std::string name = entries->path().filename().string();
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos || std::string_view(name).substr(dot + 1) != kShapeFileExtension) continue;
        std::string stem = name.substr(0, dot);
        if (!is_valid_stem(stem)) continue;
        Entry entry;
        // Only a stamp with two readings needs the file's time.
        const std::optional<chr::local_seconds> written =
            read_shape_stamp(stem) ? last_written(entries->path()) : std::nullopt;
        entry.stamp = read_shape_stamp(stem, written);
        entry.shape.label = readable_shape_date(stem, written);
        entry.shape.export_stem = entry.stamp ? stamp_stem(*entry.stamp) : stem;
        entry.shape.stem = std::move(stem);
        found.push_back(std::move(entry));
    }
    if (code) return {};
    // Newest first; char_traits<char> compares as unsigned: byte order.
    std::sort(found.begin(), found.end(), [](const Entry& a, const Entry& b) {
        if (a.stamp.has_value() != b.stamp.has_value()) return a.stamp.has_value();
        if (a.stamp && a.stamp->time != b.stamp->time) return a.stamp->time > b.stamp->time;
        if (a.stamp && a.stamp->number != b.stamp->number) return a.stamp->number > b.stamp->number;
        return a.shape.stem > b.shape.stem;
    });
    std::vector<SavedShape> shapes;
    shapes.reserve(found.size());
    for (Entry& entry : found) shapes.push_back(std::move(entry.shape));
    return shapes;
}

std::vector<std::string> list_shape_stems(const std::filesystem::path& documents) {
    std::vector<std::string> stems;
    for (SavedShape& shape : list_saved_shapes(documents)) stems.push_back(std::move(shape.stem));
    return stems;
}

void remove_stale_shape_temporaries(const std::filesystem::path& documents) {
    remove_stale_temporaries(documents, "." + std::string(kShapeFileExtension), std::chrono::seconds(0));
}

}  // namespace lumo
