#include "files/temporary_name.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace lumo {
namespace {

// Six characters that differ between calls and processes.
std::string unique_suffix() {
    static std::atomic<uint64_t> counter{0};
    uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 (static_cast<uint64_t>(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    // splitmix64 finaliser: spreads every input bit over the output.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(6, 'x');
    for (char& c : suffix) {
        c = kAlphabet[x % 62];
        x /= 62;
    }
    return suffix;
}

}  // namespace

std::filesystem::path temporary_name_for(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    return folder / ("." + target.filename().string() + "." + unique_suffix());
}

}  // namespace lumo
