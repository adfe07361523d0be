#include "files/property_list_numbers.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace lumo {
namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const auto first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Whether all of the text is one floating-point number that fits a double.
bool whole_double(std::string_view text) {
#if defined(__EMSCRIPTEN__)
    // The browser build's C++ library has no from_chars for doubles: strtod
    // on a copy, without the hexadecimal form from_chars does not read.
    char copy[128];
    if (text.empty() || text.size() >= sizeof copy || text.find_first_of("xX") != std::string_view::npos) return false;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    errno = 0;
    char* end = nullptr;
    std::strtod(copy, &end);
    return errno == 0 && end == copy + text.size() && !std::isspace(static_cast<unsigned char>(copy[0]));
#else
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
#endif
}

bool is_real(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    return whole_double(text);
}

bool is_integer(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// Renames the element whose opening tag `<name` starts at `open`; returns
// where the search goes on.
std::size_t check_element(std::string* xml, std::size_t open, std::string_view name, bool (*valid)(std::string_view)) {
    const std::size_t after_name = open + 1 + name.size();
    const std::size_t tag_end = xml->find('>', after_name);
    if (tag_end == std::string::npos) return std::string::npos;
    const bool self_closing = (*xml)[tag_end - 1] == '/';
    std::size_t close = std::string::npos;
    std::string_view text;
    if (!self_closing) {
        const std::string closing = "</" + std::string(name);
        close = xml->find(closing, tag_end + 1);
        if (close == std::string::npos) return std::string::npos;
        text = std::string_view(*xml).substr(tag_end + 1, close - tag_end - 1);
    }
    if (valid(text)) return close == std::string::npos ? tag_end + 1 : close;
    // The closing tag first, so that `open` still points at the opening one.
    if (close != std::string::npos) xml->replace(close + 2, name.size(), "string");
    xml->replace(open + 1, name.size(), "string");
    return open + 1;
}

}  // namespace

void mark_malformed_numbers(std::string* xml) {
    struct Kind {
        std::string_view name;
        bool (*valid)(std::string_view);
    };
    static constexpr Kind kKinds[] = {{"real", &is_real}, {"integer", &is_integer}};
    for (const Kind& kind : kKinds) {
        const std::string opening = "<" + std::string(kind.name);
        std::size_t at = 0;
        while ((at = xml->find(opening, at)) != std::string::npos) {
            const std::size_t next = at + opening.size();
            // "<realm>" is another element: only '>', '/' or white space may follow the name.
            const char follower = next < xml->size() ? (*xml)[next] : '\0';
            if (follower != '>' && follower != '/' && follower != ' ' && follower != '\t' && follower != '\r' &&
                follower != '\n') {
                at = next;
                continue;
            }
            at = check_element(xml, at, kind.name, kind.valid);
        }
    }
}

}  // namespace lumo
