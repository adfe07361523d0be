// Up to four fingers, each in a touch slot that drives the touch handle of
// the same number, and the single tap that shows or hides the control panel.

#include "render/eagl_view.h"

namespace lumo {

namespace {

constexpr int kFirstSlot = 1;
constexpr int kLastSlot = 4;
constexpr uint32_t kTapMilliseconds = 250;  // longest press that still counts as a tap, inclusive
// How far a tap's finger may wander, in points: fingers on glass report moves
// of a pixel or two for almost every tap (the platforms' usual touch slop).
constexpr float kTapSlopPoints = 10.0f;

}  // namespace

int EAGLView::last_touch_slot = 0;

Point EAGLView::touch_to_cgpoint(const Touch& touch) const {
    const float x = _screen_min_x + ((_screen_max_x - _screen_min_x) * touch.x) / _screen_size.width;
    const float y = _screen_min_y + ((_screen_max_y - _screen_min_y) * touch.y) / _screen_size.height;
    return {x, y};
}

// Slots are searched starting two after the last one chosen. A fifth finger
// finds every slot taken and presses nothing: it must not re-anchor a handle
// that another finger still holds.
void EAGLView::touchesBegan(const TouchSet& touches, const UIEvent& event) {
    for (const Touch* touch : touches) {
        bool held = false;
        for (int j = kFirstSlot; j <= kLastSlot; ++j) held = held || _touches[j] == touch->serial;
        if (held) continue;
        for (int k = 1; k <= 4; ++k) {
            const int slot = ((last_touch_slot + k) % 4) + 1;
            if (_touches[slot] != 0) continue;
            _touches[slot] = touch->serial;
            _lumo_trans->push_surface_at(touch_to_cgpoint(*touch), slot);
            last_touch_slot = slot;
            break;
        }
    }
    // Timed by the touches' own times: however late their events are
    // handled, the finger decides what is a tap.
    if (event.touchesForView().count() == 1) {
        touch_time = touches.anyObject()->time_ms;
        tap_start_ = {touches.anyObject()->x, touches.anyObject()->y};
    } else {
        touch_time.reset();
    }
}

void EAGLView::touchesMoved(const TouchSet& touches, const UIEvent& /*event*/) {
    for (const Touch* touch : touches) {
        for (int j = kFirstSlot; j <= kLastSlot; ++j) {
            if (_touches[j] == touch->serial) _lumo_trans->move_surface_at(touch_to_cgpoint(*touch), j);
        }
        // Mended for touch screens: a move within the slop still leaves a tap.
        const float dx = touch->x - tap_start_.x, dy = touch->y - tap_start_.y;
        if (dx * dx + dy * dy > kTapSlopPoints * kTapSlopPoints) touch_time.reset();
    }
}

void EAGLView::touchesEnded(const TouchSet& touches, const UIEvent& event) {
    for (const Touch* touch : touches) {
        for (int j = kFirstSlot; j <= kLastSlot; ++j) {
            if (_touches[j] != touch->serial) continue;
            _lumo_trans->release_surface_at(touch_to_cgpoint(*touch), j);
            _touches[j] = 0;
        }
    }
    const int on_view = event.touchesForView().count();
    const uint32_t held_ms = touches.anyObject()->time_ms - touch_time.value_or(0);  // wraps like the clock
    if (touch_time && held_ms <= kTapMilliseconds && on_view == 1) {
        singleTap(*touches.anyObject());
        touch_time.reset();
    }
    if (touches.count() == on_view) _touches.fill(0);
}

// Like a lift without the tap: the handle springs back and the slot empties.
void EAGLView::touchesCancelled(const TouchSet& touches, const UIEvent& event) {
    touch_time.reset();
    touchesEnded(touches, event);
}

void EAGLView::singleTap(const Touch& touch) {
    const float h = _screen_size.height;
    if (touch.y > h * 0.25f && touch.y < (h * 3.0f) * 0.25f && controllers != nullptr)
        controllers->setHidden(!controllers->isHidden());
}

}  // namespace lumo
