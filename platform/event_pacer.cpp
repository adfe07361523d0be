#include "platform/event_pacer.h"

namespace lumo {

namespace {
bool changes_a_mouse_button(const SDL_Event& event) {
    return event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP;
}

// Fingers go to the touch router alone (the interface takes its taps from the
// mouse events SDL makes of them), so they never wait: the dent follows the
// finger at once.
bool from_a_finger(const SDL_Event& event) {
    return event.type == SDL_FINGERDOWN || event.type == SDL_FINGERMOTION || event.type == SDL_FINGERUP;
}
}  // namespace

EventPacer::~EventPacer() {
    for (std::size_t k = 0; k < count_; ++k) {
        const SDL_Event& event = events_[(first_ + k) % events_.size()];
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
    }
}

void EventPacer::handle(const SDL_Event& event, long frame, double now) {
    handler_(event);
    if (changes_a_mouse_button(event)) {
        holding_ = true;
        hold_frame_ = frame;
        hold_since_ = now;
    }
}

void EventPacer::release(long frame, double now) {
    if (holding_ && frame == hold_frame_ && now - hold_since_ < kLongestWait) return;
    holding_ = false;
    while (count_ > 0 && !holding_) {
        const SDL_Event event = events_[first_];
        first_ = (first_ + 1) % events_.size();
        --count_;
        handle(event, frame, now);
    }
}

void EventPacer::offer(const SDL_Event& event, long frame, double now) {
    if (!holding_ || from_a_finger(event)) {
        handle(event, frame, now);
        return;
    }
    if (count_ == events_.size()) {
        const SDL_Event oldest = events_[first_];
        first_ = (first_ + 1) % events_.size();
        --count_;
        handler_(oldest);
    }
    events_[(first_ + count_) % events_.size()] = event;
    ++count_;
}

}  // namespace lumo
