#pragma once
// Why a file could not be written, in words a user understands.

#include <string>

namespace lumo {

// "the disk is full", "the folder cannot be written", "the file is too large
// for this system's limit"...; the system's own text for the rare rest.
std::string file_error_words(int error_number);

}  // namespace lumo
