#pragma once
// The picture browser's last few prepared pictures, so that going back and
// forth in a folder of photos decodes each one once. Keyed by path, size and
// modification time, so a file changed since is prepared again. Main thread.

#include <cstdint>
#include <filesystem>
#include <list>
#include <memory>

#include "picture/picture_prepare.h"

namespace lumo {

class PreviewCache {
public:
    // Each entry holds a 512 x 512 texture and its preview: about 1.3 MB.
    static constexpr std::size_t kCapacity = 8;

    // Null when the file is not cached, or has changed since.
    std::shared_ptr<const PreparedPicture> find(const std::filesystem::path& path);
    void add(std::shared_ptr<const PreparedPicture> prepared);  // only pictures that were prepared
    std::size_t size() const { return entries_.size(); }

private:
    struct Stamp {
        std::uintmax_t bytes = 0;
        std::filesystem::file_time_type written{};
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        std::shared_ptr<const PreparedPicture> prepared;
    };
    static bool stamp_of(const std::filesystem::path& path, Stamp* stamp);
    std::list<Entry> entries_;  // most recently used first
};

}  // namespace lumo
