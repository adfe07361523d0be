#pragma once
// Text as the bytes a file or a parser sees.

#include <cstdint>
#include <span>
#include <string_view>

namespace lumo::testing {

inline std::span<const uint8_t> as_bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace lumo::testing
