#include "widgets/preview_cache.h"

namespace lumo {

bool PreviewCache::stamp_of(const std::filesystem::path& path, Stamp* stamp) {
    std::error_code code;
    stamp->bytes = std::filesystem::file_size(path, code);
    if (code) return false;
    stamp->written = std::filesystem::last_write_time(path, code);
    return !code;
}

std::shared_ptr<const PreparedPicture> PreviewCache::find(const std::filesystem::path& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->prepared->path != path) continue;
        Stamp now;
        if (!stamp_of(path, &now) || !(now == it->stamp)) {
            entries_.erase(it);
            return nullptr;
        }
        entries_.splice(entries_.begin(), entries_, it);
        return entries_.front().prepared;
    }
    return nullptr;
}

void PreviewCache::add(std::shared_ptr<const PreparedPicture> prepared) {
    if (!prepared || !prepared->ok()) return;
    Stamp stamp;
    if (!stamp_of(prepared->path, &stamp)) return;
    entries_.remove_if([&](const Entry& entry) { return entry.prepared->path == prepared->path; });
    entries_.push_front({stamp, std::move(prepared)});
    if (entries_.size() > kCapacity) entries_.pop_back();
}

}  // namespace lumo
