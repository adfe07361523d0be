#include "app/change_history.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace lumo {

namespace {

bool same_bits(const RestShape& a, const RestShape& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

}  // namespace

// A rest shape equal to one already kept (a picture change keeps the shape)
// shares that copy.
ViewState ChangeHistory::keep(const RestShape& rest_shape, std::shared_ptr<const Picture> picture) {
    std::shared_ptr<const RestShape> shared;
    const auto equal = [&](const std::shared_ptr<const RestShape>& kept) {
        return kept != nullptr && same_bits(*kept, rest_shape);
    };
    if (equal(handed_out_)) shared = handed_out_;
    for (auto it = undo_.rbegin(); shared == nullptr && it != undo_.rend(); ++it)
        if (equal(it->state.rest_shape)) shared = it->state.rest_shape;
    for (auto it = redo_.rbegin(); shared == nullptr && it != redo_.rend(); ++it)
        if (equal(it->state.rest_shape)) shared = it->state.rest_shape;
    if (shared == nullptr) shared = std::make_shared<const RestShape>(rest_shape);
    return {std::move(shared), std::move(picture)};
}

void ChangeHistory::record(ViewChange change, const RestShape& rest_shape, std::shared_ptr<const Picture> picture) {
    redo_.clear();
    undo_.push_back({change, keep(rest_shape, std::move(picture))});
    trim();
}

std::optional<ViewState> ChangeHistory::undo(const RestShape& rest_shape, std::shared_ptr<const Picture> picture) {
    if (undo_.empty()) return std::nullopt;
    Entry entry = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back({entry.change, keep(rest_shape, std::move(picture))});
    handed_out_ = entry.state.rest_shape;
    trim();
    return std::move(entry.state);
}

std::optional<ViewState> ChangeHistory::redo(const RestShape& rest_shape, std::shared_ptr<const Picture> picture) {
    if (redo_.empty()) return std::nullopt;
    Entry entry = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back({entry.change, keep(rest_shape, std::move(picture))});
    handed_out_ = entry.state.rest_shape;
    trim();
    return std::move(entry.state);
}

std::optional<ViewChange> ChangeHistory::next_undo() const {
    if (undo_.empty()) return std::nullopt;
    return undo_.back().change;
}

std::optional<ViewChange> ChangeHistory::next_redo() const {
    if (redo_.empty()) return std::nullopt;
    return redo_.back().change;
}

std::size_t ChangeHistory::bytes() const {
    std::unordered_set<const void*> counted;
    std::size_t total = 0;
    const auto count = [&](const Entry& entry) {
        total += sizeof entry;
        if (counted.insert(entry.state.rest_shape.get()).second) total += sizeof(RestShape);
        if (entry.state.picture != nullptr && counted.insert(entry.state.picture.get()).second)
            total += sizeof(Picture) + entry.state.picture->byte_count();
    };
    for (const Entry& entry : undo_) count(entry);
    for (const Entry& entry : redo_) count(entry);
    return total;
}

// The oldest undo first; then the furthest redo, should the present state
// and what can be redone alone hold too much.
void ChangeHistory::trim() {
    while (undo_steps() + redo_steps() > max_steps_ || bytes() > max_bytes_) {
        if (!undo_.empty()) {
            undo_.pop_front();
        } else if (!redo_.empty()) {
            redo_.erase(redo_.begin());
        } else {
            break;
        }
    }
}

}  // namespace lumo
