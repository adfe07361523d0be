#include "platform/touch_router.h"

#include "platform/host.h"

namespace lumo {

TouchRouter::TouchRouter(GLWindow* window, TouchHandler* handler) : window_(window), handler_(handler) {}

int TouchRouter::active_count() const {
    int n = 0;
    for (const Entry& e : entries_) n += e.active ? 1 : 0;
    return n;
}

TouchRouter::Entry* TouchRouter::find(SDL_TouchID device, SDL_FingerID finger) {
    for (Entry& e : entries_)
        if (e.active && e.device == device && e.finger == finger) return &e;
    return nullptr;
}

void TouchRouter::to_view(float window_x, float window_y, Touch* touch) const {
    const ViewRect r = window_->view_rect_points();
    touch->x = window_x - static_cast<float>(r.x);
    touch->y = window_y - static_cast<float>(r.y);
}

void TouchRouter::handle_event(const SDL_Event& event) {
    int w = 0, h = 0;
    window_->window_size_points(&w, &h);
    switch (event.type) {
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            if (event.tfinger.touchId == SDL_MOUSE_TOUCHID) return;  // made from the mouse
            const float x = event.tfinger.x * static_cast<float>(w);
            const float y = event.tfinger.y * static_cast<float>(h);
            const uint32_t time = event.tfinger.timestamp;
            if (event.type == SDL_FINGERDOWN) begin(event.tfinger.touchId, event.tfinger.fingerId, x, y, time);
            else if (event.type == SDL_FINGERMOTION) move(event.tfinger.touchId, event.tfinger.fingerId, x, y, time);
            else
                end(event.tfinger.touchId, event.tfinger.fingerId, x, y, time,
                    host_finger_was_cancelled(event.tfinger.fingerId));
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT) return;
            if (event.type == SDL_MOUSEBUTTONDOWN) {
                begin(kMouseDevice, 0, static_cast<float>(event.button.x), static_cast<float>(event.button.y),
                      event.button.timestamp);
            } else {
                // Let go outside the window: the press is abandoned, not a tap.
                const bool outside =
                    event.button.x < 0 || event.button.y < 0 || event.button.x >= w || event.button.y >= h;
                end(kMouseDevice, 0, static_cast<float>(event.button.x), static_cast<float>(event.button.y),
                    event.button.timestamp, outside);
            }
            return;
        case SDL_MOUSEMOTION:
            if (event.motion.which == SDL_TOUCH_MOUSEID || (event.motion.state & SDL_BUTTON_LMASK) == 0) return;
            move(kMouseDevice, 0, static_cast<float>(event.motion.x), static_cast<float>(event.motion.y),
                 event.motion.timestamp);
            return;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST || event.window.event == SDL_WINDOWEVENT_HIDDEN)
                cancel_all();
            return;
        default: return;
    }
}

void TouchRouter::begin(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms) {
    if (find(device, finger) != nullptr) return;
    const ViewRect r = window_->view_rect_points();
    const bool in_view = window_x >= r.x && window_y >= r.y && window_x < r.x + r.width && window_y < r.y + r.height;
    if (!in_view) return;
    if (capture_ && capture_(window_x, window_y)) return;
    for (Entry& e : entries_) {
        if (e.active) continue;
        e = Entry{};
        e.active = true;
        e.device = device;
        e.finger = finger;
        e.touch.serial = next_serial_++;
        e.touch.time_ms = time_ms;
        to_view(window_x, window_y, &e.touch);
        gather(Phase::began, &e);
        return;
    }
}

void TouchRouter::move(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms) {
    Entry* e = find(device, finger);
    if (e == nullptr || e->ending) return;
    e->touch.time_ms = time_ms;
    to_view(window_x, window_y, &e->touch);
    gather(Phase::moved, e);
}

void TouchRouter::end(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms,
                      bool cancelled) {
    Entry* e = find(device, finger);
    if (e == nullptr || e->ending) return;
    e->touch.time_ms = time_ms;
    if (!cancelled) to_view(window_x, window_y, &e->touch);
    gather(cancelled ? Phase::cancelled : Phase::ended, e);
    e->ending = true;
}

void TouchRouter::cancel_all() {
    for (Entry& e : entries_) {
        if (!e.active || e.ending) continue;
        gather(Phase::cancelled, &e);
        e.ending = true;
    }
    flush();
}

// A touch already in the set (moved twice in one batch) is not added again.
void TouchRouter::gather(Phase phase, Entry* entry) {
    if (phase != pending_phase_) flush();
    pending_phase_ = phase;
    for (const Touch* t : pending_)
        if (t == &entry->touch) return;
    pending_.add(&entry->touch);
}

// Every touch down on the view, those ending now included.
UIEvent TouchRouter::event_for_view() const {
    UIEvent event;
    for (const Entry& e : entries_)
        if (e.active) event.touches_on_view.add(&e.touch);
    return event;
}

void TouchRouter::flush() {
    if (pending_phase_ == Phase::none || pending_.count() == 0) {
        pending_phase_ = Phase::none;
        pending_.clear();
        return;
    }
    const UIEvent event = event_for_view();
    const TouchSet set = pending_;
    const Phase phase = pending_phase_;
    pending_.clear();
    pending_phase_ = Phase::none;
    switch (phase) {
        case Phase::began: handler_->touchesBegan(set, event); break;
        case Phase::moved: handler_->touchesMoved(set, event); break;
        case Phase::ended: handler_->touchesEnded(set, event); break;
        case Phase::cancelled: handler_->touchesCancelled(set, event); break;
        case Phase::none: break;
    }
    // Touches that ended or were cancelled leave the table once delivered.
    for (Entry& e : entries_)
        if (e.active && e.ending) e = Entry{};
}

}  // namespace lumo
