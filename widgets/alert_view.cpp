#include <algorithm>
#include <utility>

#include "widgets/modal_popup.h"
#include "widgets/alert_view.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMaxWidth = 280.0f;  // points; phones keep alerts narrow
constexpr float kScreenMargin = 24.0f;  // least room left on each side
constexpr float kDetailScale = 0.85f;  // the detail line is secondary to the message
constexpr int kOwnButton = 0;  // the focus key of the alert's own button; others count from 1

}  // namespace

AlertView::AlertView(std::string title, std::string message, std::string cancel_button_title)
    : title_(std::move(title)),
      message_(std::move(message)),
      button_(std::move(cancel_button_title)),
      id_(modal::next_widget_id()) {}

AlertView::~AlertView() { modal::close(popup_id_, &opened_); }

void AlertView::show() {
    visible_ = true;
    focus_.focus(kOwnButton);
}

void AlertView::addButton(std::string caption, std::function<void()> action) {
    others_.push_back({std::move(caption), std::move(action)});
}

void AlertView::draw() {
    if (!visible_) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float width =
        std::max(1.0f, std::min(tap::points(kMaxWidth), viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin)));
    ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("alert", id_), modal::kPopupFlags, &popup_id_, &opened_)) return;

    if (!title_.empty()) tap::centred_text(title_);
    if (!message_.empty()) tap::centred_text(message_);
    if (!detail_.empty()) {
        ImGui::SetWindowFontScale(kDetailScale);
        tap::centred_text(detail_, ImGuiCol_TextDisabled);
        ImGui::SetWindowFontScale(1.0f);
    }
    ImGui::Spacing();
    // Side by side where every caption fits, the alert's own at the right;
    // else one under the other, the alert's own last.
    const float room = ImGui::GetContentRegionAvail().x, gap = ImGui::GetStyle().ItemSpacing.x;
    const int count = static_cast<int>(others_.size()) + 1;
    const float each = (room - gap * static_cast<float>(count - 1)) / static_cast<float>(count);
    bool beside = true;
    for (const Button& other : others_) beside = beside && tap::caption_width(other.caption) <= each;
    beside = beside && tap::caption_width(button_) <= each;
    const ImVec2 size(beside ? each : room, tap::height());
    int pressed = -1;
    for (int i = 0; i < count; ++i) {
        const int key = i + 1 < count ? i + 1 : kOwnButton;
        if (beside && i > 0) ImGui::SameLine();
        tap::set_next_focused(focus_.control(key));
        if (tap::button(key, key == kOwnButton ? button_ : others_[static_cast<std::size_t>(key - 1)].caption, size))
            pressed = key;
    }
    const int entered = focus_.end_frame(KeyFocus::tab | KeyFocus::arrows | KeyFocus::enter);
    if (pressed < 0) pressed = entered;
    if (pressed < 0 && tap::key_pressed(ImGuiKey_Escape)) pressed = kOwnButton;
    ImGui::EndPopup();
    if (pressed < 0) return;
    dismiss();
    // Last: the action may replace this alert.
    if (pressed != kOwnButton) {
        const std::function<void()> action = others_[static_cast<std::size_t>(pressed - 1)].action;
        if (action) action();
    }
}

void AlertView::dismiss() {
    visible_ = false;
    modal::close(popup_id_, &opened_);
}

}  // namespace lumo
