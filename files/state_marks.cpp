#include "files/state_marks.h"

#include <cstdint>
#include <span>
#include <system_error>

#include "files/app_paths.h"
#include "files/file_io.h"

namespace lumo {

bool has_state_mark(const std::filesystem::path& state_folder, std::string_view name) {
    std::error_code code;
    return !state_folder.empty() && std::filesystem::is_regular_file(state_folder / name, code);
}

bool set_state_mark(const std::filesystem::path& state_folder, std::string_view name, std::string* error) {
    if (state_folder.empty()) {
        if (error) *error = "there is no state folder";
        return false;
    }
    static constexpr char kText[] = "1\n";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(kText), sizeof kText - 1);
    return ensure_folder(state_folder, error) && write_file_atomically(state_folder / name, bytes, error);
}

}  // namespace lumo
