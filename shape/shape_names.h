#pragma once
// Where shape files live and what they are called: a stem (the file's name
// without ".lumo") in the documents folder, a date stamp for a new one, the
// listing the saved-file list shows, and a stamp as people read a date.

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr std::string_view kShapeFileExtension = "lumo";

// documents/<stem>.lumo. The stem should pass is_valid_stem().
std::filesystem::path shape_file_path(const std::filesystem::path& documents, std::string_view stem);

// A stem names a file in the documents folder and nothing else: refuses "",
// ".", "..", and anything containing '/' or NUL.
bool is_valid_stem(std::string_view stem);

// "YYYY_MM_dd_HH_mm_ss" of a local time, YYYY its calendar year. (Files
// saved before were stamped with the ISO 8601 week-based year, strftime's
// %G, which differs for a few days around new year; they are still read,
// below.) Only the calendar fields of local_time are read; fields past their
// range roll over as mktime would.
std::string shape_file_stem(const std::tm& local_time);
std::string current_shape_file_stem();

// The n-th name a save made in the second of `stem` may take: the stem
// itself, then "STEM-2", "STEM-3", ...
std::string numbered_stem(std::string_view stem, int n);

// What a date stamp stands for: a local time, and which save of that second.
struct ShapeStamp {
    std::chrono::local_seconds time;
    int number = 1;
};

// The stamp a stem holds ("YYYY_MM_dd_HH_mm_ss", maybe "-N"); nullopt for
// any other name. A stamp of the last or first days of a year may be read
// two ways: a calendar date, or the same day and month a year off, as saved
// with the week-based year. `written` (the file's last change, local time)
// then picks the reading nearest to it; without it, the calendar date.
std::optional<ShapeStamp> read_shape_stamp(std::string_view stem,
                                           std::optional<std::chrono::local_seconds> written = std::nullopt);

// The stem as people read a date: "2026_12_07_20_38_27" gives
// "7 Dec 2026, 20:38:27", "2026_12_07_20_38_27-2" the same with " (2)". A
// stem that is no date stamp comes back as it is.
std::string readable_shape_date(std::string_view stem,
                                std::optional<std::chrono::local_seconds> written = std::nullopt);

// The stem a stamp is written as today (the calendar year, "-N" after the
// first save of a second): a stem saved with the week-based year, renamed.
std::string stamp_stem(const ShapeStamp& stamp);

struct SavedShape {
    std::string stem;
    std::string label;  // readable_shape_date() with the file's own time
    // The name it leaves the program under (an export): stamp_stem() of its
    // stamp read with the file's time, so that the year is right; the stem
    // itself for any other name.
    std::string export_stem;
};

// The shape files in documents, as the saved-file list shows them: each
// entry whose extension (after its last dot) is exactly "lumo", folders too.
// Date stamps first, newest first by the date and save number they stand for
// (the file's time settling stamps with two readings); then the other names
// in descending byte order, as before. A stem that is_valid_stem() refuses
// (".lumo", "..lumo") is left out: it could not be loaded. An unlistable
// folder gives nothing.
std::vector<SavedShape> list_saved_shapes(const std::filesystem::path& documents);
// Their stems alone.
std::vector<std::string> list_shape_stems(const std::filesystem::path& documents);

// Removes the temporary files of saves that no longer run (killed ones, in
// any process): their writers held them locked.
void remove_stale_shape_temporaries(const std::filesystem::path& documents);

}  // namespace lumo
