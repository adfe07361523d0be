#include "widgets/key_focus.h"

#include <imgui.h>

#include <algorithm>

#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr int kRoomForControls = 32;  // most screens have fewer: no allocation while they draw

}  // namespace

KeyFocus::KeyFocus() { controls_.reserve(kRoomForControls); }

bool KeyFocus::control(int key, int group) {
    if (focused_ == kNone) focused_ = key;
    controls_.push_back({key, group});
    if (key != focused_) return false;
    last_index_ = static_cast<int>(controls_.size()) - 1;
    return true;
}

int KeyFocus::index_of(int key) const {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].key == key) return static_cast<int>(i);
    return -1;
}

int KeyFocus::end_frame(unsigned moves) {
    const int count = static_cast<int>(controls_.size());
    if (count == 0) {
        controls_.clear();
        return kNone;
    }
    int at = index_of(focused_);
    if (at < 0) at = std::clamp(last_index_, 0, count - 1);  // what took the vanished control's place
    const bool shift = ImGui::GetIO().KeyShift;
    int pressed = kNone;
    if ((moves & tab) != 0 && tap::key_pressed(ImGuiKey_Tab, true)) {
        at = (at + (shift ? count - 1 : 1)) % count;
    } else if ((moves & arrows) != 0 &&
               (tap::key_pressed(ImGuiKey_DownArrow, true) || tap::key_pressed(ImGuiKey_RightArrow, true))) {
        at = std::min(at + 1, count - 1);
    } else if ((moves & arrows) != 0 &&
               (tap::key_pressed(ImGuiKey_UpArrow, true) || tap::key_pressed(ImGuiKey_LeftArrow, true))) {
        at = std::max(at - 1, 0);
    } else if ((moves & home_end) != 0 && (tap::key_pressed(ImGuiKey_Home) || tap::key_pressed(ImGuiKey_End))) {
        const int group = controls_[static_cast<std::size_t>(at)].group;
        const bool home = tap::key_pressed(ImGuiKey_Home);
        for (int i = home ? 0 : count - 1; i >= 0 && i < count; i += home ? 1 : -1) {
            if (controls_[static_cast<std::size_t>(i)].group == group) {
                at = i;
                break;
            }
        }
    } else if ((moves & enter) != 0 && (tap::key_pressed(ImGuiKey_Enter) || tap::key_pressed(ImGuiKey_KeyPadEnter) ||
                                        tap::key_pressed(ImGuiKey_Space))) {
        pressed = controls_[static_cast<std::size_t>(at)].key;
    }
    focused_ = controls_[static_cast<std::size_t>(at)].key;
    last_index_ = at;
    controls_.clear();
    return pressed;
}

}  // namespace lumo
