// Questions the browser tests ask the running program (through ccall).

#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/application.h"

namespace {

// FNV-1a over the bits, as the native determinism test hashes the table.
template <typename Floats>
uint64_t hash_bits(const Floats& values) {
    uint64_t hash = 1469598103934665603ull;
    for (float value : values) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        hash ^= bits;
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

extern "C" {

// The influence table's hash in hex once it is built, else "building".
EMSCRIPTEN_KEEPALIVE const char* lumo_table_hash() {
    static char text[32];
    lumo::Application* app = lumo::Application::running();
    if (app == nullptr || app->view().trans()->initializing_index() >= 0) return "building";
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(hash_bits(app->view().trans()->_distance_table)));
    return text;
}

}  // extern "C"
