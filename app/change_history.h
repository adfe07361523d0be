#pragma once
// Undo and redo for the actions that replace the rest shape or the picture
// (Fix, Initialize, a new picture, an opened shape file). Each action records
// the state it replaces; an undo hands back the state before the last one
// and keeps the present one for a redo. Plain data: the view tells the
// delegate, which records here and restores what comes back
// (EAGLView::restore), so nothing an undo or redo does is recorded again.
//
// Pictures are shared with the view and between entries, never copied, and
// so are equal rest shapes. The oldest entries go first once there are more
// than kMaxSteps or the entries hold more than kMaxBytes.

#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "picture/picture.h"
#include "render/view_change.h"
#include "sim/surface_grid.h"

namespace lumo {

using RestShape = std::array<float, kSurfaceFloatCount>;

struct ViewState {
    std::shared_ptr<const RestShape> rest_shape;
    std::shared_ptr<const Picture> picture;  // may be null: a view without a picture
};

class ChangeHistory {
public:
    static constexpr int kMaxSteps = 32;
    static constexpr std::size_t kMaxBytes = 48'000'000;

    ChangeHistory() = default;
    // Other bounds, for tests.
    ChangeHistory(int max_steps, std::size_t max_bytes) : max_steps_(max_steps), max_bytes_(max_bytes) {}

    // Before an action: what it replaces. Forgets everything that could be redone.
    void record(ViewChange change, const RestShape& rest_shape, std::shared_ptr<const Picture> picture);
    // The state to bring back, given the present one (kept for the way
    // back); nullopt when there is nothing to undo or redo.
    std::optional<ViewState> undo(const RestShape& rest_shape, std::shared_ptr<const Picture> picture);
    std::optional<ViewState> redo(const RestShape& rest_shape, std::shared_ptr<const Picture> picture);

    // What the next undo or redo takes back or does again.
    std::optional<ViewChange> next_undo() const;
    std::optional<ViewChange> next_redo() const;
    int undo_steps() const { return static_cast<int>(undo_.size()); }
    int redo_steps() const { return static_cast<int>(redo_.size()); }
    // What the entries hold: each distinct picture and rest shape once.
    std::size_t bytes() const;

private:
    struct Entry {
        ViewChange change;
        ViewState state;
    };
    ViewState keep(const RestShape& rest_shape, std::shared_ptr<const Picture> picture);
    void trim();

    std::deque<Entry> undo_;  // the oldest first
    std::vector<Entry> redo_;  // the next redo last
    std::shared_ptr<const RestShape> handed_out_;  // the rest shape last brought back, shared if kept again
    int max_steps_ = kMaxSteps;
    std::size_t max_bytes_ = kMaxBytes;
};

}  // namespace lumo
