#pragma once
// Turns SDL's finger and mouse events into the began, moved, ended and
// cancelled touch sets that the drawing view handles. Each finger of each
// touch device is one touch, the left mouse button one more; events that SDL
// makes from the other kind are ignored, so one finger is never two touches.
// Consecutive events of one phase within a batch of events form one set.
// Each touch carries the time of its event, so a tap is timed by the finger,
// not by when its events were handled.

#include <SDL.h>

#include <array>
#include <cstdint>
#include <functional>

#include "platform/gl_window.h"
#include "platform/touch.h"

namespace lumo {

class TouchHandler {
public:
    virtual ~TouchHandler() = default;
    virtual void touchesBegan(const TouchSet& touches, const UIEvent& event) = 0;
    virtual void touchesMoved(const TouchSet& touches, const UIEvent& event) = 0;
    virtual void touchesEnded(const TouchSet& touches, const UIEvent& event) = 0;
    virtual void touchesCancelled(const TouchSet& touches, const UIEvent& event) = 0;
};

class TouchRouter {
public:
    // Whether the interface over the view takes a press at this window point.
    using CapturePredicate = std::function<bool(float window_x, float window_y)>;

    TouchRouter(GLWindow* window, TouchHandler* handler);
    void set_capture_predicate(CapturePredicate predicate) { capture_ = std::move(predicate); }

    void handle_event(const SDL_Event& event);
    void flush();  // delivers the set being gathered; call after each batch
    void cancel_all();  // focus lost: every touch is cancelled
    int active_count() const;

private:
    enum class Phase { none, began, moved, ended, cancelled };
    struct Entry {
        bool active = false;
        bool ending = false;  // in the set being delivered as ended or cancelled
        SDL_TouchID device = 0;
        SDL_FingerID finger = 0;
        Touch touch;
    };
    static constexpr SDL_TouchID kMouseDevice = -2;  // our own id for the left mouse button

    Entry* find(SDL_TouchID device, SDL_FingerID finger);
    void begin(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms);
    void move(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms);
    void end(SDL_TouchID device, SDL_FingerID finger, float window_x, float window_y, uint32_t time_ms, bool cancelled);
    void gather(Phase phase, Entry* entry);
    void to_view(float window_x, float window_y, Touch* touch) const;
    UIEvent event_for_view() const;

    GLWindow* window_;
    TouchHandler* handler_;
    CapturePredicate capture_;
    std::array<Entry, TouchSet::kCapacity> entries_{};
    uint64_t next_serial_ = 1;
    Phase pending_phase_ = Phase::none;
    TouchSet pending_;
};

}  // namespace lumo
