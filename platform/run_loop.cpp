#include "platform/run_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace lumo {

namespace {
constexpr Ticks kNoDeadline = std::numeric_limits<Ticks>::max();

int64_t steady_nanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

Ticks ticks_from_seconds(double seconds) { return static_cast<Ticks>(std::llround(seconds * kTicksPerSecond)); }

RunLoop::RunLoop(ClockKind clock) : clock_(clock), real_origin_ns_(steady_nanoseconds()) {}

Ticks RunLoop::nowTicks() const {
    if (clock_ == ClockKind::virtual_time) return virtual_now_;
    return (steady_nanoseconds() - real_origin_ns_) * kTicksPerSecond / 1'000'000'000;
}

void RunLoop::advanceVirtualClock(double seconds) {
    if (clock_ == ClockKind::virtual_time && seconds > 0) virtual_now_ += ticks_from_seconds(seconds);
}

Timer RunLoop::scheduleRepeating(double interval, Callback callback) {
    for (int s = 0; s < kMaxTimers; ++s) {
        Slot& slot = slots_[s];
        if (slot.active || slot.firing) continue;
        slot.active = true;
        ++slot.generation;
        slot.interval = std::max(ticks_from_seconds(interval), kTicksPerSecond / 1000);
        slot.next_fire = nowTicks() + slot.interval;
        slot.callback = std::move(callback);
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
    if (find(timer) == nullptr) return;
    Slot& slot = slots_[timer.slot];
    slot.active = false;
    if (!slot.firing) slot.callback = nullptr;  // what it captured goes now
}

bool RunLoop::isValid(Timer timer) const { return find(timer) != nullptr; }

double RunLoop::interval(Timer timer) const {
    const Slot* slot = find(timer);
    return slot ? seconds_from_ticks(slot->interval) : 0;
}

int RunLoop::validTimerCount() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.active; }));
}

Ticks RunLoop::next_deadline() const {
    Ticks deadline = kNoDeadline;
    for (const Slot& slot : slots_)
        if (slot.active) deadline = std::min(deadline, slot.next_fire);
    return deadline;
}

void RunLoop::runOnce(double max_wait) {
    const Ticks deadline = next_deadline();
    if (clock_ == ClockKind::virtual_time) {
        // Jump to the next deadline first: input due by then arrives before the timers fire.
        virtual_now_ = std::max(virtual_now_, std::min(deadline, virtual_now_ + ticks_from_seconds(max_wait)));
        if (pump_) pump_(0);
    } else {
        const double wait =
            deadline == kNoDeadline ? max_wait : std::clamp(seconds_from_ticks(deadline - nowTicks()), 0.0, max_wait);
        if (pump_) pump_(wait);
    }
    fire_due_timers();
}

// Each due timer fires once per turn. One that fell behind by more than an
// interval skips the missed firings instead of bunching them up.
void RunLoop::fire_due_timers() {
    for (int s = 0; s < kMaxTimers; ++s) {
        Slot& slot = slots_[s];
        const Ticks now = nowTicks();
        if (!slot.active || slot.next_fire > now) continue;
        if (clock_ == ClockKind::virtual_time && before_tick_) {
            // What it settles (a shape file shown) may stop or restart this timer.
            before_tick_();
            if (!slot.active || slot.next_fire > now) continue;
        }
        slot.next_fire += slot.interval;
        if (slot.next_fire <= now) slot.next_fire = now + slot.interval;
        // The callback may invalidate this or any timer, or schedule new
        // ones; a slot is not reused while its callback runs.
        slot.firing = true;
        slot.callback();
        slot.firing = false;
        if (!slot.active) slot.callback = nullptr;
    }
}

}  // namespace lumo
