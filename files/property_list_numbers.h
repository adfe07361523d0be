#pragma once
// libplist 2.2.0 reads a <real> with atof and an <integer> with strtoull, so
// "abc", "" and "0,5" come back as 0 and an integer too big for 64 bits as
// all ones (-1 when read as signed), with no sign of trouble. Before the
// library sees the XML, each number element whose text is not a number is
// renamed <string>: typed reads then refuse it like any other wrong type.

#include <string>

namespace lumo {

// Rewrites `xml` in place. A real must be a decimal or "inf"/"nan" number
// (an optional sign, surrounding white space allowed), an integer a decimal
// that fits a signed 64-bit value.
void mark_malformed_numbers(std::string* xml);

}  // namespace lumo
