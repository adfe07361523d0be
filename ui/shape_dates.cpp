#include "ui/shape_dates.h"

#include <chrono>
#include <cstdio>

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
    if (!digits(stem.substr(0, 4), &week_year) || !digits(stem.substr(5, 2), &month) || !digits(stem.substr(8, 2), &day) ||
        !digits(stem.substr(11, 2), &hour) || !digits(stem.substr(14, 2), &minute) || !digits(stem.substr(17, 2), &second))
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
        std::snprintf(text, sizeof text, "%d %s %d, %02d:%02d:%02d", day, kMonths[month - 1], year, hour, minute, second);
        return text;
    }
    return std::string(stem);
}

}  // namespace lumo
