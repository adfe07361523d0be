#pragma once
// Pictures that ship with the program, by file name.

#include <memory>
#include <string_view>

#include "picture/picture.h"

namespace lumo {

// The named picture at its own size, or null (with a line on stderr) when it
// is missing or does not decode.
std::shared_ptr<const Picture> imageNamed(std::string_view name);

}  // namespace lumo
