#include "files/recent_files.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>

#include "files/app_paths.h"
#include "files/file_io.h"

namespace lumo {
namespace {

// Ten paths of at most PATH_MAX, encoded, fit many times over; anything
// bigger is not a store this program wrote.
constexpr std::uintmax_t kMaxStoreBytes = 256 * 1024;

constexpr std::string_view kHeader =
    "# lumo's recent files, newest first, one path a line ('%', CR and LF in a name as %25, %0D, %0A)\n";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string encoded(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%') {
            out += "%25";
        } else if (c == '\r') {
            out += "%0D";
        } else if (c == '\n') {
            out += "%0A";
        } else {
            out += c;
        }
    }
    return out;
}

// nullopt for a line that is not an encoded absolute path (a stray '%', a
// NUL byte, a relative path): such lines are skipped.
std::optional<std::filesystem::path> decoded(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // a store that went through CRLF
    if (line.empty() || line.front() != '/') return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\0') return std::nullopt;
        if (c == '%') {
            const int high = i + 2 < line.size() ? hex_value(line[i + 1]) : -1;
            const int low = i + 2 < line.size() ? hex_value(line[i + 2]) : -1;
            if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        out += c;
    }
    return std::filesystem::path(out);
}

// Puts path first among entries, without duplicates and at most kLimit long.
void put_first(std::vector<std::filesystem::path>& entries, const std::filesystem::path& path) {
    std::erase(entries, path);
    entries.insert(entries.begin(), path);
    if (entries.size() > RecentFiles::kLimit) entries.resize(RecentFiles::kLimit);
}

}  // namespace

RecentFiles::RecentFiles(std::filesystem::path store) : store_(std::move(store)) {
    const std::optional<std::vector<uint8_t>> bytes = read_whole_file(store_, kMaxStoreBytes, nullptr);
    if (!bytes) return;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    std::size_t start = 0;
    while (start < text.size() && entries_.size() < kLimit) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (const std::optional<std::filesystem::path> path = decoded(text.substr(start, end - start))) {
            const std::filesystem::path normal = path->lexically_normal();
            if (std::find(entries_.begin(), entries_.end(), normal) == entries_.end()) entries_.push_back(normal);
        }
        start = end + 1;
    }
}

bool RecentFiles::add(const std::filesystem::path& file, std::string* error) {
    std::error_code code;
    const std::filesystem::path absolute = std::filesystem::absolute(file, code);
    if (code || file.empty()) {
        if (error) *error = "cannot remember " + file.string() + ": " + (code ? code.message() : "no file named");
        return false;
    }
    put_first(entries_, absolute.lexically_normal());
    std::string text(kHeader);
    for (const std::filesystem::path& entry : entries_) text += encoded(entry.string()) + "\n";
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    return ensure_folder(store_.parent_path(), error) &&
           write_file_atomically(store_, std::span<const uint8_t>(data, text.size()), error);
}

std::vector<std::filesystem::path> RecentFiles::existing() {
    std::erase_if(entries_, [](const std::filesystem::path& entry) {
        std::error_code code;
        return !std::filesystem::exists(entry, code);
    });
    return entries_;
}

}  // namespace lumo
