#pragma once
// The saved-file list's rows: a shape file's date stamp as people read a
// date. The stem itself stays the file's name.

#include <string>
#include <string_view>

namespace lumo {

// "2026_12_07_20_38_27" gives "7 Dec 2026, 20:38:27". The stamp's year is
// the ISO week-based year; the calendar year is shown (where two fit, in the
// first days of January, the stamp's own). A stem that is no date stamp
// comes back as it is.
std::string readable_shape_date(std::string_view stem);

}  // namespace lumo
