#pragma once
// Keeps pointer input in step with the interface. Dear ImGui reads the mouse
// once per frame, while the touch router acts on each event at once: a click
// and the next tap arriving between two frames would reach the router whole
// (the tap hiding the panel) before ImGui had seen the click's release, and
// the click would be lost. So once a mouse button has changed, the rest of
// the batch waits until the interface has drawn a frame (or a short while
// has passed, should no frame come), in order. Finger events never wait:
// only the touch router reads them, and each carries its own time.

#include <SDL.h>

#include <array>
#include <cstddef>
#include <functional>

namespace lumo {

class EventPacer {
public:
    using Handler = std::function<void(const SDL_Event& event)>;
    static constexpr double kLongestWait = 0.1;  // seconds

    explicit EventPacer(Handler handler) : handler_(std::move(handler)) {}
    ~EventPacer();  // frees the names of dropped files still held
    EventPacer(const EventPacer&) = delete;
    EventPacer& operator=(const EventPacer&) = delete;

    // Hands the events held so far on, once a frame has begun since the hold
    // started (`frame` counts the frames begun) or kLongestWait has passed.
    void release(long frame, double now);
    // Handles the event now, or holds it behind those already held.
    void offer(const SDL_Event& event, long frame, double now);
    std::size_t held() const { return count_; }

private:
    void handle(const SDL_Event& event, long frame, double now);

    Handler handler_;
    bool holding_ = false;
    long hold_frame_ = 0;
    double hold_since_ = 0;
    // Fixed room: a batch is a handful of events. Should it fill, the oldest
    // is handled at once rather than dropped.
    std::array<SDL_Event, 256> events_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};

}  // namespace lumo
