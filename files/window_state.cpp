#include "files/window_state.h"

#include <charconv>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "files/app_paths.h"
#include "files/file_io.h"

namespace lumo {
namespace {

constexpr std::uintmax_t kMaxStoreBytes = 4096;
// Far beyond any desktop of screens side by side; a larger number is damage.
constexpr int kMaxCoordinate = 1 << 20;

std::optional<int> number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::optional<WindowState> read_window_state(const std::filesystem::path& store) {
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(store, kMaxStoreBytes, nullptr);
    if (!bytes) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::optional<int> x, y, width, height;
    std::optional<bool> full_screen;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (line.starts_with('#') || equals == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "x") {
            x = number(value, -kMaxCoordinate, kMaxCoordinate);
        } else if (key == "y") {
            y = number(value, -kMaxCoordinate, kMaxCoordinate);
        } else if (key == "width") {
            width = number(value, 1, kMaxCoordinate);
        } else if (key == "height") {
            height = number(value, 1, kMaxCoordinate);
        } else if (key == "full-screen" && (value == "yes" || value == "no")) {
            full_screen = value == "yes";
        }
    }
    if (!x || !y || !width || !height || !full_screen) return std::nullopt;
    return WindowState{*x, *y, *width, *height, *full_screen};
}

bool write_window_state(const std::filesystem::path& store, const WindowState& state, std::string* error) {
    std::string text = "# lumo's window: its place and size in points, as when not full screen\n";
    text += "x=" + std::to_string(state.x) + "\ny=" + std::to_string(state.y) + "\n";
    text += "width=" + std::to_string(state.width) + "\nheight=" + std::to_string(state.height) + "\n";
    text += std::string("full-screen=") + (state.full_screen ? "yes" : "no") + "\n";
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    return ensure_folder(store.parent_path(), error) &&
           write_file_atomically(store, std::span<const uint8_t>(data, text.size()), error);
}

}  // namespace lumo
