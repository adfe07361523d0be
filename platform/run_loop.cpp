#include "platform/run_loop.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace lumo {

namespace {
double steady_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

RunLoop::RunLoop(ClockKind clock) : clock_(clock), real_origin_(steady_seconds()) {}

double RunLoop::now() const {
    return clock_ == ClockKind::virtual_time ? virtual_now_ : steady_seconds() - real_origin_;
}

void RunLoop::advance_virtual_clock(double seconds) {
    if (clock_ == ClockKind::virtual_time && seconds > 0) virtual_now_ += seconds;
}

Timer RunLoop::scheduleRepeating(double interval, Callback callback, void* context) {
    for (int s = 0; s < kMaxTimers; ++s) {
        Slot& slot = slots_[s];
        if (slot.active) continue;
        slot.active = true;
        ++slot.generation;
        slot.interval = std::max(interval, 0.001);
        slot.next_fire = now() + slot.interval;
        slot.callback = callback;
        slot.context = context;
        return Timer{s, slot.generation};
    }
    return Timer{};
}

const RunLoop::Slot* RunLoop::find(Timer timer) const {
    if (timer.slot < 0 || timer.slot >= kMaxTimers) return nullptr;
    const Slot& slot = slots_[timer.slot];
    return slot.active && slot.generation == timer.generation ? &slot : nullptr;
}

void RunLoop::invalidate(Timer timer) {
    if (find(timer) != nullptr) slots_[timer.slot].active = false;
}

bool RunLoop::isValid(Timer timer) const { return find(timer) != nullptr; }

double RunLoop::interval(Timer timer) const {
    const Slot* slot = find(timer);
    return slot ? slot->interval : 0;
}

int RunLoop::validTimerCount() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.active; }));
}

void RunLoop::setEventPump(EventPump pump, void* context) {
    pump_ = pump;
    pump_context_ = context;
}

void RunLoop::setBeforeVirtualTick(Callback hook, void* context) {
    before_tick_ = hook;
    before_tick_context_ = context;
}

double RunLoop::next_deadline() const {
    double deadline = std::numeric_limits<double>::infinity();
    for (const Slot& slot : slots_)
        if (slot.active) deadline = std::min(deadline, slot.next_fire);
    return deadline;
}

void RunLoop::runOnce(double max_wait) {
    const double deadline = next_deadline();
    if (clock_ == ClockKind::virtual_time) {
        // Jump to the next deadline first: input due by then arrives before the timers fire.
        virtual_now_ = deadline < std::numeric_limits<double>::infinity() ? std::max(virtual_now_, deadline)
                                                                          : virtual_now_ + max_wait;
        if (pump_) pump_(pump_context_, 0);
    } else {
        const double wait = std::clamp(deadline - now(), 0.0, max_wait);
        if (pump_) pump_(pump_context_, wait);
    }
    fire_due_timers();
}

// Each due timer fires once per turn. One that fell behind by more than an
// interval skips the missed firings instead of bunching them up.
void RunLoop::fire_due_timers() {
    for (int s = 0; s < kMaxTimers; ++s) {
        Slot& slot = slots_[s];
        if (!slot.active || slot.next_fire > now()) continue;
        slot.next_fire += slot.interval;
        if (slot.next_fire <= now()) slot.next_fire = now() + slot.interval;
        if (clock_ == ClockKind::virtual_time && before_tick_) before_tick_(before_tick_context_);
        // The callback may invalidate this or any timer, or schedule new ones.
        slot.callback(slot.context);
    }
}

}  // namespace lumo
