#pragma once
// The hidden name a file is written under before it is put in place:
// ".NAME.XXXXXX" beside the target, which remove_stale_temporaries() knows.

#include <filesystem>

namespace lumo {

// A fresh temporary name for target, different between calls and processes;
// creating it with O_EXCL settles the rare collision by another try.
std::filesystem::path temporary_name_for(const std::filesystem::path& target);

}  // namespace lumo
