#pragma once
// Touches as the drawing view receives them: one per finger on a
// touchscreen, plus the left mouse button. A touch is identified by its
// serial number, unique for the life of the process.

#include <array>
#include <cstdint>

namespace lumo {

struct Touch {
    uint64_t serial = 0;  // identity; 0 for no touch
    float x = 0, y = 0;  // location in the view, points from its top-left corner
    uint32_t time_ms = 0;  // when its latest phase happened, on the event clock (wraps after 49 days)
};

// A small set of touches, in the order they were added.
class TouchSet {
public:
    static constexpr int kCapacity = 16;
    int count() const { return count_; }
    const Touch* anyObject() const { return count_ > 0 ? items_[0] : nullptr; }
    const Touch* const* begin() const { return items_.data(); }
    const Touch* const* end() const { return items_.data() + count_; }
    bool add(const Touch* touch) {
        if (count_ == kCapacity) return false;
        items_[count_++] = touch;
        return true;
    }
    void clear() { count_ = 0; }

private:
    std::array<const Touch*, kCapacity> items_{};
    int count_ = 0;
};

// The event a handler receives: every touch down on the view at that moment.
struct UIEvent {
    TouchSet touches_on_view;
    const TouchSet& touchesForView() const { return touches_on_view; }
};

}  // namespace lumo
