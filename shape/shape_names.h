#pragma once
// Where shape files live and what they are called: a stem (the file's name
// without ".lumo") in the documents folder, a date stamp for a new one, the
// listing the saved-file list shows, and a stamp as people read a date.

#include <ctime>
#include <filesystem>
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

// "YYYY_MM_dd_HH_mm_ss" of a local time, where YYYY is the ISO 8601
// week-based year (strftime's %G), which differs from the calendar year for a
// few days around new year. Only the calendar fields of local_time are read.
std::string shape_file_stem(const std::tm& local_time);
std::string current_shape_file_stem();

// The stems of the shape files in documents, as the saved-file list shows
// them: the folder's entries sorted by name (byte order), each entry whose
// extension (after its last dot) is exactly "lumo" put in front of the
// previous ones, so the newest date stamp comes first. Folders count as
// entries. A stem that is_valid_stem() refuses (".lumo", "..lumo") is left
// out: it could not be loaded. An unlistable folder gives no stems.
std::vector<std::string> list_shape_stems(const std::filesystem::path& documents);

// Removes the temporary files of saves killed more than a minute ago.
void remove_stale_shape_temporaries(const std::filesystem::path& documents);

// "2026_12_07_20_38_27" gives "7 Dec 2026, 20:38:27". The stamp's year is
// the ISO week-based year; the calendar year is shown (where two fit, in the
// first days of January, the stamp's own). A stem that is no date stamp
// comes back as it is.
std::string readable_shape_date(std::string_view stem);

}  // namespace lumo
