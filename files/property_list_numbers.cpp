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

struct NumberKind {
    std::string_view name;
    bool (*valid)(std::string_view);
};
constexpr NumberKind kNumberKinds[] = {{"real", &is_real}, {"integer", &is_integer}};

bool ends_name(char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The number element whose opening tag starts at `open`, if one does
// ("<realm>" is another element).
const NumberKind* number_at(std::string_view xml, std::size_t open) {
    for (const NumberKind& kind : kNumberKinds) {
        const std::size_t next = open + 1 + kind.name.size();
        if (next < xml.size() && xml.compare(open + 1, kind.name.size(), kind.name) == 0 && ends_name(xml[next]))
            return &kind;
    }
    return nullptr;
}

}  // namespace

// One pass, copying into a new string: every scan stops at the next '<', so
// the work grows with the size of the text however many numbers are bad. A
// number's text holds no markup, so it ends at the next '<', which must open
// its closing tag; anything else is left for the XML reader to refuse.
void mark_malformed_numbers(std::string* xml) {
    const std::string_view in(*xml);
    std::string out;
    out.reserve(in.size() + in.size() / 8);
    std::size_t pending_close = std::string_view::npos;  // a closing tag to rename, and its name's length
    std::size_t pending_length = 0;
    std::size_t at = 0;
    while (at < in.size()) {
        const std::size_t open = in.find('<', at);
        out.append(in.substr(at, open - at));
        if (open == std::string_view::npos) break;
        if (open == pending_close) {
            out += "</string";
            at = open + 2 + pending_length;
            pending_close = std::string_view::npos;
            continue;
        }
        const NumberKind* kind = number_at(in, open);
        const std::size_t tag_end = kind ? in.find_first_of("<>", open + 1 + kind->name.size()) : 0;
        if (kind == nullptr || tag_end == std::string_view::npos || in[tag_end] == '<') {
            out += '<';
            at = open + 1;
            continue;
        }
        std::string_view text;
        std::size_t close = std::string_view::npos;
        if (in[tag_end - 1] != '/') {
            close = in.find('<', tag_end + 1);
            const bool closes = close != std::string_view::npos && in.compare(close, 2, "</") == 0 &&
                                in.compare(close + 2, kind->name.size(), kind->name) == 0;
            if (!closes) close = std::string_view::npos;
            text = in.substr(tag_end + 1, (close == std::string_view::npos ? tag_end + 1 : close) - tag_end - 1);
        }
        if (kind->valid(text) && (close != std::string_view::npos || in[tag_end - 1] == '/')) {
            out.append(in.substr(open, tag_end + 1 - open));
            at = tag_end + 1;
            continue;
        }
        out += "<string";
        at = open + 1 + kind->name.size();
        if (close != std::string_view::npos) {
            pending_close = close;
            pending_length = kind->name.size();
        }
    }
    *xml = std::move(out);
}

}  // namespace lumo
