#include "shape/shape_names.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

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

}  // namespace

std::string readable_shape_date(std::string_view stem) {
    // YYYY_MM_dd_HH_mm_ss
    if (stem.size() != 19) return std::string(stem);
    for (int at : {4, 7, 10, 13, 16})
        if (stem[at] != '_') return std::string(stem);
    int week_year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digits(stem.substr(0, 4), &week_year) || !digits(stem.substr(5, 2), &month) ||
        !digits(stem.substr(8, 2), &day) || !digits(stem.substr(11, 2), &hour) ||
        !digits(stem.substr(14, 2), &minute) || !digits(stem.substr(17, 2), &second))
        return std::string(stem);
    if (hour > 23 || minute > 59 || second > 60) return std::string(stem);
    // The calendar year is the week-based one, or a neighbour around new year.
    for (int year : {week_year, week_year - 1, week_year + 1}) {
        const chr::year_month_day date{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                                       chr::day{static_cast<unsigned>(day)}};
        if (!date.ok() || iso_week_year(date) != week_year) continue;
        static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        char text[40];
        std::snprintf(text, sizeof text, "%d %s %d, %02d:%02d:%02d", day, kMonths[month - 1], year, hour, minute,
                      second);
        return text;
    }
    return std::string(stem);
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
    std::snprintf(text, sizeof text, "%04d_%02u_%02u_%02d_%02d_%02d", iso_week_year(chr::year_month_day{date}),
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
